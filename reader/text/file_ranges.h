// A data file as text ranges: a plain file split at line ends into ranges
// that threads read at once, each through a stream of its own; a
// compressed file as one range, decoded as it is read. Every range is
// opened when a scan begins and closed when it ends, so that no file stays
// open while the outputs are made.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <cstdio>
#include <vector>

#include "compression/compression.h"
#include "io/owned_file.h"
#include "reader/text/decoded_blocks.h"
#include "reader/text/text_ranges.h"

namespace quarnel {

// One range while it is open: its stream and decoder, owned here, and
// released in the order that frees each before what it reads from.
struct file_range {
  owned_file file;
  std::int64_t left = 0;      // bytes of the range not yet read
  // Bytes of the file read since the range was opened, for progress; the
  // thread that cuts a compressed file into blocks counts them while the
  // calling thread asks.
  std::atomic<std::int64_t>* consumed = nullptr;
  decoding_source decoding;
};

struct file_ranges {
  const char* fname;
  compression_format format;
  std::int64_t size;                 // the file's size when it was split
  byte_span part;                    // the bytes read: the whole file or the part asked for
  std::vector<std::int64_t> starts;  // first byte of each range after the first
  std::vector<file_range> ranges;
  std::unique_ptr<std::atomic<std::int64_t>[]> consumed;  // one per range
  // A compressed file read on several threads: its decoded text cut into
  // blocks as it is decoded, and the same text as one range for the
  // searches; the file's one range is their stream.
  owned_decoded_blocks blocks;
  text_ranges whole{};
  // The threads its decoder may take, and where the first decode found its
  // gzip members or bzip2 streams, so that every later pass and search
  // decodes them apart.
  int decode_threads = 1;
  stream_record record;
};

// Splits the part of the plain file `fname`, of `size` bytes, that
// `offset` and `length` choose (part_of_text; 0 and 0 for the whole file)
// into ranges of about `range_bytes` (one range when 0 or the part is
// smaller), or takes a compressed one whole. Returns read_error::none, or
// why the file cannot be split; a compressed file cannot be read in part.
read_error split_file(const char* fname, compression_format format, std::int64_t size,
                        std::int64_t offset, std::int64_t length, std::int64_t range_bytes,
                        file_ranges* ranges);

// Cuts the decoded text of the compressed file that `ranges` holds whole
// into blocks for `workers` workers to scan (of `block_bytes` each when
// above 0, as tests ask), decoded on as many threads where the file's
// layout allows; false when out of memory.
bool cut_into_blocks(file_ranges* ranges, int workers, std::int64_t block_bytes);

text_ranges file_text_ranges(file_ranges* ranges);

// The size of the open file, or -1 when the system cannot tell.
std::int64_t size_of_open_file(std::FILE* file);

}  // namespace quarnel
