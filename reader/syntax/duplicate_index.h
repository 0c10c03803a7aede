// Finds a feature index written twice in one line. Lines whose indices
// ascend cannot hold one; only other lines need this check, which sorts
// the line's pairs (index and column) in a scratch array: 16 bytes a pair,
// whatever the white space between them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/growable_array.h"

namespace quarnel {

struct index_at {
  std::int32_t index;
  std::int64_t column;  // 0-based offset of the pair in its line
};

struct index_scratch {
  growable_array<index_at> entries;
  std::size_t count = 0;
};

// Adds one pair of the line; returns false when out of memory.
inline bool index_scratch_add(index_scratch* scratch, std::int32_t index, std::int64_t column) {
  const std::int64_t count = static_cast<std::int64_t>(scratch->count);
  if (!scratch->entries.reserve(count + 1, false, 256)) return false;
  scratch->entries[count] = {index, column};
  ++scratch->count;
  return true;
}

// Among the pairs added since the scratch was last emptied: true, with
// `*column` the 0-based column of the earliest pair that repeats an index,
// when there is one. Empties the scratch.
bool earliest_repeat(index_scratch* scratch, std::int64_t* column);

// Checks the first `count` pairs of the whole line [first, last), which
// are well formed: true, with `*column` the 0-based column of the earliest
// pair that repeats an index, when there is one. Out of memory sets
// `*failed`.
bool find_duplicate_index(const char* first, const char* last, std::int64_t count,
                          index_scratch* scratch, std::int64_t* column, bool* failed);

}  // namespace quarnel
