// A text read in line-aligned byte ranges, each opened on its own and from
// its start as often as the reader needs: a plain file split among threads,
// a compressed file as its one decoded range, or memory in tests; or a
// text cut into ranges as it is read, a compressed file's decoded stream
// cut into blocks (decoded_blocks.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compression/compression.h"
#include "io/byte_source.h"
#include "reader/read_failure.h"

namespace quarnel {

enum class range_state : unsigned char { ready, pending, none };

struct text_ranges {
  void* context;
  int count;
  compression_format format;  // of the whole text; a compressed text is one range
  // Opens range `k` from its start and points `*source` at its bytes.
  // Returns read_error::none, or why it cannot be read.
  read_error (*open)(void* context, int k, byte_source* source);
  // Ends what open began; called after every open, successful or not. A
  // range is never opened again before it is closed.
  void (*close)(void* context, int k);
  // The line reader's first buffer size and the longest line it holds
  // whole; 0 for the reader's defaults (lines of a few MB whole).
  std::size_t block_size = 0;
  std::size_t whole_lines_up_to = 0;
  // Whether the ranges start at the text's first line (which may be a
  // header) and end with its last; a part of a file may do neither.
  bool from_first_line = true;
  bool to_last_line = true;
  // For progress: the bytes of its file that range `k` has read since it
  // was opened (compressed bytes for a compressed file), asked only by the
  // thread reading it; null when they are the bytes its source hands out.
  std::int64_t (*consumed)(void* context, int k) = nullptr;
  // The bytes of the file one pass over every range reads; 0 when unknown.
  std::int64_t total_bytes = 0;

  // A text cut into ranges as it is read: `count` is then the most ranges
  // there can be. A pass over it begins with begin_pass and ends with
  // end_pass; ready(k) waits a little (some tens of milliseconds at most)
  // for range k of the pass and says whether it can be opened, is still to
  // come, or never will, the text having ended before it (or the read
  // being to stop); each range is opened once a pass, in any order once
  // ready; ranges_read tells, once a pass has read them all, how many
  // there were. All null for ranges known up front, which need no pass.
  void (*begin_pass)(void* context) = nullptr;
  void (*end_pass)(void* context) = nullptr;
  range_state (*ready)(void* context, int k) = nullptr;
  int (*ranges_read)(void* context) = nullptr;
  // The same text as one range, for the searches that read it again in
  // file order; null when the ranges can be opened again themselves.
  const text_ranges* whole = nullptr;
  // Whether the last pass met a line too long to cut the text at: it must
  // then be read as `whole`. Null when ranges are cut up front.
  bool (*gave_way)(void* context) = nullptr;
  // The most bytes of the text the ranges hold at once during a pass.
  std::int64_t (*held_bytes)(void* context) = nullptr;
};

// Copies up to `size` bytes of the text from `offset` on into `into`;
// returns how many, 0 at its end or on a read error.
using read_at_function = std::size_t (*)(void* context, std::int64_t offset, char* into,
                                         std::size_t size);

// The bytes [first, last) of a text.
struct byte_span {
  std::int64_t first;
  std::int64_t last;
};

// The line start after `at`: the byte just after the first newline at or
// past `at`, or `size` when none follows; -1 when the text cannot be read.
std::int64_t next_line_start(std::int64_t at, std::int64_t size, void* context,
                             read_at_function read_at);

// The bytes of the text's part that `offset` and `length` choose: the lines
// whose first byte p has offset < p <= offset + length (0 <= p for offset
// 0; length 0 reaches the end), so that consecutive parts [0, a), [a, b),
// ... hold every line once. An offset at or past the end gives an empty
// part. `first` is -1 when the text cannot be read.
byte_span part_of_text(std::int64_t size, std::int64_t offset, std::int64_t length,
                       void* context, read_at_function read_at);

// The first byte of each range after the first, given the bytes `span` of
// the text and the byte count each range should hold: each range starts
// just after a newline at or past its nominal start, so that every line
// lies whole in one range; a line longer than a range merges the ranges it
// spans.
std::vector<std::int64_t> line_aligned_starts(byte_span span, std::int64_t range_bytes,
                                              void* context, read_at_function read_at);
// The same over the whole text of `size` bytes.
std::vector<std::int64_t> line_aligned_starts(std::int64_t size, std::int64_t range_bytes,
                                              void* context, read_at_function read_at);

// Ranges of text held in memory, split at `starts` (the first byte of each
// range after the first); `text` and `starts` must outlive the result's use.
struct memory_ranges {
  const std::string* text;
  std::vector<std::int64_t> starts;
  std::vector<memory_cursor> cursors;
};
text_ranges memory_text_ranges(memory_ranges* ranges);
// Opens range `k` of `ranges`, once memory_text_ranges has readied them.
read_error open_memory_range(memory_ranges* ranges, int k, byte_source* source);

}  // namespace quarnel
