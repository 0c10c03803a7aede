#include "reader/sizing/label_dictionary.h"

#include <cstdlib>

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

label_slot* allocate_free_slots(std::uint64_t count) {
  label_slot* slots = static_cast<label_slot*>(std::malloc(count * sizeof(label_slot)));
  if (slots != nullptr)
    for (std::uint64_t i = 0; i < count; ++i) slots[i] = free_slot;
  return slots;
}

// Doubles the index, placing every position anew.
bool grow_index(label_dictionary* dictionary) {
  std::uint64_t count = (dictionary->slot_mask + 1) * 2;
  label_slot* slots = allocate_free_slots(count);
  if (slots == nullptr) return false;
  std::uint64_t mask = count - 1;
  for (std::int64_t position = 0; position < dictionary->label_count; ++position) {
    std::int32_t label = dictionary->labels[position];
    std::uint64_t slot = first_slot(label, mask);
    while (slots[slot] != free_slot) slot = (slot + 1) & mask;
    slots[slot] = slot_of(label, position);
  }
  std::free(dictionary->slots);
  dictionary->slots = slots;
  dictionary->slot_mask = mask;
  return true;
}

}  // namespace

bool label_dictionary_create(label_dictionary* dictionary) {
  *dictionary = label_dictionary{};
  dictionary->labels = static_cast<std::int32_t*>(std::malloc(initial_room * sizeof(std::int32_t)));
  dictionary->room = initial_room;
  dictionary->slots = allocate_free_slots(2 * initial_room);
  dictionary->slot_mask = 2 * initial_room - 1;
  if (dictionary->labels == nullptr || dictionary->slots == nullptr) {
    label_dictionary_release(dictionary);
    return false;
  }
  return true;
}

void label_dictionary_release(label_dictionary* dictionary) {
  std::free(dictionary->labels);
  std::free(dictionary->slots);
  *dictionary = label_dictionary{};
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
  if (dictionary->label_count == dictionary->room) {
    std::int64_t room = dictionary->room * 2;
    void* grown = std::realloc(dictionary->labels, static_cast<std::size_t>(room) * sizeof(std::int32_t));
    if (grown == nullptr) return -1;
    dictionary->labels = static_cast<std::int32_t*>(grown);
    dictionary->room = room;
  }
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
