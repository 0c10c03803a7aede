// What an open stream reads. The reader goes over a file twice and rewinds
// it in between, which only a regular file allows: a pipe would come back
// empty the second time, and a device such as /dev/zero may never end.
#pragma once

#include <cstdio>

namespace quarnel {

enum class file_kind : unsigned char {
  regular,    // a regular file, links followed
  directory,  // a directory, which some systems open for reading
  other,      // a pipe, a socket, a character or block device
  unknown,    // the system could not say
};

file_kind kind_of_open_file(std::FILE* file);

// The same for a name, before it is opened: opening a pipe that no one
// writes to would wait for a writer without end.
file_kind kind_of_named_file(const char* fname);

}  // namespace quarnel
