#include "reader/text/pipelined_source.h"

#include <condition_variable>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/owned_thread.h"

namespace quarnel {

struct block {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
  read_fault fault = read_fault::none;
  bool last = false;  // no block follows this one
};

struct pipelined_source {
  byte_source inner;
  std::size_t block_size;
  std::vector<block> blocks;  // a ring, filled in order
  std::mutex lock;
  std::condition_variable changed;
  std::size_t filled = 0;    // blocks handed over by the reading thread, in all
  std::size_t consumed = 0;  // blocks the reader is done with, in all
  bool stopping = false;
  std::size_t offset = 0;    // bytes of the reader's current block already handed out
  bool ended = false;        // the last block is used up
  read_fault end_fault = read_fault::none;  // the source's fault at its end, if any
  // Last, so that it is stopped and joined before anything it uses goes.
  owned_thread reader;
};

namespace {

// Waits until `ready()`. Through wait_for, which the C++ library keeps in
// its headers: the plain wait is a symbol of a C++ library newer than the
// one MATLAB loads into its process.
template <class Ready>
void wait_until(std::condition_variable& changed, std::unique_lock<std::mutex>& guard, Ready ready) {
  while (!ready()) changed.wait_for(guard, std::chrono::milliseconds(50));
}

// The reading thread: fills free blocks in order until the data ends, the
// source fails or the reader stops it.
void read_ahead(pipelined_source* source) {
  for (std::size_t next = 0;; ++next) {
    {
      std::unique_lock<std::mutex> guard(source->lock);
      wait_until(source->changed, guard, [&] {
        return source->stopping || next - source->consumed < source->blocks.size();
      });
      if (source->stopping) return;
    }
    block& into = source->blocks[next % source->blocks.size()];
    into.size = 0;
    into.fault = read_fault::none;
    into.last = false;
    while (into.size < source->block_size) {
      const std::size_t count = source->inner.read(source->inner.context, into.bytes.get() + into.size,
                                                   source->block_size - into.size, &into.fault);
      if (count == 0) {
        into.last = true;
        break;
      }
      into.size += count;
      if (into.fault != read_fault::none) break;
    }
    if (into.fault != read_fault::none) into.last = true;
    std::lock_guard<std::mutex> guard(source->lock);
    ++source->filled;
    source->changed.notify_all();
    if (into.last) return;
  }
}

std::size_t read_pipelined(void* context, char* into, std::size_t size, read_fault* fault) {
  pipelined_source* source = static_cast<pipelined_source*>(context);
  std::size_t given = 0;
  while (given < size && !source->ended) {
    {
      std::unique_lock<std::mutex> guard(source->lock);
      wait_until(source->changed, guard, [&] { return source->filled > source->consumed; });
    }
    block& from = source->blocks[source->consumed % source->blocks.size()];
    const std::size_t count = std::min(size - given, from.size - source->offset);
    std::memcpy(into + given, from.bytes.get() + source->offset, count);
    given += count;
    source->offset += count;
    if (source->offset < from.size) break;
    // The block is used up: its fault or end comes once its bytes are out.
    if (from.last) {
      source->ended = true;
      source->end_fault = from.fault;
    }
    source->offset = 0;
    std::lock_guard<std::mutex> guard(source->lock);
    ++source->consumed;
    source->changed.notify_all();
  }
  // A fault is told by a read that hands out nothing, as other sources do.
  if (given == 0 && source->ended) *fault = source->end_fault;
  return given;
}

void stop_reading(void* context) {
  pipelined_source* source = static_cast<pipelined_source*>(context);
  std::lock_guard<std::mutex> guard(source->lock);
  source->stopping = true;
  source->changed.notify_all();
}

}  // namespace

pipelined_source* pipelined_source_open(byte_source inner, std::size_t block_size, int block_count) {
  try {
    auto source = std::make_unique<pipelined_source>();
    source->inner = inner;
    source->block_size = block_size;
    source->blocks.resize(static_cast<std::size_t>(block_count < 2 ? 2 : block_count));
    for (block& b : source->blocks) b.bytes.reset(new char[block_size]);
    pipelined_source* started = source.get();
    source->reader = owned_thread(stop_reading, started, [started] { read_ahead(started); });
    return source.release();
  } catch (const std::exception&) {
    return nullptr;
  }
}

void pipelined_source_close(pipelined_source* source) {
  // Its reader is stopped and joined as it goes.
  delete source;
}

byte_source pipelined_bytes(pipelined_source* source) { return {source, read_pipelined}; }

}  // namespace quarnel
