// How a call of the reader reads its file: the caller's name-value options,
// as plain values. The reader core never sees the host; the gateway turns
// the host's arguments into this.
#pragma once

#include <cstdint>
#include <vector>

namespace quarnel {

struct read_options {
  // Threads that scan a plain file at once; 1 scans on the calling thread.
  int threads = 1;
  // The largest byte range one scan task takes; 0 lets the reader choose.
  // Tests set it small, so that a small file splits into many ranges.
  std::int64_t range_bytes = 0;

  // Feature index k is column k + 1 (zero_based) or column k (one_based);
  // by_file keeps the file's own rule (its smallest index, or a header).
  enum class index_base : unsigned char { by_file, zero_based, one_based };
  index_base base = index_base::by_file;
  // Exactly this many feature columns; -1 when the file decides.
  std::int64_t width = -1;
  // Labels whose columns come first, in this order; the file's others follow.
  std::vector<std::int32_t> label_map;
  // Lines whose first byte p lies in (offset, offset + length] (from 0 for
  // offset 0); length 0 reads to the end.
  std::int64_t offset = 0;
  std::int64_t length = 0;
  // Progress lines while a long read runs.
  bool progress = false;

  // Whether the host copies the outputs once more as the call returns
  // (Octave does; MATLAB takes the arrays over): the memory guard counts
  // that copy.
  bool host_copies_outputs = false;
};

}  // namespace quarnel
