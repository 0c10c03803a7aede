#include "read_progress.h"

#include <cstdio>

namespace quarnel {
namespace {

using clock_type = std::chrono::steady_clock;

// A read shorter than this prints no progress line.
constexpr std::chrono::milliseconds first_line_after{1000};
constexpr std::chrono::milliseconds between_lines{500};

double seconds_since(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

int percent_of_pass(const read_progress& progress, int pass) {
  std::int64_t bytes = 0;
  for (int k = 0; k < progress.range_count; ++k)
    bytes += progress.done[pass][k].load(std::memory_order_relaxed);
  if (progress.total_bytes <= 0) return bytes > 0 ? 100 : 0;
  const std::int64_t share = bytes * 100 / progress.total_bytes;
  return share > 100 ? 100 : static_cast<int>(share);
}

std::size_t read_counted(void* context, char* into, std::size_t size, read_fault* fault) {
  counted_source* source = static_cast<counted_source*>(context);
  const std::size_t count = source->inner.read(source->inner.context, into, size, fault);
  source->handed_out += static_cast<std::int64_t>(count);
  source->slot->store(source->consumed != nullptr
                          ? source->consumed(source->consumed_context, source->k)
                          : source->handed_out,
                      std::memory_order_relaxed);
  progress_tick(source->progress);
  return count;
}

}  // namespace

bool progress_start(read_progress* progress, progress_sink sink, int range_count,
                    std::int64_t total_bytes) {
  progress->sink = sink;
  progress->total_bytes = total_bytes;
  progress->range_count = range_count;
  progress->calling_thread = std::this_thread::get_id();
  progress->start = clock_type::now();
  progress->last_line = progress->start;
  if (sink.line == nullptr) return true;
  for (auto& pass : progress->done) {
    pass.reset(new (std::nothrow) std::atomic<std::int64_t>[range_count]);
    if (pass == nullptr) return false;
    for (int k = 0; k < range_count; ++k) pass[k].store(0);
  }
  return true;
}

std::atomic<std::int64_t>* progress_slot(read_progress* progress, int pass, int k) {
  return progress->sink.line == nullptr ? nullptr : &progress->done[pass][k];
}

void progress_tick(read_progress* progress) {
  if (progress->sink.line == nullptr || std::this_thread::get_id() != progress->calling_thread)
    return;
  const clock_type::time_point now = clock_type::now();
  if (now - progress->start < first_line_after) return;
  if (progress->any_line && now - progress->last_line < between_lines) return;
  progress->any_line = true;
  progress->last_line = now;
  char text[128];
  std::snprintf(text, sizeof text, "quarnel progress: pass 1 %d%%, pass 2 %d%%, %.1f s",
                percent_of_pass(*progress, 0), percent_of_pass(*progress, 1),
                seconds_since(progress->start));
  progress->sink.line(progress->sink.context, text);
}

void progress_end(read_progress* progress, std::int64_t instances) {
  if (progress->sink.line == nullptr) return;
  std::int64_t bytes = 0;
  for (int k = 0; k < progress->range_count; ++k) bytes += progress->done[1][k].load();
  char text[160];
  std::snprintf(text, sizeof text, "quarnel progress: done, %lld bytes, %lld instances, %.2f s",
                static_cast<long long>(bytes), static_cast<long long>(instances),
                seconds_since(progress->start));
  progress->sink.line(progress->sink.context, text);
}

byte_source counted_bytes(counted_source* source) { return {source, read_counted}; }

}  // namespace quarnel
