#include "reader/text/decoded_blocks.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/growable_array.h"
#include "platform/owned_thread.h"

namespace quarnel {

namespace {

// The most one read of the text asks for: the thread that cuts looks at
// the stop flag between reads.
constexpr std::size_t read_step = std::size_t{1} << 20;
// The smallest block cut, and the largest: a block's count of entries in
// one column must fit in 32 bits, as a range's does.
constexpr std::int64_t smallest_block = std::int64_t{4} << 20;
constexpr std::int64_t largest_block = std::int64_t{256} << 20;

struct cut_block {
  growable_array<char> bytes;
  std::size_t size = 0;
  read_fault fault = read_fault::none;  // met right after its bytes
  read_error error = read_error::none;  // why it cannot be opened at all
  std::int64_t consumed = 0;            // file bytes its reading took, for progress
  memory_cursor cursor{};               // while open
};

}  // namespace

struct decoded_blocks {
  stream_opener opener;
  block_cutting cutting;
  // Where each block ends in the text, as the first pass cut them.
  std::vector<std::int64_t> cuts;
  bool cut = false;        // a first pass read the whole text and kept its cuts
  // The last pass met a line too long to hold; asked while the thread that
  // cuts may still run, when a pass ends early.
  std::atomic<bool> gave_way{false};
  std::int64_t largest = 0;  // bytes of the largest block cut
  std::unique_ptr<cut_block[]> blocks;  // most_blocks of them
  // The pass that runs, shared with the thread that cuts.
  std::mutex lock;
  std::condition_variable changed;
  int produced = 0;  // blocks the scans may open
  int held = 0;      // blocks cut and not yet closed
  bool ended = false;     // no block follows the produced ones
  std::atomic<bool> stopping{false};  // the pass is ending
  // Last: stopped and joined before anything it uses goes.
  owned_thread cutter;
};

namespace {

bool read_stopped(const decoded_blocks& blocks) {
  return blocks.stopping.load(std::memory_order_relaxed);
}

// Waits until `ready()` or the pass is ending. Through wait_for, which the
// C++ library keeps in its headers: the plain wait is a symbol of a C++
// library newer than the one MATLAB loads into its process.
template <class Ready>
void wait_until(decoded_blocks* blocks, std::unique_lock<std::mutex>& guard, Ready ready) {
  while (!ready() && !read_stopped(*blocks))
    blocks->changed.wait_for(guard, std::chrono::milliseconds(50));
}

// The nominal size of the next block of the first pass, after `offset`
// bytes of the text: at least a few MB, or the size tests ask for; an
// eighth of what each worker would take of what the text probably holds,
// so that there are blocks enough to share and few held at once; and a 128th of the text cut so
// far, so that the count of blocks grows only with the log of the text's
// size. No larger than largest_block.
std::int64_t nominal_size(const block_cutting& cutting, std::int64_t offset) {
  const std::int64_t first =
      cutting.block_bytes > 0
          ? cutting.block_bytes
          : std::max(smallest_block, cutting.expected_bytes / (8 * std::max(cutting.workers, 1)));
  return std::min(std::max(first, offset / 128), largest_block);
}

// Reads from `source` into `block` until it holds `size` bytes, the text
// ends or the source fails. False when the text ended or failed (the fault
// is in the block), or the read is to stop.
bool fill_block(decoded_blocks* blocks, byte_source source, cut_block* block, std::size_t size) {
  while (block->size < size) {
    if (read_stopped(*blocks)) {
      block->fault = read_fault::stopped;
      return false;
    }
    const std::size_t wanted = std::min(size - block->size, read_step);
    if (!block->bytes.reserve(static_cast<std::int64_t>(block->size + wanted), false, 1)) {
      block->fault = read_fault::out_of_memory;
      return false;
    }
    const std::size_t count =
        source.read(source.context, block->bytes.data() + block->size, wanted, &block->fault);
    block->size += count;
    if (count == 0) return false;
  }
  return true;
}

// The first pass's cut of `block`, which holds at least its nominal
// `size` bytes unless the text ended: just after the first newline at or
// past its nominal last byte, reading on for it as far as a line is held,
// in small steps, so that little is read past the cut (the next block's
// start, which is copied). Returns where the next block starts within
// `block`; sets `gave_way` when no newline comes soon enough.
std::size_t line_end_cut(decoded_blocks* blocks, byte_source source, cut_block* block,
                         std::size_t size, bool* more) {
  const std::size_t step = std::min(std::size_t{64} << 10, size);
  std::size_t searched = size - 1;
  for (;;) {
    const char* newline = static_cast<const char*>(
        std::memchr(block->bytes.data() + searched, '\n', block->size - searched));
    if (newline != nullptr) return static_cast<std::size_t>(newline - block->bytes.data()) + 1;
    searched = block->size;
    if (block->size - size >= blocks->cutting.longest_line_held) {
      blocks->gave_way = true;
      *more = false;
      return block->size;
    }
    if (!fill_block(blocks, source, block, block->size + step)) {
      *more = false;
      return block->size;
    }
  }
}

// Hands block `k` to the scans; `last` when no block follows.
void publish(decoded_blocks* blocks, int k, bool last) {
  std::lock_guard<std::mutex> guard(blocks->lock);
  blocks->produced = k + 1;
  ++blocks->held;
  if (last) blocks->ended = true;
  blocks->changed.notify_all();
}

// The thread that cuts: reads the text from its start and cuts its blocks,
// at most a block ahead of each worker.
void cut_text(decoded_blocks* blocks) {
  byte_source source{};
  const read_error opened = blocks->opener.open(blocks->opener.context, &source);
  if (opened != read_error::none) {
    blocks->blocks[0].error = opened;
    publish(blocks, 0, true);
    return;
  }
  const bool first_pass = !blocks->cut;
  if (first_pass) blocks->cuts.clear();
  growable_array<char> carry;  // bytes read past the last cut
  std::size_t carried = 0;
  std::int64_t offset = 0;     // of the next block in the text
  std::int64_t consumed = 0;   // file bytes read by the blocks cut so far
  for (int k = 0; k < most_blocks; ++k) {
    {
      std::unique_lock<std::mutex> guard(blocks->lock);
      wait_until(blocks, guard, [&] { return blocks->held <= blocks->cutting.workers; });
      if (read_stopped(*blocks)) return;
    }
    cut_block& block = blocks->blocks[k];
    block = cut_block{};
    bool more = true;
    if (first_pass) {
      const std::size_t nominal = static_cast<std::size_t>(nominal_size(blocks->cutting, offset));
      if (carried > 0) {
        if (block.bytes.reserve(static_cast<std::int64_t>(carried), false, 1)) {
          std::memcpy(block.bytes.data(), carry.data(), carried);
          block.size = carried;
        } else {
          block.fault = read_fault::out_of_memory;
          more = false;
        }
        carried = 0;
      }
      if (more) more = fill_block(blocks, source, &block, std::max(nominal, block.size));
      if (more) {
        const std::size_t cut = line_end_cut(blocks, source, &block, nominal, &more);
        if (more) {
          carried = block.size - cut;
          if (carried > 0 && carry.reserve(static_cast<std::int64_t>(carried), false, 1)) {
            std::memcpy(carry.data(), block.bytes.data() + cut, carried);
          } else if (carried > 0) {
            block.fault = read_fault::out_of_memory;
            more = false;
          }
          block.size = cut;
        }
      }
      blocks->cuts.push_back(offset + static_cast<std::int64_t>(block.size));
    } else {
      // Later passes cut where the first did; a text that no longer ends
      // at a line there, or ends elsewhere, has changed.
      const std::int64_t end = blocks->cuts[static_cast<std::size_t>(k)];
      const std::size_t size = static_cast<std::size_t>(end - offset);
      const bool whole = fill_block(blocks, source, &block, size);
      const bool last = static_cast<std::size_t>(k) + 1 == blocks->cuts.size();
      if (block.fault == read_fault::none &&
          (block.size != size || (!last && (size == 0 || block.bytes[size - 1] != '\n')))) {
        block.error = read_error::file_changed;
      } else if (whole && last && block.fault == read_fault::none) {
        char byte;
        if (source.read(source.context, &byte, 1, &block.fault) != 0)
          block.error = read_error::file_changed;
      }
      more = whole && !last && block.error == read_error::none;
    }
    if (block.fault != read_fault::none) more = false;
    // A text larger than the blocks can hold is read as one range.
    if (more && k + 1 == most_blocks) {
      blocks->gave_way = true;
      more = false;
    }
    const std::int64_t now = blocks->opener.consumed(blocks->opener.context);
    block.consumed = now - consumed;
    consumed = now;
    offset += static_cast<std::int64_t>(block.size);
    blocks->largest = std::max(blocks->largest, static_cast<std::int64_t>(block.size));
    // Once published, the block is the scans' to read and release.
    const bool cut_whole = first_pass && !blocks->gave_way && block.fault == read_fault::none;
    publish(blocks, k, !more);
    if (!more) {
      if (cut_whole) blocks->cut = true;
      return;
    }
  }
}

void stop_cutting(void* context) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  std::lock_guard<std::mutex> guard(blocks->lock);
  blocks->stopping.store(true);
  blocks->changed.notify_all();
}

void end_pass(void* context) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  blocks->cutter.stop_and_join();
  blocks->opener.close(blocks->opener.context);
  for (int k = 0; k < blocks->produced; ++k) blocks->blocks[k] = cut_block{};
  blocks->held = 0;
}

