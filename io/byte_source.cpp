#include "io/byte_source.h"

#include <cstring>

namespace quarnel {
namespace {

std::size_t read_file(void* context, char* into, std::size_t size, read_fault* fault) {
  std::FILE* file = static_cast<std::FILE*>(context);
  std::size_t count = std::fread(into, 1, size, file);
  if (count < size && std::ferror(file)) *fault = read_fault::io_error;
  return count;
}

std::size_t read_memory(void* context, char* into, std::size_t size, read_fault*) {
  memory_cursor* cursor = static_cast<memory_cursor*>(context);
  std::size_t available = static_cast<std::size_t>(cursor->last - cursor->next);
  std::size_t count = size < available ? size : available;
  if (count != 0) std::memcpy(into, cursor->next, count);
  cursor->next += count;
  return count;
}

}  // namespace

byte_source file_byte_source(std::FILE* file) { return {file, read_file}; }

byte_source memory_byte_source(memory_cursor* cursor) { return {cursor, read_memory}; }

}  // namespace quarnel
