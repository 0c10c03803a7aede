#include "compression/compression_format.h"

#include <cstring>

namespace quarnel {
namespace {

bool starts_with(const unsigned char* bytes, std::size_t count, const char* signature,
                 std::size_t size) {
  return count >= size && std::memcmp(bytes, signature, size) == 0;
}

// A zstd skippable frame: magic 0x184D2A50 to 0x184D2A5F, little-endian.
// pzstd begins its files with one; the zstd decoder reads past it.
bool starts_with_skippable_frame(const unsigned char* bytes, std::size_t count) {
  return count >= 4 && (bytes[0] & 0xf0) == 0x50 && bytes[1] == 0x2a && bytes[2] == 0x4d &&
         bytes[3] == 0x18;
}

}  // namespace

compression_format recognise_format(const unsigned char* bytes, std::size_t count) {
  if (starts_with(bytes, count, "\x1f\x8b", 2)) return compression_format::gzip;
  if (starts_with(bytes, count, "BZh", 3)) return compression_format::bzip2;
  if (starts_with(bytes, count, "\xfd" "7zXZ\0", 6)) return compression_format::xz;
  if (starts_with(bytes, count, "\x28\xb5\x2f\xfd", 4) || starts_with_skippable_frame(bytes, count))
    return compression_format::zstd;
  if (starts_with(bytes, count, "PK\x03\x04", 4)) return compression_format::zip;
  return compression_format::none;
}

const char* format_name(compression_format format) {
  switch (format) {
    case compression_format::none:
      return "";
    case compression_format::gzip:
      return "gzip";
    case compression_format::bzip2:
      return "bzip2";
    case compression_format::xz:
      return "xz";
    case compression_format::zstd:
      return "zstd";
    case compression_format::zip:
      return "zip";
  }
  return "";
}

bool format_decodable(compression_format format) {
  switch (format) {
    case compression_format::gzip:
#ifdef QUARNEL_HAVE_ZLIB
      return true;
#else
      return false;
#endif
    case compression_format::bzip2:
#ifdef QUARNEL_HAVE_BZIP2
      return true;
#else
      return false;
#endif
    case compression_format::xz:
#ifdef QUARNEL_HAVE_LZMA
      return true;
#else
      return false;
#endif
    case compression_format::zstd:
#ifdef QUARNEL_HAVE_ZSTD
      return true;
#else
      return false;
#endif
    case compression_format::none:
    case compression_format::zip:
      return false;
  }
  return false;
}

}  // namespace quarnel