void begin_pass(void* context) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  end_pass(context);
  blocks->produced = 0;
  blocks->ended = false;
  blocks->stopping.store(false);
  blocks->gave_way = false;
  blocks->cutter = owned_thread(stop_cutting, blocks, [blocks] { cut_text(blocks); });
}

range_state block_ready(void* context, int k) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  std::unique_lock<std::mutex> guard(blocks->lock);
  if (k >= blocks->produced && !blocks->ended)
    blocks->changed.wait_for(guard, std::chrono::milliseconds(50));
  if (k < blocks->produced) return range_state::ready;
  return blocks->ended || read_stopped(*blocks) ? range_state::none : range_state::pending;
}

int blocks_read(void* context) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  std::lock_guard<std::mutex> guard(blocks->lock);
  return blocks->produced;
}

std::size_t read_block(void* context, char* into, std::size_t size, read_fault* fault) {
  cut_block* block = static_cast<cut_block*>(context);
  const std::size_t count = memory_byte_source(&block->cursor).read(&block->cursor, into, size, fault);
  if (count == 0) *fault = block->fault;
  return count;
}

read_error open_block(void* context, int k, byte_source* source) {
  cut_block& block = static_cast<decoded_blocks*>(context)->blocks[k];
  if (block.error != read_error::none) return block.error;
  block.cursor = {block.bytes.data(), block.bytes.data() + block.size};
  *source = {&block, read_block};
  return read_error::none;
}

