#include "reader/memory_need.h"

#include "numbers/saturating_arithmetic.h"

namespace quarnel {

namespace {

std::uint64_t count_of(std::int64_t count) {
  return count > 0 ? static_cast<std::uint64_t>(count) : 0;
}

// Values as doubles, row indices and column starts as 64-bit integers, as
// both hosts keep them on 64-bit systems.
constexpr std::uint64_t value_bytes = 8;
constexpr std::uint64_t index_bytes = 8;

std::uint64_t sparse_bytes(std::int64_t columns, std::int64_t entries) {
  const std::uint64_t stored = entries > 0 ? count_of(entries) : 1;
  return saturating_sum(saturating_product(stored, value_bytes + index_bytes),
                        saturating_product(saturating_sum(count_of(columns), 1), index_bytes));
}

// `bytes` in tenths of `unit`, rounded up or down.
std::uint64_t tenths(std::uint64_t bytes, std::uint64_t unit, bool round_up) {
  const std::uint64_t tenth = unit / 10;
  return bytes / tenth + (round_up && bytes % tenth != 0 ? 1 : 0);
}

// "33.6 GB", or "512.0 MB" for less than 1 GB (after rounding).
std::string figure_text(std::uint64_t bytes, bool round_up) {
  std::uint64_t count = tenths(bytes, 1000000, round_up);
  const char* unit = " MB";
  if (count >= 10000) {
    count = tenths(bytes, 1000000000, round_up);
    unit = " GB";
  }
  return std::to_string(count / 10) + "." + std::to_string(count % 10) + unit;
}

}  // namespace

std::uint64_t output_bytes(const output_counts& counts) {
  return saturating_sum(saturating_sum(sparse_bytes(counts.label_count, counts.label_entry_count),
                                       sparse_bytes(counts.feature_count, counts.pair_entry_count)),
                        saturating_product(saturating_sum(count_of(counts.label_count),
                                                          count_of(counts.query_id_count)),
                                           value_bytes));
}

std::uint64_t peak_memory_need(const output_counts& counts, bool host_copies_outputs,
                               std::uint64_t working_bytes) {
  const std::uint64_t outputs = output_bytes(counts);
  return saturating_sum(saturating_sum(outputs, host_copies_outputs ? outputs : 0), working_bytes);
}

std::string not_enough_memory_message(const char* fname, std::uint64_t need,
                                      std::uint64_t available) {
  return "not enough memory to read input file " + std::string(fname) + ": its outputs need " +
         figure_text(need, true) + " and " + figure_text(available, false) + " are available\n";
}

}  // namespace quarnel
