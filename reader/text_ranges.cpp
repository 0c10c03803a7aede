#include "text_ranges.h"

#include <cstring>

namespace quarnel {

std::vector<std::int64_t> line_aligned_starts(
    std::int64_t size, std::int64_t range_bytes, void* context,
    std::size_t (*read_at)(void* context, std::int64_t offset, char* into, std::size_t size)) {
  std::vector<std::int64_t> starts;
  if (range_bytes <= 0 || size <= range_bytes) return starts;
  char block[1 << 16];
  std::int64_t previous = 0;
  for (std::int64_t nominal = range_bytes; nominal < size; nominal += range_bytes) {
    // The range starts after the first newline from nominal - 1 on, so a
    // line that begins exactly at the nominal start stays whole in it.
    std::int64_t at = nominal - 1 < previous ? previous : nominal - 1;
    std::int64_t start = -1;
    while (start < 0 && at < size) {
      const std::size_t count = read_at(context, at, block, sizeof block);
      if (count == 0) break;
      const void* newline = std::memchr(block, '\n', count);
      if (newline != nullptr)
        start = at + (static_cast<const char*>(newline) - block) + 1;
      else
        at += static_cast<std::int64_t>(count);
    }
    if (start < 0 || start >= size) break;
    if (start > previous) starts.push_back(start);
    previous = start;
    if (start > nominal) nominal = start - start % range_bytes;  // skip ranges a long line spans
  }
  return starts;
}

failure_kind open_memory_range(memory_ranges* ranges, int k, byte_source* source) {
  const char* data = ranges->text->data();
  const std::int64_t first = k == 0 ? 0 : ranges->starts[k - 1];
  const std::int64_t last = k == static_cast<int>(ranges->starts.size())
                                ? static_cast<std::int64_t>(ranges->text->size())
                                : ranges->starts[k];
  ranges->cursors[k] = {data + first, data + last};
  *source = memory_byte_source(&ranges->cursors[k]);
  return failure_kind::none;
}

namespace {

failure_kind open_memory(void* context, int k, byte_source* source) {
  return open_memory_range(static_cast<memory_ranges*>(context), k, source);
}

void close_memory(void*, int) {}

}  // namespace

text_ranges memory_text_ranges(memory_ranges* ranges) {
  ranges->cursors.assign(ranges->starts.size() + 1, memory_cursor{});
  return {ranges, static_cast<int>(ranges->starts.size()) + 1, compression_format::none,
          open_memory, close_memory};
}

}  // namespace quarnel
