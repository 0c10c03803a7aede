#include "reader/text/text_ranges.h"

#include <cstring>

namespace quarnel {

std::int64_t next_line_start(std::int64_t at, std::int64_t size, void* context,
                             read_at_function read_at) {
  char block[1 << 16];
  while (at < size) {
    const std::int64_t wanted = size - at < std::int64_t{sizeof block} ? size - at : sizeof block;
    const std::size_t count = read_at(context, at, block, static_cast<std::size_t>(wanted));
    if (count == 0) return -1;
    const void* newline = std::memchr(block, '\n', count);
    if (newline != nullptr) return at + (static_cast<const char*>(newline) - block) + 1;
    at += static_cast<std::int64_t>(count);
  }
  return size;
}

byte_span part_of_text(std::int64_t size, std::int64_t offset, std::int64_t length,
                       void* context, read_at_function read_at) {
  if (offset >= size) return {size, size};
  // A line starting exactly at the offset belongs to the part before.
  const std::int64_t first = offset == 0 ? 0 : next_line_start(offset, size, context, read_at);
  if (first < 0 || length == 0 || offset + length >= size) return {first, size};
  const std::int64_t last = next_line_start(offset + length, size, context, read_at);
  return {first, last < 0 ? -1 : last};
}

std::vector<std::int64_t> line_aligned_starts(byte_span span, std::int64_t range_bytes,
                                              void* context, read_at_function read_at) {
  std::vector<std::int64_t> starts;
  if (range_bytes <= 0 || span.last - span.first <= range_bytes) return starts;
  std::int64_t previous = span.first;
  for (std::int64_t nominal = span.first + range_bytes; nominal < span.last;
       nominal += range_bytes) {
    // The range starts after the first newline from nominal - 1 on, so a
    // line that begins exactly at the nominal start stays whole in it.
    const std::int64_t start =
        next_line_start(nominal - 1 < previous ? previous : nominal - 1, span.last, context, read_at);
    if (start < 0 || start >= span.last) break;
    if (start > previous) starts.push_back(start);
    previous = start;
    // Skip the nominal starts a long line spans.
    if (start > nominal) nominal = start - (start - span.first) % range_bytes;
  }
  return starts;
}

std::vector<std::int64_t> line_aligned_starts(std::int64_t size, std::int64_t range_bytes,
                                              void* context, read_at_function read_at) {
  return line_aligned_starts(byte_span{0, size}, range_bytes, context, read_at);
}

read_error open_memory_range(memory_ranges* ranges, int k, byte_source* source) {
  const char* data = ranges->text->data();
  const std::int64_t first = k == 0 ? 0 : ranges->starts[k - 1];
  const std::int64_t last = k == static_cast<int>(ranges->starts.size())
                                ? static_cast<std::int64_t>(ranges->text->size())
                                : ranges->starts[k];
  ranges->cursors[k] = {data + first, data + last};
  *source = memory_byte_source(&ranges->cursors[k]);
  return read_error::none;
}

namespace {

read_error open_memory(void* context, int k, byte_source* source) {
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
