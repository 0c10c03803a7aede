#include "reader/read_watch.h"

#include <cstdio>

namespace quarnel {
namespace {

using clock_type = std::chrono::steady_clock;

// A read shorter than this prints no progress line.
constexpr std::chrono::milliseconds first_line_after{1000};
constexpr std::chrono::milliseconds between_lines{500};
// The most one read of a watched source hands out: a calling thread that
// reads a slow decoder through it still ticks well within a poll interval.
constexpr std::size_t largest_watched_read = std::size_t{1} << 20;

double seconds_since(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

int percent_of_pass(const read_watch& watch, int pass) {
  std::int64_t bytes = 0;
  for (int k = 0; k < watch.range_count; ++k)
    bytes += watch.done[pass][k].load(std::memory_order_relaxed);
  if (watch.total_bytes <= 0) return bytes > 0 ? 100 : 0;
  const std::int64_t share = bytes * 100 / watch.total_bytes;
  return share > 100 ? 100 : static_cast<int>(share);
}

std::size_t read_watched(void* context, char* into, std::size_t size, read_fault* fault) {
  watched_source* source = static_cast<watched_source*>(context);
  if (stop_requested(*source->watch)) {
    *fault = read_fault::stopped;
    return 0;
  }
  const std::size_t count = source->inner.read(
      source->inner.context, into, size < largest_watched_read ? size : largest_watched_read, fault);
  source->handed_out += static_cast<std::int64_t>(count);
  if (source->slot != nullptr)
    source->slot->store(source->consumed != nullptr
                            ? source->consumed(source->consumed_context, source->k)
                            : source->handed_out,
                        std::memory_order_relaxed);
  watch_tick(source->watch);
  return count;
}

void show_line(read_watch* watch) {
  const clock_type::time_point now = clock_type::now();
  if (now - watch->start < first_line_after) return;
  if (watch->any_line && now - watch->last_line < between_lines) return;
  watch->any_line = true;
  watch->last_line = now;
  char text[128];
  if (watch->passes == 1)
    std::snprintf(text, sizeof text, "quarnel progress: pass 1 %d%%, %.1f s",
                  percent_of_pass(*watch, 0), seconds_since(watch->start));
  else
    std::snprintf(text, sizeof text, "quarnel progress: pass 1 %d%%, pass 2 %d%%, %.1f s",
                  percent_of_pass(*watch, 0), percent_of_pass(*watch, 1),
                  seconds_since(watch->start));
  watch->host->show_progress(text);
}

}  // namespace

bool watch_start(read_watch* watch, read_host* host, bool show_lines, int range_count,
                 std::int64_t total_bytes, int passes) {
  watch->host = host;
  watch->passes = passes;
  watch->show_lines = show_lines;
  watch->total_bytes = total_bytes;
  watch->range_count = range_count;
  watch->calling_thread = std::this_thread::get_id();
  watch->start = clock_type::now();
  watch->last_poll = watch->start;
  watch->last_line = watch->start;
  if (!show_lines) return true;
  for (auto& pass : watch->done) {
    pass.reset(new (std::nothrow) std::atomic<std::int64_t>[range_count]);
    if (pass == nullptr) return false;
    for (int k = 0; k < range_count; ++k) pass[k].store(0);
  }
  return true;
}

std::atomic<std::int64_t>* progress_slot(read_watch* watch, int pass, int k) {
  return watch->show_lines ? &watch->done[pass][k] : nullptr;
}

void watch_tick(read_watch* watch) {
  if (watch->host == nullptr || std::this_thread::get_id() != watch->calling_thread) return;
  const clock_type::time_point now = clock_type::now();
  if (now - watch->last_poll >= interrupt_poll_interval) {
    watch->last_poll = now;
    if (!stop_requested(*watch) && watch->host->interrupted()) watch->stop.store(true);
  }
  if (watch->show_lines && !stop_requested(*watch)) show_line(watch);
}

void progress_end(read_watch* watch, std::int64_t instances) {
  if (!watch->show_lines) return;
  std::int64_t bytes = 0;
  for (int k = 0; k < watch->range_count; ++k) bytes += watch->done[watch->passes - 1][k].load();
  char text[160];
  std::snprintf(text, sizeof text, "quarnel progress: done, %lld bytes, %lld instances, %.2f s",
                static_cast<long long>(bytes), static_cast<long long>(instances),
                seconds_since(watch->start));
  watch->host->show_progress(text);
}

byte_source watched_bytes(watched_source* source) { return {source, read_watched}; }

}  // namespace quarnel