// A block is read once a pass: closed, it is released, and the thread
// that cuts may cut one more.
void close_block(void* context, int k) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  std::lock_guard<std::mutex> guard(blocks->lock);
  blocks->blocks[k] = cut_block{};
  --blocks->held;
  blocks->changed.notify_all();
}

std::int64_t block_consumed(void* context, int k) {
  return static_cast<decoded_blocks*>(context)->blocks[k].consumed;
}

read_error open_whole(void* context, int, byte_source* source) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  return blocks->opener.open(blocks->opener.context, source);
}

void close_whole(void* context, int) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  blocks->opener.close(blocks->opener.context);
}

std::int64_t whole_consumed(void* context, int) {
  decoded_blocks* blocks = static_cast<decoded_blocks*>(context);
  return blocks->opener.consumed(blocks->opener.context);
}

}  // namespace

owned_decoded_blocks open_decoded_blocks(stream_opener opener, const block_cutting& cutting) {
  owned_decoded_blocks blocks(new (std::nothrow) decoded_blocks);
  if (!blocks) return blocks;
  blocks->opener = opener;
  blocks->cutting = cutting;
  blocks->blocks.reset(new (std::nothrow) cut_block[most_blocks]);
  if (!blocks->blocks) blocks.reset();
  return blocks;
}

void close_decoded_blocks(decoded_blocks* blocks) {
  if (blocks == nullptr) return;
  end_pass(blocks);
  delete blocks;
}

text_ranges decoded_block_ranges(decoded_blocks* blocks) {
  text_ranges text{blocks, most_blocks, blocks->cutting.format, open_block, close_block};
  text.consumed = block_consumed;
  text.total_bytes = blocks->cutting.total_bytes;
  text.begin_pass = begin_pass;
  text.end_pass = end_pass;
  text.ready = block_ready;
  text.ranges_read = blocks_read;
  text.gave_way = [](void* context) { return static_cast<decoded_blocks*>(context)->gave_way.load(); };
  text.held_bytes = [](void* context) {
    return blocks_held_bytes(*static_cast<decoded_blocks*>(context));
  };
  return text;
}

text_ranges whole_decoded_text(decoded_blocks* blocks) {
  text_ranges text{blocks, 1, blocks->cutting.format, open_whole, close_whole};
  text.consumed = whole_consumed;
  text.total_bytes = blocks->cutting.total_bytes;
  return text;
}

bool blocks_gave_way(const decoded_blocks& blocks) { return blocks.gave_way.load(); }

std::int64_t blocks_held_bytes(const decoded_blocks& blocks) {
  return (blocks.cutting.workers + 1) * blocks.largest;
}

}  // namespace quarnel
