#include "value_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace quarnel {

char* write_value(char* out, double value) {
  if (std::isnan(value)) {
    const char* text = std::signbit(value) ? "-nan" : "nan";
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
  }
  // Shortest round trip; infinities come out as "inf" and "-inf".
  return std::to_chars(out, out + longest_number_text, value).ptr;
}

char* write_integer(char* out, std::int64_t value) {
  return std::to_chars(out, out + longest_number_text, value).ptr;
}

}  // namespace quarnel
