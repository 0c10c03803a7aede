// What the thread that started a read does while the read runs: every few
// tens of milliseconds it asks the host whether the user interrupted the
// read, and, for a read that asked for them, it prints progress lines (how
// much of the file each pass has read and the time so far, at most about
// twice a second once the read has run a second, and one closing line).
// Workers only count bytes and look at the stop flag; every call of the
// host is made on the calling thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "io/byte_source.h"
#include "reader/read_host.h"

namespace quarnel {

// How often the calling thread asks the host about an interrupt: a read
// stops well within half a second of Ctrl-C.
constexpr std::chrono::milliseconds interrupt_poll_interval{50};

struct read_watch {
  read_host* host = nullptr;
  bool show_lines = false;
  // Set once the host says the user interrupted the read; every source of
  // the read then fails with read_fault::stopped, and no task starts.
  std::atomic<bool> stop{false};
  std::int64_t total_bytes = 0;
  int range_count = 0;
  int passes = 2;  // a sizing alone makes one
  // Bytes of the file each range has read, in each of the two passes.
  std::unique_ptr<std::atomic<std::int64_t>[]> done[2];
  std::thread::id calling_thread;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point last_poll;
  std::chrono::steady_clock::time_point last_line;
  bool any_line = false;
};

// Starts the clock on the calling thread. Progress lines are shown through
// `host` only when `show_lines`; `total_bytes` is what one pass reads (0:
// unknown), and `passes` (1 or 2) how many the read makes. Returns false
// when out of memory.
bool watch_start(read_watch* watch, read_host* host, bool show_lines, int range_count,
                 std::int64_t total_bytes, int passes = 2);

// Where range `k` publishes its count in pass `pass` (0 or 1); null when no
// line is shown.
std::atomic<std::int64_t>* progress_slot(read_watch* watch, int pass, int k);

// On the calling thread: asks the host about an interrupt when one poll
// interval has passed, and shows a progress line when one is due. Does
// nothing on any other thread, so a worker's source may call it too.
void watch_tick(read_watch* watch);

inline bool stop_requested(const read_watch& watch) {
  return watch.stop.load(std::memory_order_relaxed);
}

// The closing line, after a read that succeeded.
void progress_end(read_watch* watch, std::int64_t instances);

// A range's source as every scan reads it: it fails with read_fault::stopped
// once the read is to stop, hands out at most a block at a time (so that the
// calling thread, reading through it, ticks often), publishes the bytes of
// the file read so far for progress, and gives the calling thread its ticks.
struct watched_source {
  byte_source inner;
  read_watch* watch;
  std::atomic<std::int64_t>* slot;  // null: nothing published
  // The bytes of its file the range has read; null: the bytes handed out.
  std::int64_t (*consumed)(void* context, int k);
  void* consumed_context;
  int k;
  std::int64_t handed_out;
};
byte_source watched_bytes(watched_source* source);

}  // namespace quarnel
