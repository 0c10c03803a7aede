#include "reader/fill/staged_scatter.h"

namespace quarnel {

// Bands of at least 2^16 places (512 KiB of each array), and no more than
// 2^12 bands, so that the stage stays within a few MB.
constexpr int smallest_band_shift = 16;
constexpr int most_band_bits = 12;

namespace {

// The shift that makes bands of arrays of `room` places.
int band_shift_for(std::int64_t room) {
  int shift = smallest_band_shift;
  while (shift < 62 && (room >> shift) >= (std::int64_t{1} << most_band_bits)) ++shift;
  return shift;
}

}  // namespace

std::uint64_t staged_scatter_bytes(std::int64_t room) {
  const std::uint64_t bands = static_cast<std::uint64_t>((room >> band_shift_for(room)) + 1);
  return bands * (band_room * sizeof(staged_entry) + sizeof(std::uint32_t));
}

bool staged_scatter_open(staged_scatter* scatter, double* values, std::uint64_t* rows,
                         std::int64_t room) {
  scatter->values = values;
  scatter->rows = rows;
  scatter->band_shift = band_shift_for(room);
  scatter->bands = (room >> scatter->band_shift) + 1;
  return scatter->stage.assign(scatter->bands * band_room, false) &&
         scatter->staged.assign(scatter->bands, true);
}

void staged_scatter_flush_band(staged_scatter* scatter, std::int64_t band) {
  const staged_entry* entry = scatter->stage.data() + band * band_room;
  const staged_entry* end = entry + scatter->staged[band];
  for (; entry != end; ++entry) {
    scatter->values[entry->place] = entry->value;
    scatter->rows[entry->place] = entry->row;
  }
  scatter->staged[band] = 0;
}

void staged_scatter_flush(staged_scatter* scatter) {
  if (scatter->stage.data() == nullptr || scatter->staged.data() == nullptr) return;
  for (std::int64_t band = 0; band < scatter->bands; ++band) staged_scatter_flush_band(scatter, band);
}

}  // namespace quarnel
