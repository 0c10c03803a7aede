#include "reader/fill/fill_scan.h"

#include <limits>

#include "platform/growable_array.h"
#include "reader/syntax/duplicate_index.h"
#include "reader/syntax/file_header.h"
#include "reader/syntax/line_loop.h"
#include "reader/syntax/line_scanner.h"

namespace quarnel {
namespace {

// Flags of the labels met in the current instance, by column (in_order)
// or by the range's own label position (by_range).
struct seen_labels {
  growable_array<unsigned char> flags;
  growable_array<std::int64_t> set;  // flagged positions, to clear them at the line's end
  std::int64_t set_count = 0;
};

struct fill_state {
  const range_fill* fill = nullptr;
  seen_labels seen;
  index_scratch scratch;
  std::int64_t instance = 0;  // row of the current instance
  std::int64_t instances_filled = 0;
  std::int64_t label_tokens = 0;
  std::int64_t labels_filled = 0;
  std::int64_t pairs_filled = 0;
};

// Writes one entry at its place. Entries go straight to their places: a
// stage per band of places, tried before, cost more than the cache misses
// it saved, with huge pages and without.
inline void put_entry(const sparse_columns& columns, std::int64_t place, std::uint64_t row,
                      double value) {
  columns.values[place] = value;
  columns.rows[place] = row;
}

// Where entries go: the next free place of their column.
template <placing how>
struct places;

template <>
struct places<placing::in_order> {
  // The label's column, or -1 when the file has no such label.
  static std::int64_t label_key(const range_fill& fill, std::int32_t label) {
    const std::int64_t column = label_dictionary_find(*fill.dictionary, label);
    return column == fill.dictionary->label_count ? -1 : column;
  }
  static std::int64_t label_place(const range_fill& fill, std::int64_t key) {
    const std::uint64_t place = fill.labels.starts[key + 1]++;
    return place < static_cast<std::uint64_t>(fill.labels.room) ? static_cast<std::int64_t>(place) : -1;
  }
  static std::int64_t pair_place(const range_fill& fill, std::int32_t index) {
    const std::uint64_t place = fill.pairs.starts[std::int64_t{index} - fill.sizes->min_index + 1]++;
    return place < static_cast<std::uint64_t>(fill.pairs.room) ? static_cast<std::int64_t>(place) : -1;
  }
};

template <>
struct places<placing::by_range> {
  // The range's own position of the label, or -1 when it has no such label.
  static std::int64_t label_key(const range_fill& fill, std::int32_t label) {
    const label_dictionary& own = fill.tally->labels;
    const std::int64_t position = label_dictionary_find(own, label);
    return position == own.label_count ? -1 : position;
  }
  static std::int64_t take(column_places* places, std::uint64_t start) {
    if (places == nullptr || places->next == places->end) return -1;
    return static_cast<std::int64_t>(start + places->next++);
  }
  static std::int64_t label_place(const range_fill& fill, std::int64_t key) {
    return take(&fill.tally->label_slots[key].places, fill.labels.starts[fill.label_columns[key]]);
  }
  static std::int64_t pair_place(const range_fill& fill, std::int32_t index) {
    return take(column_tally_places(fill.tally->features, index),
                fill.pairs.starts[std::int64_t{index} - fill.sizes->min_index]);
  }
};

// Fills the entries of one instance, whole or in pieces read on with
// `more`. Returns the failure, if any.
template <placing how, class More>
read_failure fill_instance(fill_state* state, line_piece line, More more, std::int64_t line_number) {
  const range_fill& fill = *state->fill;
  const problem_sizes& sizes = *fill.sizes;
  const std::uint64_t row = static_cast<std::uint64_t>(state->instance);
  bool ascending = true;
  std::int64_t previous_index = INT64_MIN;
  seen_labels& seen = state->seen;
  double query_id = std::numeric_limits<double>::quiet_NaN();
  read_failure walked = walk_line(
      line, more,
      [&](std::int32_t label) {
        ++state->label_tokens;
        const std::int64_t key = places<how>::label_key(fill, label);
        if (key < 0) return read_error::file_changed;
        if (seen.flags[key]) {
          fill.duplicates.report(fill.duplicates.context, label, state->instance + 1);
          return read_error::none;
        }
        const std::int64_t place = places<how>::label_place(fill, key);
        if (place < 0) return read_error::file_changed;
        seen.flags[key] = 1;
        seen.set[seen.set_count++] = key;
        put_entry(fill.labels, place, row, 1.0);
        ++state->labels_filled;
        return read_error::none;
      },
      [&](std::int64_t id) {
        query_id = static_cast<double>(id);
        return read_error::none;
      },
      [&](std::int32_t index, const char* value_first, const char* line_last, std::int64_t at,
          std::int64_t) {
        std::int64_t place = -1;
        if (index >= sizes.min_index && index <= sizes.max_index)
          place = places<how>::pair_place(fill, index);
        if (place < 0) return pair_read{value_first, read_error::file_changed};
        double value = 0;
        const number_read read = convert_double(value_first, line_last, &value);
        if (read.error != number_error::none)
          return pair_read{value_first, read_error::value_not_number};
        const char* value_end = read.end;
        put_entry(fill.pairs, place, row, value);
        ++state->pairs_filled;
        if (index <= previous_index) ascending = false;
        previous_index = index;
        // A line in pieces cannot be walked again: its pairs are kept as read.
        if (More::streams && !index_scratch_add(&state->scratch, index, at))
          return pair_read{value_end, read_error::out_of_memory};
        return pair_read{value_end, read_error::none};
      });
  for (std::int64_t i = 0; i < seen.set_count; ++i) seen.flags[seen.set[i]] = 0;
  seen.set_count = 0;
  if (fill.query_ids != nullptr) fill.query_ids[row] = query_id;
  std::int64_t column = 0;
  bool failed = walked.error == read_error::out_of_memory;
  const bool repeated =
      !ascending && !failed &&
      (More::streams ? earliest_repeat(&state->scratch, &column)
                     : find_duplicate_index(line.first, line.last, INT64_MAX, &state->scratch,
                                            &column, &failed));
  state->scratch.count = 0;
  if (walked.error == read_error::file_changed) return failure_of(read_error::file_changed);
  if (failed) return failure_of(read_error::out_of_memory);
  if (walked.error == read_error::value_not_number) {
    walked.line = line_number;
    return walked;
  }
  // Any other fault in a line the sizing scan accepted means new content.
  if (walked.error != read_error::none || repeated) return failure_of(read_error::file_changed);
  return no_failure();
}

template <placing how>
read_failure fill_lines(fill_state* state, line_reader* reader) {
  const range_fill& fill = *state->fill;
  const range_tally& tally = *fill.tally;
  const bool header_expected = fill.holds_first_line && fill.sizes->header.present;
  bool header_seen = false;
  const read_failure failure = for_each_line(
      reader, {fill.holds_first_line},
      [&](const file_header& header, const read_failure& fault) {
        // The same header as the sizing scan read, or the file changed.
        if (!header_expected || fault.error != read_error::none || !(header == fill.sizes->header))
          return failure_of(read_error::file_changed);
        header_seen = true;
        return no_failure();
      },
      [&](line_piece line, auto more, std::int64_t line_number) {
        if (state->instances_filled == tally.instance_count || header_seen != header_expected)
          return failure_of(read_error::file_changed);
        const read_failure filled = fill_instance<how>(state, line, more, line_number);
        if (filled.error == read_error::none) {
          ++state->instance;
          ++state->instances_filled;
        }
        return filled;
      });
  if (failure.error != read_error::none) return failure;
  if (state->instances_filled != tally.instance_count || header_seen != header_expected ||
      state->label_tokens != tally.label_entry_count ||
      state->labels_filled != tally.label_entry_count - tally.repeated_labels ||
      state->pairs_filled != tally.element_count)
    return failure_of(read_error::file_changed);
  return no_failure();
}

}  // namespace

read_failure fill_scan(line_reader* reader, const range_fill& fill) {
  fill_state state;
  state.fill = &fill;
  state.instance = fill.first_instance;
  // One flag per column (in_order) or per label of the range (by_range).
  const std::int64_t keys =
      fill.how == placing::in_order ? fill.dictionary->label_count : fill.tally->labels.label_count;
  if (!state.seen.flags.assign(keys, true) || !state.seen.set.assign(keys, false))
    return failure_of(read_error::out_of_memory);
  return fill.how == placing::in_order ? fill_lines<placing::in_order>(&state, reader)
                                       : fill_lines<placing::by_range>(&state, reader);
}

}  // namespace quarnel
