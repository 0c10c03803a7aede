// Where the writer's bytes go: the one seam between the writer and the
// operating system (or an encoder), so that tests can collect the text and
// make writes fail.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace quarnel {

struct byte_sink {
  void* context;
  // Takes all `size` bytes of `data`; false when they could not be written.
  bool (*write)(void* context, const char* data, std::size_t size);
};

// Writes to an open stream with fwrite.
byte_sink file_byte_sink(std::FILE* file);

// Appends to `text`, which must outlive the sink.
byte_sink string_byte_sink(std::string* text);

}  // namespace quarnel
