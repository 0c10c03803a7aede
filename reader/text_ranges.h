// A text read in line-aligned byte ranges, each opened on its own and from
// its start as often as the reader needs: a plain file split among threads,
// a compressed file as its one decoded range, or memory in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "byte_source.h"
#include "compression_format.h"
#include "scan_failure.h"

namespace quarnel {

struct text_ranges {
  void* context;
  int count;
  compression_format format;  // of the whole text; a compressed text is one range
  // Opens range `k` from its start and points `*source` at its bytes.
  // Returns failure_kind::none, or why it cannot be read.
  failure_kind (*open)(void* context, int k, byte_source* source);
  // Ends what open began; called after every open, successful or not.
  void (*close)(void* context, int k);
  // The line reader's first buffer size; 0 for the reader's default.
  std::size_t block_size = 0;
};

// The first byte of each range after the first, given the text's `size`
// and the byte count each range should hold: each range starts just after
// a newline at or past its nominal start, so that every line lies whole in
// one range; a line longer than a range merges the ranges it spans.
// `read_at(context, offset, into, size)` copies bytes of the text.
std::vector<std::int64_t> line_aligned_starts(
    std::int64_t size, std::int64_t range_bytes, void* context,
    std::size_t (*read_at)(void* context, std::int64_t offset, char* into, std::size_t size));

// Ranges of text held in memory, split at `starts` (the first byte of each
// range after the first); `text` and `starts` must outlive the result's use.
struct memory_ranges {
  const std::string* text;
  std::vector<std::int64_t> starts;
  std::vector<memory_cursor> cursors;
};
text_ranges memory_text_ranges(memory_ranges* ranges);
// Opens range `k` of `ranges`, once memory_text_ranges has readied them.
failure_kind open_memory_range(memory_ranges* ranges, int k, byte_source* source);

}  // namespace quarnel
