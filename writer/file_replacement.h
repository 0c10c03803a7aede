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
  write_failed,   // a write, the flush or the close of the temporary file failed (disk full, say)
  cannot_rename,  // the complete temporary file cannot take the name's place
};

struct file_replacement {
  std::FILE* file;        // the temporary file, open for binary writing
  std::string temporary;  // its name
  int error_number;       // errno of the failure, 0 when none is known
};

// Creates a fresh temporary file in the folder of `fname`.
replace_failure begin_replacement(file_replacement* replacement, const char* fname);

// Flushes and closes the temporary file and renames it to `fname`. On a
// failure it removes the temporary file. Either way the file is closed.
replace_failure finish_replacement(file_replacement* replacement, const char* fname);

// Closes and removes the temporary file.
void abandon_replacement(file_replacement* replacement);

// The failure as one line without a newline, naming `fname`.
std::string replace_failure_message(const file_replacement& replacement, replace_failure failure,
                                    const char* fname);

}  // namespace quarnel
