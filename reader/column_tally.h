// Entries counted per feature index, for one byte range of the file.
//
// Indices are 32-bit and a file may use a few that lie far apart, so the
// counts live in pages of 4096 indices, made only when an index of the page
// is met, under a directory that spans just the pages between the lowest
// and highest index seen. Memory follows the indices a range uses, not the
// width they span.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarnel {

// One column's share of a range: during the sizing scan `left` counts the
// range's entries in the column; before the fill, `next` becomes the
// range's first place in the column, relative to the column's start, and
// the fill takes places from it while `left` runs down to 0.
struct column_slot {
  std::uint32_t next;
  std::uint32_t left;
};

constexpr int tally_page_bits = 12;
constexpr std::int64_t tally_page_size = std::int64_t{1} << tally_page_bits;

struct column_tally {
  column_slot** pages;     // directory: page `first_page + i` at pages[i], or null
  std::int64_t first_page;  // page number of pages[0]
  std::int64_t page_count;  // directory entries in use
  std::int64_t room;        // directory entries allocated
};

// Page number of an index: pages cover the whole 32-bit range from its bottom.
inline std::int64_t tally_page_of(std::int32_t index) {
  return (std::int64_t{index} - INT32_MIN) >> tally_page_bits;
}

inline std::int64_t tally_offset_of(std::int32_t index) {
  return (std::int64_t{index} - INT32_MIN) & (tally_page_size - 1);
}

void column_tally_release(column_tally* tally);

// The slot of `index`, made (zeroed) when absent; null when out of memory.
column_slot* column_tally_make(column_tally* tally, std::int32_t index);

// The slot of `index`, or null when no entry of the range has it.
inline column_slot* column_tally_find(const column_tally& tally, std::int32_t index) {
  const std::int64_t page = tally_page_of(index) - tally.first_page;
  if (page < 0 || page >= tally.page_count || tally.pages[page] == nullptr) return nullptr;
  return &tally.pages[page][tally_offset_of(index)];
}

// Counts one entry of `index`; false when out of memory or when the count
// would pass 32 bits.
inline bool column_tally_count(column_tally* tally, std::int32_t index) {
  column_slot* slot = column_tally_find(*tally, index);
  if (slot == nullptr && (slot = column_tally_make(tally, index)) == nullptr) return false;
  if (slot->left == UINT32_MAX) return false;
  ++slot->left;
  return true;
}

// Calls visit(index, column_slot&) for every slot of a made page, in
// ascending index order (slots of indices never counted included, at 0).
template <class Visit>
void column_tally_each(const column_tally& tally, Visit&& visit) {
  for (std::int64_t i = 0; i < tally.page_count; ++i) {
    column_slot* page = tally.pages[i];
    if (page == nullptr) continue;
    const std::int64_t base = ((tally.first_page + i) << tally_page_bits) + INT32_MIN;
    for (std::int64_t k = 0; k < tally_page_size; ++k)
      visit(static_cast<std::int32_t>(base + k), page[k]);
  }
}

// Bytes the tally holds.
std::int64_t column_tally_bytes(const column_tally& tally);

}  // namespace quarnel
