#include "reader/syntax/duplicate_index.h"

#include <algorithm>

#include "reader/syntax/line_scanner.h"

namespace quarnel {

bool earliest_repeat(index_scratch* scratch, std::int64_t* column) {
  index_at* entries = scratch->entries.data();
  const std::size_t count = scratch->count;
  scratch->count = 0;
  std::sort(entries, entries + count, [](const index_at& a, const index_at& b) {
    return a.index != b.index ? a.index < b.index : a.column < b.column;
  });
  bool found = false;
  for (std::size_t i = 1; i < count; ++i) {
    if (entries[i].index == entries[i - 1].index && (!found || entries[i].column < *column)) {
      found = true;
      *column = entries[i].column;
    }
  }
  return found;
}

bool find_duplicate_index(const char* first, const char* last, std::int64_t count,
                          index_scratch* scratch, std::int64_t* column, bool* failed) {
  scratch->count = 0;
  // Pairs past the first `count` are passed over: the walk goes on to its
  // end or to the line's bad token, whichever comes first.
  scan_line(
      first, last, [](std::int32_t) { return read_error::none; },
      [&](std::int32_t index, const char*, const char*, std::int64_t at, std::int64_t) {
        if (static_cast<std::int64_t>(scratch->count) == count || *failed)
          return pair_read{nullptr, read_error::none};
        if (!index_scratch_add(scratch, index, at)) *failed = true;
        return pair_read{nullptr, read_error::none};
      });
  if (*failed) {
    scratch->count = 0;
    return false;
  }
  return earliest_repeat(scratch, column);
}

}  // namespace quarnel
