#include "fill_scan.h"

#include <cstdlib>

#include "duplicate_index.h"
#include "file_header.h"
#include "line_scanner.h"

namespace quarnel {
namespace {

struct fill_state {
  const problem_sizes* sizes;
  const label_dictionary* dictionary;
  sparse_columns labels;
  sparse_columns pairs;
  duplicate_label_sink duplicates;
  unsigned char* label_seen;  // one flag per dictionary position
  index_scratch scratch;
  std::int64_t instance;      // 0-based position of the current instance
  std::int64_t label_position;
  std::int64_t pair_position;
  std::int64_t repeated_labels;
};

// Fills the column of one instance. Returns the failure, if any.
scan_failure fill_instance(fill_state* state, const char* first, const char* last,
                           std::int64_t line_number) {
  const problem_sizes& sizes = *state->sizes;
  const std::int64_t column_start = state->label_position;
  state->labels.starts[state->instance] = static_cast<std::uint64_t>(state->label_position);
  state->pairs.starts[state->instance] = static_cast<std::uint64_t>(state->pair_position);
  bool changed = false;
  bool ascending = true;
  std::int64_t previous_index = INT64_MIN;
  scan_result walked = scan_line(
      first, last,
      [&](std::int32_t label, const char*) {
        std::int64_t row = label_dictionary_find(*state->dictionary, label);
        if (row == state->dictionary->label_count) {
          changed = true;
          return scan_error::stopped;
        }
        if (state->label_seen[row]) {
          ++state->repeated_labels;
          state->duplicates.report(state->duplicates.context, label, state->instance + 1);
          return scan_error::none;
        }
        if (state->label_position == state->labels.room) {
          changed = true;
          return scan_error::stopped;
        }
        state->label_seen[row] = 1;
        state->labels.rows[state->label_position] = static_cast<std::uint64_t>(row);
        state->labels.values[state->label_position] = 1.0;
        ++state->label_position;
        return scan_error::none;
      },
      [&](std::int32_t index, const char* value_first, const char* line_last, const char*) {
        if (index < sizes.min_index || index > sizes.max_index ||
            state->pair_position == state->pairs.room) {
          changed = true;
          return scan_result{value_first, scan_error::stopped};
        }
        const char* value_end =
            convert_double(value_first, line_last, &state->pairs.values[state->pair_position]);
        if (value_end == nullptr) return scan_result{value_first, scan_error::value_not_number};
        state->pairs.rows[state->pair_position] =
            static_cast<std::uint64_t>(std::int64_t{index} - sizes.min_index);
        ++state->pair_position;
        if (index <= previous_index) ascending = false;
        previous_index = index;
        return scan_result{value_end, scan_error::none};
      });
  // Clear only the flags this instance set: its own rows.
  for (std::int64_t i = column_start; i < state->label_position; ++i)
    state->label_seen[state->labels.rows[i]] = 0;
  if (changed) return failure_of(failure_kind::file_changed);
  if (walked.error == scan_error::value_not_number)
    return malformed_at(walked.error, line_number, walked.ptr - first + 1);
  // Any other fault in a line the sizing scan accepted means new content.
  if (walked.error != scan_error::none) return failure_of(failure_kind::file_changed);
  if (!ascending) {
    std::int64_t column = 0;
    bool failed = false;
    if (find_duplicate_index(first, last, &state->scratch, &column, &failed) != scan_error::none)
      return failure_of(failure_kind::file_changed);
    if (failed) return failure_of(failure_kind::out_of_memory);
  }
  return no_failure();
}

scan_failure fill_lines(fill_state* state, line_reader* reader) {
  const problem_sizes& sizes = *state->sizes;
  const char* first = nullptr;
  const char* last = nullptr;
  line_status status;
  bool header_seen = false;
  // A line that outgrew the buffer with a first byte no token begins with
  // is handed out as far as it was read: it fails at that byte here as it
  // would whole, so the arrays stop where they would.
  while ((status = next_line(reader, &first, &last)) == line_status::line ||
         status == line_status::bad_start) {
    if (sizes.header.present && !header_seen) {
      // The header must be the first line handed out: line 1, not a line
      // after a long comment line that streamed past unseen.
      file_header header;
      if (reader->line_number != 1 || scan_header(first, last, &header).error != scan_error::none ||
          !(header == sizes.header))
        return failure_of(failure_kind::file_changed);
      header_seen = true;
      continue;
    }
    if (is_comment_line(first, last)) continue;
    if (state->instance == sizes.instance_count) return failure_of(failure_kind::file_changed);
    scan_failure failure = fill_instance(state, first, last, reader->line_number);
    if (failure.kind != failure_kind::none) return failure;
    // The sizing scan read such a line whole and found no fault in it.
    if (status == line_status::bad_start) return failure_of(failure_kind::file_changed);
    ++state->instance;
  }
  if (status == line_status::read_failed) return failure_of(failure_kind::read_failed);
  if (status == line_status::out_of_memory) return failure_of(failure_kind::out_of_memory);
  if (state->instance != sizes.instance_count || header_seen != sizes.header.present ||
      state->label_position + state->repeated_labels != sizes.label_entry_count ||
      state->pair_position != sizes.element_count)
    return failure_of(failure_kind::file_changed);
  state->labels.starts[sizes.instance_count] = static_cast<std::uint64_t>(state->label_position);
  state->pairs.starts[sizes.instance_count] = static_cast<std::uint64_t>(state->pair_position);
  return no_failure();
}

}  // namespace

scan_failure first_fault_up_to(line_reader* reader, const scan_failure& fault) {
  // The instance count is known only at the end of the file: every bad
  // value comes before it.
  const bool whole_file = fault.error == scan_error::header_instance_count;
  const char* first = nullptr;
  const char* last = nullptr;
  while (next_line(reader, &first, &last) == line_status::line &&
         (whole_file || reader->line_number <= fault.line)) {
    if (is_comment_line(first, last)) continue;
    if (reader->line_number == 1 && is_header_line(first, last)) continue;
    const bool fault_line = reader->line_number == fault.line && !whole_file;
    const char* stop = fault_line ? first + (fault.column - 1) : last;
    scan_result walked = scan_line(
        first, last, [](std::int32_t, const char*) { return scan_error::none; },
        [&](std::int32_t, const char* value_first, const char* line_last, const char*) {
          if (value_first >= stop) return scan_result{value_first, scan_error::stopped};
          double value = 0;
          const char* value_end = convert_double(value_first, line_last, &value);
          if (value_end == nullptr) return scan_result{value_first, scan_error::value_not_number};
          return scan_result{value_end, scan_error::none};
        });
    if (walked.error == scan_error::value_not_number && walked.ptr < stop)
      return malformed_at(walked.error, reader->line_number, walked.ptr - first + 1);
  }
  return fault;
}

scan_failure fill_scan(line_reader* reader, const problem_sizes& sizes,
                       const label_dictionary& dictionary, sparse_columns labels,
                       sparse_columns pairs, duplicate_label_sink duplicates) {
  fill_state state{};
  state.sizes = &sizes;
  state.dictionary = &dictionary;
  state.labels = labels;
  state.pairs = pairs;
  state.duplicates = duplicates;
  // One more flag than labels, so that an empty dictionary still allocates.
  state.label_seen = static_cast<unsigned char*>(
      std::calloc(static_cast<std::size_t>(dictionary.label_count) + 1, 1));
  if (state.label_seen == nullptr) return failure_of(failure_kind::out_of_memory);
  scan_failure failure = fill_lines(&state, reader);
  std::free(state.label_seen);
  index_scratch_release(&state.scratch);
  return failure;
}

}  // namespace quarnel
