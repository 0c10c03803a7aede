// Finds a feature index written twice in one line. Lines whose indices
// ascend cannot hold one; only other lines need this check, which sorts a
// copy of the line's indices in a scratch array bounded by the line length.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scan_error.h"

namespace quarnel {

struct index_at {
  std::int32_t index;
  std::int64_t column;  // 0-based offset of the pair in its line
};

struct index_scratch {
  index_at* entries;
  std::size_t room;
};

void index_scratch_release(index_scratch* scratch);

// Checks the well-formed line [first, last). Returns scan_error::none, or
// scan_error::duplicate_index with `*column` set to the 0-based offset of
// the earliest pair that repeats an index; out-of-memory sets `*failed`.
scan_error find_duplicate_index(const char* first, const char* last, index_scratch* scratch,
                                std::int64_t* column, bool* failed);

}  // namespace quarnel
