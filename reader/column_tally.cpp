#include "column_tally.h"

#include <cstdlib>
#include <cstring>

namespace quarnel {
namespace {

// Grows the directory so that it spans `page`; false when out of memory.
bool span_page(column_tally* tally, std::int64_t page) {
  if (tally->page_count == 0) {
    if (tally->room == 0) {
      tally->pages = static_cast<column_slot**>(std::calloc(16, sizeof(column_slot*)));
      if (tally->pages == nullptr) return false;
      tally->room = 16;
    }
    tally->first_page = page;
    tally->page_count = 1;
    return true;
  }
  const std::int64_t first = page < tally->first_page ? page : tally->first_page;
  const std::int64_t last_used = tally->first_page + tally->page_count - 1;
  const std::int64_t last = page > last_used ? page : last_used;
  const std::int64_t count = last - first + 1;
  if (count > tally->room) {
    std::int64_t room = tally->room * 2;
    while (room < count) room *= 2;
    column_slot** grown =
        static_cast<column_slot**>(std::calloc(static_cast<std::size_t>(room), sizeof(column_slot*)));
    if (grown == nullptr) return false;
    std::memcpy(grown + (tally->first_page - first), tally->pages,
                static_cast<std::size_t>(tally->page_count) * sizeof(column_slot*));
    std::free(tally->pages);
    tally->pages = grown;
    tally->room = room;
  } else if (first < tally->first_page) {
    const std::int64_t shift = tally->first_page - first;
    std::memmove(tally->pages + shift, tally->pages,
                 static_cast<std::size_t>(tally->page_count) * sizeof(column_slot*));
    std::memset(tally->pages, 0, static_cast<std::size_t>(shift) * sizeof(column_slot*));
  }
  tally->first_page = first;
  tally->page_count = count;
  return true;
}

}  // namespace

void column_tally_release(column_tally* tally) {
  for (std::int64_t i = 0; i < tally->page_count; ++i) std::free(tally->pages[i]);
  std::free(tally->pages);
  *tally = column_tally{};
}

column_slot* column_tally_make(column_tally* tally, std::int32_t index) {
  const std::int64_t page = tally_page_of(index);
  if (!span_page(tally, page)) return nullptr;
  column_slot*& made = tally->pages[page - tally->first_page];
  if (made == nullptr) {
    made = static_cast<column_slot*>(std::calloc(tally_page_size, sizeof(column_slot)));
    if (made == nullptr) return nullptr;
  }
  return &made[tally_offset_of(index)];
}

std::int64_t column_tally_bytes(const column_tally& tally) {
  std::int64_t bytes = tally.room * static_cast<std::int64_t>(sizeof(column_slot*));
  for (std::int64_t i = 0; i < tally.page_count; ++i)
    if (tally.pages[i] != nullptr) bytes += tally_page_size * static_cast<std::int64_t>(sizeof(column_slot));
  return bytes;
}

}  // namespace quarnel
