// Entries written to places spread over large arrays, one place per column
// and many columns at once, reach the arrays through a stage: each entry is
// first appended to the buffer of its band (a stretch of the arrays' places),
// and a full buffer is written out at once. The arrays are then written a
// band at a time, within the reach of the processor's address cache, where
// writing each entry straight to its place would miss that cache on nearly
// every entry (costly above all in a virtual machine).
#pragma once

#include <cstdint>

#include "platform/growable_array.h"

namespace quarnel {

struct staged_entry {
  std::uint64_t place;
  std::uint64_t row;
  double value;
};

struct staged_scatter {
  double* values = nullptr;  // the arrays written
  std::uint64_t* rows = nullptr;
  int band_shift = 0;        // a place's band: place >> band_shift
  std::int64_t bands = 0;
  growable_array<staged_entry> stage;    // `bands` buffers of `band_room` entries
  growable_array<std::uint32_t> staged;  // entries held in each buffer
};

constexpr std::uint32_t band_room = 64;

// The bytes of the stage for arrays of `room` places.
std::uint64_t staged_scatter_bytes(std::int64_t room);

// Stages entries for arrays of `room` places. False when out of memory.
bool staged_scatter_open(staged_scatter* scatter, double* values, std::uint64_t* rows,
                         std::int64_t room);
// Writes out everything staged.
void staged_scatter_flush(staged_scatter* scatter);

void staged_scatter_flush_band(staged_scatter* scatter, std::int64_t band);

inline void staged_scatter_put(staged_scatter* scatter, std::uint64_t place, std::uint64_t row,
                               double value) {
  const std::int64_t band = static_cast<std::int64_t>(place >> scatter->band_shift);
  const std::uint32_t count = scatter->staged[band];
  scatter->stage[band * band_room + count] = {place, row, value};
  scatter->staged[band] = count + 1;
  if (count + 1 == band_room) staged_scatter_flush_band(scatter, band);
}

}  // namespace quarnel
