#include "io/byte_sink.h"

#include <new>

namespace quarnel {
namespace {

bool write_file(void* context, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, static_cast<std::FILE*>(context)) == size;
}

bool write_string(void* context, const char* data, std::size_t size) {
  try {
    static_cast<std::string*>(context)->append(data, size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

byte_sink file_byte_sink(std::FILE* file) { return {file, write_file}; }

byte_sink string_byte_sink(std::string* text) { return {text, write_string}; }

}  // namespace quarnel
