#include "reader/fill/staged_scatter.h"

#include <cstdlib>

namespace quarnel {

// Bands of at least 2^16 places (512 KiB of each array), and no more than
// 2^12 bands, so that the stage stays within a few MB.
constexpr int smallest_band_shift = 16;
constexpr int most_band_bits = 12;

bool staged_scatter_open(staged_scatter* scatter, double* values, std::uint64_t* rows,
                         std::int64_t room) {
  *scatter = staged_scatter{};
  scatter->values = values;
  scatter->rows = rows;
  int shift = smallest_band_shift;
  while (shift < 62 && (room >> shift) >= (std::int64_t{1} << most_band_bits)) ++shift;
  scatter->band_shift = shift;
  scatter->bands = (room >> shift) + 1;
  scatter->stage = static_cast<staged_entry*>(
      std::malloc(static_cast<std::size_t>(scatter->bands) * band_room * sizeof(staged_entry)));
  scatter->staged = static_cast<std::uint32_t*>(
      std::calloc(static_cast<std::size_t>(scatter->bands), sizeof(std::uint32_t)));
  if (scatter->stage == nullptr || scatter->staged == nullptr) {
    staged_scatter_close(scatter);
    return false;
  }
  return true;
}

void staged_scatter_flush_band(staged_scatter* scatter, std::int64_t band) {
  const staged_entry* entry = scatter->stage + band * band_room;
  const staged_entry* end = entry + scatter->staged[band];
  for (; entry != end; ++entry) {
    scatter->values[entry->place] = entry->value;
    scatter->rows[entry->place] = entry->row;
  }
  scatter->staged[band] = 0;
}

void staged_scatter_close(staged_scatter* scatter) {
  if (scatter->stage != nullptr && scatter->staged != nullptr)
    for (std::int64_t band = 0; band < scatter->bands; ++band)
      staged_scatter_flush_band(scatter, band);
  std::free(scatter->stage);
  std::free(scatter->staged);
  *scatter = staged_scatter{};
}

}  // namespace quarnel
