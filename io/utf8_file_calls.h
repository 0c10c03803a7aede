// The system's calls on files named in UTF-8, the encoding both hosts hand
// names over in. Elsewhere a name passes to the system as its bytes; on
// Windows the narrow calls would read it in the ANSI code page, so each
// name is converted to UTF-16 for the wide calls (_wfopen, _wstat64,
// _wopen, MoveFileExW).
#pragma once

#include <cstdio>
#include <string>

namespace quarnel {

// fopen.
std::FILE* open_named_file(const char* name, const char* mode);

// What the system says of a name, links followed.
struct name_status {
  bool regular;
  bool directory;
  unsigned permissions;  // the 0777 bits (on Windows, as its stat gives them)
};

// False (errno set) when the name does not exist or cannot be looked at.
bool status_of_name(const char* name, name_status* status);

// A file created for binary writing only if nothing has the name yet, with
// `permissions` as the mode of the creating call (narrowed by the umask).
std::FILE* create_new_file(const char* name, unsigned permissions);

// remove; true when done.
bool remove_named_file(const char* name);

// Renames `from` to `to`, replacing a file there. On Windows a sharing
// violation (a virus scanner or an indexer holding either file a moment)
// is retried for about a second. On failure `reason` holds the system's
// words for it.
bool rename_replacing(const char* from, const char* to, std::string* reason);

}  // namespace quarnel
