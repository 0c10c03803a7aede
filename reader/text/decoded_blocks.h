// A text that can only be read from its start, a compressed file's decoded
// stream, cut into blocks at line ends as it is read, on a thread of its
// own ahead of the scans, so that every worker scans blocks in turn. The
// first pass cuts where the blocks' sizes say and keeps the cuts; every
// later pass reads the text again and cuts at the same places, so that
// block k holds the same lines in every pass. The blocks are the ranges of
// a text (text_ranges) whose count is known only once a pass has read it
// all; `whole` is the same text as one range, for the searches that read
// it again in file order.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "io/byte_source.h"
#include "reader/text/text_ranges.h"

namespace quarnel {

// Where the text comes from: opened from its start for every pass and
// every search, one at a time, and closed after each.
struct stream_opener {
  void* context;
  // Points `*source` at the text from its start; read_error::none, or why
  // it cannot be read.
  read_error (*open)(void* context, byte_source* source);
  void (*close)(void* context);
  // The bytes of the file read since the last open (compressed bytes for a
  // compressed file), asked only by the thread that reads the source.
  std::int64_t (*consumed)(void* context);
};

// How the blocks are cut.
struct block_cutting {
  // The scans' workers: some eight blocks each, and one block held beyond
  // those they scan at once.
  int workers = 1;
  // The bytes the text probably holds (0: unknown), which sizes the first
  // blocks: a compressed file's text is some times its size.
  std::int64_t expected_bytes = 0;
  // Every block this size when above 0 (tests cut small texts finely).
  std::int64_t block_bytes = 0;
  // A line that runs past its block's size by more than this is held whole
  // no further: the text is then read as one range, as it is when it needs
  // more than most_blocks blocks.
  std::size_t longest_line_held = std::size_t{64} << 20;
  // What the file's ranges report: its format and its size, for progress.
  compression_format format = compression_format::none;
  std::int64_t total_bytes = 0;
};

// No more blocks than this: each keeps a tally of its own until the fill.
// Blocks grow with the text, so that a text must run to hundreds of
// gigabytes before it needs more; it is then read as one range.
constexpr int most_blocks = 1024;

struct decoded_blocks;
void close_decoded_blocks(decoded_blocks* blocks);
struct decoded_blocks_closer {
  void operator()(decoded_blocks* blocks) const { close_decoded_blocks(blocks); }
};
using owned_decoded_blocks = std::unique_ptr<decoded_blocks, decoded_blocks_closer>;

// The blocks of the text `opener` reads, cut as `cutting` says; null when
// out of memory. `opener` must outlive them.
owned_decoded_blocks open_decoded_blocks(stream_opener opener, const block_cutting& cutting);

// The blocks as ranges of a text (with begin_pass, end_pass, ready and
// ranges_read set), and the same text as one range.
text_ranges decoded_block_ranges(decoded_blocks* blocks);
text_ranges whole_decoded_text(decoded_blocks* blocks);

// Whether the last pass found a line too long to hold whole in a block:
// the text must then be read as one range.
bool blocks_gave_way(const decoded_blocks& blocks);

// The most bytes of the text the blocks hold at once while a pass runs.
std::int64_t blocks_held_bytes(const decoded_blocks& blocks);

}  // namespace quarnel
