#include "reader/memory_guard.h"

#include "numbers/saturating_arithmetic.h"
#include "reader/text/line_reader.h"

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

std::uint64_t tally_bytes(const range_tally& tally) {
  return static_cast<std::uint64_t>(column_tally_bytes(tally.features)) +
         static_cast<std::uint64_t>(tally.label_slots.room()) * sizeof(column_slot) +
         static_cast<std::uint64_t>(tally.labels.labels.room()) * label_dictionary_bytes_per_room;
}

std::uint64_t fill_thread_bytes(std::int64_t, std::int64_t) { return longest_whole_line; }

}  // namespace quarnel
