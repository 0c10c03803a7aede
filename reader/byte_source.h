// Where the reader's bytes come from: the one seam between the reader and
// the operating system, so that tests can feed content and read errors.
#pragma once

#include <cstddef>
#include <cstdio>

namespace quarnel {

struct byte_source {
  void* context;
  // Copies up to `size` bytes into `into` and returns how many; 0 means the
  // end of the data, or a read error when `*failed` has been set.
  std::size_t (*read)(void* context, char* into, std::size_t size, bool* failed);
};

// Reads an open stream with fread in large blocks.
byte_source file_byte_source(std::FILE* file);

// Serves the bytes [first, last) of memory; `cursor` keeps the position and
// must outlive the source.
struct memory_cursor {
  const char* next;
  const char* last;
};
byte_source memory_byte_source(memory_cursor* cursor);

}  // namespace quarnel
