#include "reader/file_reading.h"

#include <cstdio>

#include "io/file_kind.h"
#include "io/owned_file.h"
#include "io/utf8_file_calls.h"

namespace quarnel {
namespace {

// A plain file smaller than this is read by one thread: the threads would
// cost more than they save.
constexpr std::int64_t smallest_range = std::int64_t{4} << 20;
// No range is larger, so that a range's count of entries in one column
// always fits in 32 bits.
constexpr std::int64_t largest_range = std::int64_t{1} << 30;

// The format named by the file's first bytes.
compression_format peek_format(std::FILE* file) {
  unsigned char head[format_signature_size];
  std::size_t count = std::fread(head, 1, sizeof head, file);
  return recognise_format(head, count);
}

// No more ranges than this: each keeps a tally of its own until the fill.
constexpr std::int64_t most_ranges = 1024;

// How many bytes each range of a plain file of `size` bytes takes.
std::int64_t range_bytes_for(std::int64_t size, const read_options& options) {
  if (options.range_bytes > 0) {
    const std::int64_t fewest = (size + most_ranges - 1) / most_ranges;
    return options.range_bytes > fewest ? options.range_bytes : fewest;
  }
  const int threads = options.threads < 1 ? 1 : options.threads;
  if (threads == 1 && size <= largest_range) return 0;
  std::int64_t bytes = (size + threads - 1) / threads;
  if (bytes < smallest_range) bytes = smallest_range;
  return bytes > largest_range ? largest_range : bytes;
}

}  // namespace

read_failure open_file_ranges(const char* fname, const read_options& options,
                              file_ranges* ranges) {
  // Binary: compressed data must reach the decoder byte for byte, and the
  // line reader itself takes CR LF line ends.
  // A pipe or device is refused before the open, which could wait for a
  // writer; the open stream is checked again, as the name may change.
  if (kind_of_named_file(fname) == file_kind::other) return failure_of(read_error::not_regular);
  compression_format format = compression_format::none;
  std::int64_t size = 0;
  {
    const owned_file file(open_named_file(fname, "rb"));
    if (!file) return failure_of(read_error::cannot_open);
    const file_kind kind = kind_of_open_file(file.get());
    if (kind == file_kind::directory || kind == file_kind::other)
      return failure_of(kind == file_kind::directory ? read_error::cannot_open
                                                     : read_error::not_regular);
    format = peek_format(file.get());
    size = size_of_open_file(file.get());
  }
  if (format == compression_format::zip) return failure_of(read_error::zip_archive);
  if (format != compression_format::none && !format_decodable(format))
    return failure_of(read_error::no_decoder, format);
  const std::int64_t range_bytes = format == compression_format::none && size > 0
                                       ? range_bytes_for(size, options)
                                       : 0;
  const read_error split =
      split_file(fname, format, size, options.offset, options.length, range_bytes, ranges);
  if (split != read_error::none) return failure_of(split, format);
  // A compressed file read on several threads is cut into blocks as it is
  // decoded, on a thread of its own, which every worker scans in turn.
  if (format != compression_format::none && options.threads > 1 &&
      !cut_into_blocks(ranges, options.threads, options.range_bytes))
    return failure_of(read_error::out_of_memory);
  return no_failure();
}

read_failure in_part(read_failure failure, const read_options& options) {
  if (is_malformed(failure.error)) failure.part_offset = options.offset;
  return failure;
}

}  // namespace quarnel
