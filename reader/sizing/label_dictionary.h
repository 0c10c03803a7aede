// The distinct labels of a file, in order of first appearance.
//
// `labels[0 .. label_count)` is what becomes label_map; a label's position
// there is its row in label_vector. An open-addressing hash index over the
// positions makes find take constant time, however many labels there are.
#pragma once

#include <cstdint>

#include "platform/growable_array.h"

namespace quarnel {

// A slot of the hash index: the label in the high 32 bits, its position in
// the low 32 bits; all bits set when free. Eight bytes keep the index small
// enough to stay in cache for hundreds of thousands of labels.
using label_slot = std::uint64_t;

struct label_dictionary {
  growable_array<std::int32_t> labels;  // the first label_count hold labels
  std::int64_t label_count = 0;
  growable_array<label_slot> slots;     // a power of two of them, at most half in use
  std::uint64_t slot_mask = 0;
};

// Bytes a dictionary with room for `room` labels holds: a label each, and
// the hash index's two slots per label.
constexpr std::int64_t label_dictionary_bytes_per_room = sizeof(std::int32_t) + 2 * sizeof(label_slot);

// Empties the dictionary, with room for 16 labels; false when out of memory.
bool label_dictionary_create(label_dictionary* dictionary);

// The position of `label`, or label_count when it is absent.
std::int64_t label_dictionary_find(const label_dictionary& dictionary, std::int32_t label);

// The position of `label`, appending it first when it is absent (doubling
// the room when full). Returns -1 when out of memory.
std::int64_t label_dictionary_find_or_add(label_dictionary* dictionary, std::int32_t label);

}  // namespace quarnel
