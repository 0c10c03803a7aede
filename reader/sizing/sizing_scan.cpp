#include "reader/sizing/sizing_scan.h"


#include "reader/sizing/index_bounds.h"
#include "reader/syntax/duplicate_index.h"
#include "reader/syntax/file_header.h"
#include "reader/syntax/line_loop.h"
#include "reader/syntax/line_scanner.h"

namespace quarnel {
namespace {

// The values a header allows; without one, every 32-bit value.
struct allowed_range {
  std::int32_t lowest;
  std::int32_t highest;
  std::int32_t header_value;  // d or L
};

constexpr allowed_range any_value{INT32_MIN, INT32_MAX, 0};

allowed_range below(std::int32_t header_value) { return {0, header_value - 1, header_value}; }


// Per-label flags of the current line, so that a label repeated within it
// is counted once as an entry; grown with the range's dictionary.
struct line_labels {
  growable_array<unsigned char> seen;
  growable_array<std::int64_t> set;  // positions flagged in this line, to clear them
  std::int64_t set_count = 0;
};

// Grows the per-label arrays of `tally` and `line` to hold `count` labels.
bool make_label_room(range_tally* tally, line_labels* line, std::int64_t count) {
  return tally->label_slots.reserve(count, true) && line->seen.reserve(count, true);
}

bool remember_label(line_labels* line, std::int64_t position) {
  if (!line->set.reserve(line->set_count + 1)) return false;
  line->set[line->set_count++] = position;
  line->seen[position] = 1;
  return true;
}

void clear_line(line_labels* line) {
  for (std::int64_t i = 0; i < line->set_count; ++i) line->seen[line->set[i]] = 0;
  line->set_count = 0;
}

struct sizing_state {
  range_tally* tally;
  line_labels line;
  index_scratch scratch;
  allowed_range indices;  // the header's
  allowed_range labels;   // the header's
  column_indices columns;  // the options'
  // The indices both the header and the options allow.
  std::int32_t lowest_index;
  std::int32_t highest_index;
  // The bound a label or an index broke, for the line's failure.
  bound_break broken;
};

// Why `index`, which the bounds do not allow, is refused: the header's
// range first, then the options' base, then their width.
read_failure index_fault(const sizing_state& state, std::int32_t index) {
  if (index < state.indices.lowest || index > state.indices.highest)
    return bound_broken(read_error::index_outside_header, 0, 0,
                        {index, 0, state.indices.header_value});
  if (index < state.columns.first) return below_base(index, state.columns.first);
  return outside_width(index, state.columns.first, state.columns.last - state.columns.first + 1);
}

// Measures one line that is neither a comment nor the header: whole, or in
// pieces read on with `more`.
template <class More>
read_failure measure_line(sizing_state* state, line_piece line, More more,
                          std::int64_t line_number) {
  range_tally* tally = state->tally;
  bool ascending = true;
  std::int64_t previous_index = INT64_MIN;
  std::int64_t pairs_read = 0;  // pairs read whole
  std::int64_t query_ids = 0;
  read_failure walked = walk_line(
      line, more,
      [&](std::int32_t label) {
        if (label < state->labels.lowest || label > state->labels.highest) {
          state->broken = {label, 0, state->labels.header_value};
          return read_error::label_outside_header;
        }
        const std::int64_t position = label_dictionary_find_or_add(&tally->labels, label);
        if (position < 0 || !make_label_room(tally, &state->line, position + 1))
          return read_error::out_of_memory;
        ++tally->label_entry_count;
        if (state->line.seen[position]) {
          ++tally->repeated_labels;
          return read_error::none;
        }
        if (!remember_label(&state->line, position)) return read_error::out_of_memory;
        ++tally->label_slots[position].count;
        return read_error::none;
      },
      [&](std::int64_t) {
        ++query_ids;
        return read_error::none;
      },
      [&](std::int32_t index, const char*, const char*, std::int64_t at, std::int64_t) {
        if (index < state->lowest_index || index > state->highest_index) {
          const read_failure fault = index_fault(*state, index);
          state->broken = fault.bound;
          return pair_read{nullptr, fault.error};
        }
        // A line in pieces cannot be walked again: its pairs are kept as read.
        if (!column_tally_count(&tally->features, index) ||
            (More::streams && !index_scratch_add(&state->scratch, index, at)))
          return pair_read{nullptr, read_error::out_of_memory};
        if (index < tally->min_index) tally->min_index = index;
        if (index > tally->max_index) tally->max_index = index;
        if (index <= previous_index) ascending = false;
        previous_index = index;
        ++tally->element_count;
        ++pairs_read;
        // Values are only delimited here; the fill scan converts them.
        return pair_read{nullptr, read_error::none};
      });
  clear_line(&state->line);
  if (walked.error == read_error::out_of_memory) {
    state->scratch.count = 0;
    return failure_of(read_error::out_of_memory);
  }
  // An index repeated among the pairs before a bad token comes first.
  if (!ascending) {
    std::int64_t column = 0;
    bool failed = false;
    const bool repeated =
        More::streams ? earliest_repeat(&state->scratch, &column)
                      : find_duplicate_index(line.first, line.last, pairs_read, &state->scratch,
                                             &column, &failed);
    if (repeated) return malformed_at(read_error::duplicate_index, line_number, column + 1);
    if (failed) return failure_of(read_error::out_of_memory);
  }
  state->scratch.count = 0;
  if (walked.error != read_error::none) {
    walked.line = line_number;
    if (breaks_a_bound(walked.error)) walked.bound = state->broken;
    return walked;
  }
  ++tally->instance_count;
  tally->query_id_count += query_ids;
  return no_failure();
}

std::int32_t clamped(std::int64_t index) {
  return index < INT32_MIN ? INT32_MIN : index > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(index);
}

// The bounds of the header, when there is one, and of the options.
void apply_bounds(sizing_state* state, const file_header& header, const range_bounds& bounds) {
  state->indices = header.present ? below(header.features) : any_value;
  state->labels = header.present ? below(header.labels) : any_value;
  state->columns = fixed_columns(bounds.base, bounds.width, header);
  state->lowest_index = state->indices.lowest;
  state->highest_index = state->indices.highest;
  if (!state->columns.fixed) return;
  if (state->columns.first > state->lowest_index) state->lowest_index = clamped(state->columns.first);
  if (state->columns.last < state->highest_index) state->highest_index = clamped(state->columns.last);
}

read_failure measure_lines(line_reader* reader, const range_bounds& bounds, sizing_state* state) {
  apply_bounds(state, bounds.holds_first_line ? file_header{} : bounds.header, bounds);
  return for_each_line(
      reader, {bounds.holds_first_line},
      [&](const file_header& header, const read_failure& fault) {
        state->tally->header = header;
        if (fault.error != read_error::none) return fault;
        if (bounds.base == read_options::index_base::one_based)
          return malformed_at(read_error::header_not_one_based, 1, 1);
        apply_bounds(state, header, bounds);
        return no_failure();
      },
      [&](line_piece line, auto more, std::int64_t line_number) {
        return measure_line(state, line, more, line_number);
      });
}

}  // namespace

bool range_tally_create(range_tally* tally) { return label_dictionary_create(&tally->labels); }

read_failure sizing_scan(line_reader* reader, const range_bounds& bounds, range_tally* tally) {
  sizing_state state{};
  state.tally = tally;
  read_failure failure = measure_lines(reader, bounds, &state);
  tally->line_count = reader->line_number;
  return failure;
}

}  // namespace quarnel
