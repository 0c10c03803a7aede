#include "reader/sizing/scan_merge.h"

#include <cstdlib>
#include <cstring>

#include "reader/sizing/index_bounds.h"

namespace quarnel {
namespace {

// Counts per column into starts[0 .. columns), then turns them into the
// columns' starts, ending with the entry count in starts[columns]; for
// in_order, each start moves up one place to serve as the cursor.
void starts_from_counts(std::uint64_t* starts, std::int64_t columns, placing how) {
  std::uint64_t running = 0;
  for (std::int64_t c = 0; c < columns; ++c) {
    const std::uint64_t count = starts[c];
    starts[c] = running;
    running += count;
  }
  starts[columns] = running;
  if (how == placing::in_order) {
    if (columns > 0) std::memmove(starts + 1, starts, static_cast<std::size_t>(columns) * sizeof *starts);
    starts[0] = 0;
  }
}

// Adds a range's `count` to its column and, for by_range, gives the range
// its places there; false when they pass 32 bits.
bool take_places(std::uint32_t count, column_places* places, std::uint64_t* column_count,
                 placing how) {
  if (how == placing::by_range) {
    if (*column_count > UINT32_MAX - count) return false;
    places->next = static_cast<std::uint32_t>(*column_count);
    places->end = places->next + count;
  }
  *column_count += count;
  return true;
}

}  // namespace

bool merge_tallies(const range_tally* tallies, int count, const read_options& options,
                   problem_sizes* sizes, label_dictionary* dictionary,
                   growable_array<std::int64_t>* label_columns) {
  *sizes = problem_sizes{};
  sizes->min_index = 1;
  sizes->max_index = 0;
  // The caller's labels take the first columns, used or not.
  for (std::int32_t label : options.label_map)
    if (label_dictionary_find_or_add(dictionary, label) < 0) return false;
  for (int r = 0; r < count; ++r) {
    const range_tally& tally = tallies[r];
    sizes->instance_count += tally.instance_count;
    sizes->label_entry_count += tally.label_entry_count;
    sizes->repeated_labels += tally.repeated_labels;
    sizes->element_count += tally.element_count;
    sizes->query_id_count += tally.query_id_count;
    if (tally.min_index < sizes->min_index) sizes->min_index = tally.min_index;
    if (tally.max_index > sizes->max_index) sizes->max_index = tally.max_index;
    if (r == 0) sizes->header = tally.header;
    const std::int64_t local_count = tally.labels.label_count;
    if (!label_columns[r].assign(local_count, false)) return false;
    for (std::int64_t j = 0; j < local_count; ++j) {
      const std::int64_t column = label_dictionary_find_or_add(dictionary, tally.labels.labels[j]);
      if (column < 0) return false;
      label_columns[r][j] = column;
    }
  }
  sizes->label_count = dictionary->label_count;
  const column_indices columns = fixed_columns(options.base, options.width, sizes->header);
  if (columns.fixed) {
    // Every index read lies in the columns fixed, as the sizing scan checked.
    sizes->min_index = static_cast<std::int32_t>(columns.first);
    if (options.width >= 0)
      sizes->max_index = columns.last;
    else if (sizes->header.present)
      sizes->max_index = sizes->header.features - 1;
    else if (sizes->element_count == 0)
      sizes->max_index = columns.first - 1;
  } else if (options.width >= 0) {
    // The width counts from the file's own base.
    sizes->max_index = std::int64_t{sizes->min_index} + options.width - 1;
  }
  return true;
}

int first_range_above_width(const range_tally* tallies, int count, const problem_sizes& sizes) {
  for (int r = 0; r < count; ++r)
    if (tallies[r].element_count > 0 && tallies[r].max_index > sizes.max_index) return r;
  return -1;
}

bool lay_out_columns(range_tally* tallies, int count, const problem_sizes& sizes,
                     const growable_array<std::int64_t>* label_columns, sparse_columns labels,
                     sparse_columns pairs, placing how) {
  const std::int64_t label_count = sizes.label_count;
  const std::int64_t columns = feature_count(sizes);
  std::memset(labels.starts, 0, static_cast<std::size_t>(label_count + 1) * sizeof *labels.starts);
  std::memset(pairs.starts, 0, static_cast<std::size_t>(columns + 1) * sizeof *pairs.starts);
  bool fits = true;
  for (int r = 0; r < count; ++r) {
    range_tally& tally = tallies[r];
    for (std::int64_t j = 0; j < tally.labels.label_count; ++j) {
      column_slot& slot = tally.label_slots[j];
      fits &= take_places(slot.count, &slot.places, &labels.starts[label_columns[r][j]], how);
    }
    column_tally_each(tally.features,
                      [&](std::int32_t index, std::uint32_t count, column_places& places) {
                        if (count == 0) return;
                        fits &= take_places(count, &places,
                                            &pairs.starts[std::int64_t{index} - sizes.min_index], how);
                      });
  }
  starts_from_counts(labels.starts, label_count, how);
  starts_from_counts(pairs.starts, columns, how);
  return fits;
}

read_error columns_filled_as_counted(const range_tally* tallies, int count,
                                     const problem_sizes& sizes,
                                     const growable_array<std::int64_t>* label_columns,
                                     const sparse_columns& labels, const sparse_columns& pairs) {
  // Column c ended at starts[c + 1]; it began where column c - 1 ended.
  growable_array<std::uint64_t> label_counts;
  if (!label_counts.assign(sizes.label_count + 1, true)) return read_error::out_of_memory;
  for (int r = 0; r < count; ++r)
    for (std::int64_t j = 0; j < tallies[r].labels.label_count; ++j)
      label_counts[label_columns[r][j]] += tallies[r].label_slots[j].count;
  bool same = true;
  for (std::int64_t c = 0; c < sizes.label_count && same; ++c)
    same = labels.starts[c + 1] - labels.starts[c] == label_counts[c];
  const std::int64_t columns = feature_count(sizes);
  for (std::int64_t c = 0; c < columns && same; ++c) {
    // A width may reach past the largest index a file can hold.
    const std::int64_t index = c + sizes.min_index;
    std::uint64_t counted = 0;
    for (int r = 0; r < count && index <= INT32_MAX; ++r)
      counted += column_tally_count_of(tallies[r].features, static_cast<std::int32_t>(index));
    same = pairs.starts[c + 1] - pairs.starts[c] == counted;
  }
  return same ? read_error::none : read_error::file_changed;
}

}  // namespace quarnel
