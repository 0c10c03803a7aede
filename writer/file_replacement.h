// A file written under a temporary name beside its final one and renamed
// over it only once complete, so that the final name never holds a partial
// file and an earlier file there stays as it was when anything fails.
#pragma once

#include <cstdio>
#include <string>

namespace quarnel {

enum class replace_failure : unsigned char {
  none,
  cannot_create,  // no temporary file can be made beside the name (folder missing or not writable)
  special_file,   // the name is a device, a pipe or a socket, which a rename would replace
  write_failed,   // a write, the flush, the sync to disk or the close of the temporary file failed
  cannot_rename,  // the complete temporary file cannot take the name's place
};

struct file_replacement {
  std::FILE* file;        // the temporary file, open for binary writing
  std::string target;     // the file replaced: the name, symbolic links followed
  std::string temporary;  // the temporary file's name, beside the target
  int error_number;       // errno of the failure, 0 when none is known
  std::string reason;     // the system's words for a failed rename
};

// Creates a fresh temporary file in the folder of the file `fname` stands
// for (through any symbolic links), with the permission bits of a file
// already there. Names are UTF-8.
replace_failure begin_replacement(file_replacement* replacement, const char* fname);

// Flushes the temporary file to disk, closes it and renames it over the
// target (then syncs the folder, where the system allows it). On a failure
// it removes the temporary file. Either way the file is closed.
replace_failure finish_replacement(file_replacement* replacement);

// Closes and removes the temporary file.
void abandon_replacement(file_replacement* replacement);

// The failure as one line without a newline, naming `fname`.
std::string replace_failure_message(const file_replacement& replacement, replace_failure failure,
                                    const char* fname);

}  // namespace quarnel
