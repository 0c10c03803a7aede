// Progress of a long read, for a caller that asked for it: how much of the
// file each pass has read and the time so far, as a line at most about
// twice a second once the read has run a second, and one closing line.
// Workers only count; every line is printed on the calling thread, the
// only one that may reach the host.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "byte_source.h"

namespace quarnel {

struct progress_sink {
  void* context;
  // Prints `text` (one line, no newline) and shows it at once.
  void (*line)(void* context, const char* text);
};

struct read_progress {
  progress_sink sink{};  // no line is printed when its `line` is null
  std::int64_t total_bytes = 0;
  int range_count = 0;
  // Bytes of the file each range has read, in each of the two passes.
  std::unique_ptr<std::atomic<std::int64_t>[]> done[2];
  std::thread::id calling_thread;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point last_line;
  bool any_line = false;
};

// Starts the clock on the calling thread. Lines are printed only when
// `sink.line` is not null; `total_bytes` is what one pass reads (0: unknown).
// Returns false when out of memory.
bool progress_start(read_progress* progress, progress_sink sink, int range_count,
                    std::int64_t total_bytes);

// Where range `k` publishes its count in pass `pass` (0 or 1); null when no
// line is printed.
std::atomic<std::int64_t>* progress_slot(read_progress* progress, int pass, int k);

// Prints a progress line when one is due. Does nothing on any thread but
// the calling one, so a worker's source may call it too.
void progress_tick(read_progress* progress);

// The closing line, after a read that succeeded.
void progress_end(read_progress* progress, std::int64_t instances);

// A range's source whose reads publish, after each block, the bytes of the
// file read so far, and give the calling thread, when it reads, its ticks.
struct counted_source {
  byte_source inner;
  std::atomic<std::int64_t>* slot;
  read_progress* progress;
  // The bytes of its file the range has read; null: the bytes handed out.
  std::int64_t (*consumed)(void* context, int k);
  void* consumed_context;
  int k;
  std::int64_t handed_out;
};
byte_source counted_bytes(counted_source* source);

}  // namespace quarnel
