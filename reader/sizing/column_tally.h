// Entries counted per feature index, for one byte range of the file.
//
// Indices are 32-bit and a file may use a few that lie far apart, so the
// counts live in pages of 4096 indices, made only when an index of the page
// is met, under two levels of directories of 1024 entries each, also made
// only when needed. Memory follows the indices a range uses, not the width
// they span: two indices 2^32 apart cost two pages and two directories.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarnel {

constexpr int tally_page_bits = 12;
constexpr int tally_directory_bits = 10;
constexpr std::uint32_t tally_page_size = std::uint32_t{1} << tally_page_bits;
constexpr std::uint32_t tally_directory_size = std::uint32_t{1} << tally_directory_bits;

// A range's places in one column, for a fill of the ranges at once: the
// layout gives the range its places there, from `next` (relative to the
// column's start) up to `end`, and the fill takes them in turn.
struct column_places {
  std::uint32_t next;
  std::uint32_t end;
};

// One label column's share of a range: the sizing scan's count of the
// range's entries there, and apart, its places.
struct column_slot {
  std::uint32_t count;
  column_places places;
};

// The feature columns of one page: their counts side by side, apart from
// their places, so that the sizing scan, which only counts, reads a third
// of the page's bytes.
struct tally_page_columns {
  std::uint32_t counts[tally_page_size];
  column_places places[tally_page_size];
};

using tally_page = tally_page_columns*;
using tally_directory = tally_page*;

struct column_tally {
  tally_directory* directories = nullptr;  // tally_directory_size of them, or null before the first count

  column_tally() = default;
  column_tally(const column_tally&) = delete;
  column_tally& operator=(const column_tally&) = delete;
  column_tally(column_tally&& other) noexcept : directories(other.directories) {
    other.directories = nullptr;
  }
  column_tally& operator=(column_tally&& other) noexcept;
  ~column_tally();
};

// An index as an unsigned offset from the bottom of the 32-bit range, so
// that pages ascend with the indices.
inline std::uint32_t tally_key(std::int32_t index) {
  return static_cast<std::uint32_t>(index) ^ 0x80000000u;
}

// The page of `key`, or null when no entry of the range lies in it.
inline tally_page column_tally_page(const column_tally& tally, std::uint32_t key) {
  if (tally.directories == nullptr) return nullptr;
  const tally_directory directory = tally.directories[key >> (tally_page_bits + tally_directory_bits)];
  if (directory == nullptr) return nullptr;
  return directory[(key >> tally_page_bits) & (tally_directory_size - 1)];
}

// The page of `key`, made (zeroed) when absent; null when out of memory.
tally_page column_tally_make_page(column_tally* tally, std::uint32_t key);

// The range's entries of `index`: 0 when it has none.
inline std::uint32_t column_tally_count_of(const column_tally& tally, std::int32_t index) {
  const std::uint32_t key = tally_key(index);
  const tally_page page = column_tally_page(tally, key);
  return page == nullptr ? 0 : page->counts[key & (tally_page_size - 1)];
}

// The places of `index`, or null when no entry of the range lies in its
// page.
inline column_places* column_tally_places(const column_tally& tally, std::int32_t index) {
  const std::uint32_t key = tally_key(index);
  const tally_page page = column_tally_page(tally, key);
  return page == nullptr ? nullptr : &page->places[key & (tally_page_size - 1)];
}

// Counts one entry of `index`; false when out of memory or when the count
// would pass 32 bits.
inline bool column_tally_count(column_tally* tally, std::int32_t index) {
  const std::uint32_t key = tally_key(index);
  tally_page page = column_tally_page(*tally, key);
  if (page == nullptr && (page = column_tally_make_page(tally, key)) == nullptr) return false;
  std::uint32_t& count = page->counts[key & (tally_page_size - 1)];
  if (count == UINT32_MAX) return false;
  ++count;
  return true;
}

// Calls visit(index, std::uint32_t count, column_places& places) for every
// column of a made page, in ascending index order (columns of indices never
// counted included, at 0).
template <class Visit>
void column_tally_each(const column_tally& tally, Visit&& visit) {
  if (tally.directories == nullptr) return;
  for (std::uint32_t d = 0; d < tally_directory_size; ++d) {
    const tally_directory directory = tally.directories[d];
    if (directory == nullptr) continue;
    for (std::uint32_t p = 0; p < tally_directory_size; ++p) {
      const tally_page page = directory[p];
      if (page == nullptr) continue;
      const std::uint32_t first = ((d << tally_directory_bits) | p) << tally_page_bits;
      for (std::uint32_t k = 0; k < tally_page_size; ++k)
        visit(static_cast<std::int32_t>((first | k) ^ 0x80000000u), page->counts[k], page->places[k]);
    }
  }
}

// Bytes the tally holds.
std::int64_t column_tally_bytes(const column_tally& tally);

}  // namespace quarnel
