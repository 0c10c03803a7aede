#include "reader/sizing/label_dictionary.h"

#include <utility>

namespace quarnel {
namespace {

constexpr std::int64_t initial_room = 16;
constexpr label_slot free_slot = ~label_slot{0};
// Positions fit the slot's 32 bits; the free pattern is never a real slot,
// since that would take 2^32 distinct labels, more than any index can hold.
constexpr std::int64_t most_labels = (std::int64_t{1} << 32) - 1;

label_slot slot_of(std::int32_t label, std::int64_t position) {
  return (label_slot{static_cast<std::uint32_t>(label)} << 32) | static_cast<std::uint32_t>(position);
}

std::int32_t label_in(label_slot slot) { return static_cast<std::int32_t>(slot >> 32); }

std::int64_t position_in(label_slot slot) { return static_cast<std::int64_t>(slot & 0xFFFFFFFFu); }

// Fibonacci hashing: spreads consecutive labels, the common case, evenly.
std::uint64_t first_slot(std::int32_t label, std::uint64_t mask) {
  std::uint64_t mixed = static_cast<std::uint32_t>(label) * 0x9E3779B97F4A7C15ull;
  return (mixed >> 32) & mask;
}

// `count` free slots in `slots`, in place of what it held; false when out
// of memory.
bool free_slots(growable_array<label_slot>* slots, std::uint64_t count) {
  if (!slots->assign(static_cast<std::int64_t>(count), false)) return false;
  for (std::uint64_t i = 0; i < count; ++i) (*slots)[static_cast<std::int64_t>(i)] = free_slot;
  return true;
}

// Doubles the index, placing every position anew.
bool grow_index(label_dictionary* dictionary) {
  std::uint64_t count = (dictionary->slot_mask + 1) * 2;
  growable_array<label_slot> slots;
  if (!free_slots(&slots, count)) return false;
  std::uint64_t mask = count - 1;
  for (std::int64_t position = 0; position < dictionary->label_count; ++position) {
    std::int32_t label = dictionary->labels[position];
    std::uint64_t slot = first_slot(label, mask);
    while (slots[static_cast<std::int64_t>(slot)] != free_slot) slot = (slot + 1) & mask;
    slots[static_cast<std::int64_t>(slot)] = slot_of(label, position);
  }
  dictionary->slots = std::move(slots);
  dictionary->slot_mask = mask;
  return true;
}

}  // namespace

bool label_dictionary_create(label_dictionary* dictionary) {
  dictionary->label_count = 0;
  dictionary->slot_mask = 2 * initial_room - 1;
  return dictionary->labels.assign(initial_room, false) &&
         free_slots(&dictionary->slots, 2 * initial_room);
}

std::int64_t label_dictionary_find(const label_dictionary& dictionary, std::int32_t label) {
  std::uint64_t slot = first_slot(label, dictionary.slot_mask);
  for (;;) {
    const label_slot entry = dictionary.slots[slot];
    if (entry == free_slot) return dictionary.label_count;
    if (label_in(entry) == label) return position_in(entry);
    slot = (slot + 1) & dictionary.slot_mask;
  }
}

std::int64_t label_dictionary_find_or_add(label_dictionary* dictionary, std::int32_t label) {
  std::uint64_t slot = first_slot(label, dictionary->slot_mask);
  for (;;) {
    const label_slot entry = dictionary->slots[slot];
    if (entry == free_slot) break;
    if (label_in(entry) == label) return position_in(entry);
    slot = (slot + 1) & dictionary->slot_mask;
  }
  if (dictionary->label_count == most_labels) return -1;
  if (!dictionary->labels.reserve(dictionary->label_count + 1)) return -1;
  std::int64_t position = dictionary->label_count++;
  dictionary->labels[position] = label;
  dictionary->slots[slot] = slot_of(label, position);
  // Keep at most half the slots in use, so that probe runs stay short.
  if (static_cast<std::uint64_t>(dictionary->label_count) * 2 > dictionary->slot_mask + 1 &&
      !grow_index(dictionary)) {
    dictionary->slots[slot] = free_slot;
    --dictionary->label_count;
    return -1;
  }
  return position;
}

}  // namespace quarnel
