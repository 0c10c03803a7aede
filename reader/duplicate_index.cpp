#include "duplicate_index.h"

#include <algorithm>
#include <cstdlib>

#include "line_scanner.h"

namespace quarnel {

void index_scratch_release(index_scratch* scratch) {
  std::free(scratch->entries);
  *scratch = index_scratch{};
}

scan_error find_duplicate_index(const char* first, const char* last, index_scratch* scratch,
                                std::int64_t* column, bool* failed) {
  std::size_t count = 0;
  scan_result walked = scan_line(
      first, last, [](std::int32_t, const char*) { return scan_error::none; },
      [&](std::int32_t index, const char* value_first, const char* line_last, const char* at) {
        if (count == scratch->room) {
          std::size_t room = scratch->room == 0 ? 256 : scratch->room * 2;
          void* grown = std::realloc(scratch->entries, room * sizeof(index_at));
          if (grown == nullptr) return scan_result{at, scan_error::stopped};
          scratch->entries = static_cast<index_at*>(grown);
          scratch->room = room;
        }
        scratch->entries[count++] = {index, at - first};
        return scan_result{skip_to_blank(value_first, line_last), scan_error::none};
      });
  if (walked.error != scan_error::none) {
    *failed = true;
    return scan_error::none;
  }
  index_at* entries = scratch->entries;
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
  return found ? scan_error::duplicate_index : scan_error::none;
}

}  // namespace quarnel
