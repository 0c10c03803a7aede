// The compressed formats a data file can come in, told apart by the first
// bytes of the file rather than by its name.
#pragma once

#include <cstddef>

namespace quarnel {

enum class compression_format : unsigned char {
  none,   // not a format recognised here: read as text
  gzip,   // 1f 8b
  bzip2,  // "BZh"
  xz,     // fd "7zXZ" 00
  zstd,   // 28 b5 2f fd, or a skippable frame: 5X 2a 4d 18 (pzstd writes one first)
  zip,    // "PK" 03 04: an archive of files, never read as data
};

// The most leading bytes any signature needs.
constexpr std::size_t format_signature_size = 6;

// The format whose signature `bytes` (the first `count` bytes of a file)
// begin with, or compression_format::none.
compression_format recognise_format(const unsigned char* bytes, std::size_t count);

// The format's usual name, as messages print it ("" for none).
const char* format_name(compression_format format);

// True when this build was linked with the library that decodes `format`.
bool format_decodable(compression_format format);

}  // namespace quarnel
