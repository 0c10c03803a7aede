// Where the reader's bytes come from: the one seam between the reader and
// the operating system, so that tests can feed content and read errors.
#pragma once

#include <cstddef>
#include <cstdio>

namespace quarnel {

// Why a source stopped before the end of its data.
enum class read_fault : unsigned char {
  none,
  io_error,       // the system reported a read error
  corrupt_data,   // compressed data that cannot be decoded or ends early
  out_of_memory,  // a decoder could not allocate its state
  stopped,        // the reader was asked to stop (the user interrupted the read)
};

struct byte_source {
  void* context;
  // Copies up to `size` bytes into `into` and returns how many; 0 means the
  // end of the data, or a failure when `*fault` has been set.
  std::size_t (*read)(void* context, char* into, std::size_t size, read_fault* fault);
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
