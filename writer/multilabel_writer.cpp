#include "writer/multilabel_writer.h"

#include <cmath>
#include <cstdlib>

#include "writer/value_text.h"

namespace quarnel {
namespace {

constexpr std::uint64_t buffer_size = std::uint64_t{1} << 20;
// The most one step of a line adds: a separator, an index, a colon and a value.
constexpr std::ptrdiff_t step_room = 2 * longest_number_text + 4;
constexpr std::int64_t largest_index = 2147483647;

struct text_buffer {
  char* first;
  char* cursor;
  char* last;
  byte_sink sink;
};

bool flush(text_buffer* buffer) {
  const std::size_t size = static_cast<std::size_t>(buffer->cursor - buffer->first);
  buffer->cursor = buffer->first;
  return size == 0 || buffer->sink.write(buffer->sink.context, buffer->first, size);
}

// Flushes when fewer than step_room bytes are left.
bool make_room(text_buffer* buffer) {
  return buffer->last - buffer->cursor >= step_room || flush(buffer);
}

write_failure failure_of(write_failure_kind kind) { return {kind, 0, 0}; }

write_failure check_label_map(const multilabel_data& data, write_options options,
                              std::int32_t* labels) {
  for (std::int64_t i = 0; i < data.label_map_count; ++i) {
    const double value = data.label_map[i];
    write_failure_kind kind = write_failure_kind::none;
    if (value != std::trunc(value))  // NaN and fractions
      kind = write_failure_kind::label_not_integer;
    else if (value < -2147483648.0 || value > 2147483647.0)
      kind = write_failure_kind::label_out_of_range;
    else if (options.header && value < 0)
      kind = write_failure_kind::label_negative;
    else if (options.header && value == 2147483647.0)  // L would be 2^31
      kind = write_failure_kind::label_out_of_range;
    if (kind != write_failure_kind::none) return {kind, i + 1, value};
    labels[i] = static_cast<std::int32_t>(value);
  }
  return failure_of(write_failure_kind::none);
}

write_failure_kind failure_of_walk(walk_result result) {
  switch (result) {
    case walk_result::done:
      return write_failure_kind::none;
    case walk_result::out_of_memory:
      return write_failure_kind::out_of_memory;
    case walk_result::too_many_columns:
      return write_failure_kind::index_out_of_range;
    case walk_result::bad_structure:
      return write_failure_kind::bad_structure;
  }
  return write_failure_kind::out_of_memory;
}

void write_header(text_buffer* buffer, const multilabel_data& data, const std::int32_t* labels) {
  std::int64_t label_bound = 0;  // one more than the largest label
  for (std::int64_t i = 0; i < data.label_map_count; ++i)
    if (labels[i] >= label_bound) label_bound = std::int64_t{labels[i]} + 1;
  char*& out = buffer->cursor;
  out = write_integer(out, data.instances.rows);
  *out++ = ' ';
  out = write_integer(out, data.instances.columns);
  *out++ = ' ';
  out = write_integer(out, label_bound);
  *out++ = '\n';
}

// One line per instance: its labels comma-separated from the first column,
// then " index:value" for each entry; a line with neither is a lone space.
write_failure_kind write_lines(text_buffer* buffer, row_walk* label_rows,
                               const std::int32_t* labels, row_walk* pairs,
                               std::int64_t index_offset) {
  for (std::int64_t row = 0; row < pairs->matrix.rows; ++row) {
    if (row == label_rows->end_row && !row_walk_next(label_rows))
      return write_failure_kind::out_of_memory;
    if (row == pairs->end_row && !row_walk_next(pairs)) return write_failure_kind::out_of_memory;
    const std::uint64_t label_base = label_rows->row_starts[label_rows->first_row];
    const std::uint64_t first = label_rows->row_starts[row] - label_base;
    const std::uint64_t label_end = label_rows->row_starts[row + 1] - label_base;
    const std::uint64_t pair_base = pairs->row_starts[pairs->first_row];
    const std::uint64_t pair_first = pairs->row_starts[row] - pair_base;
    const std::uint64_t pair_end = pairs->row_starts[row + 1] - pair_base;
    // The space before the first pair starts a line without labels too.
    if (first == label_end && pair_first == pair_end) {
      if (!make_room(buffer)) return write_failure_kind::write_failed;
      *buffer->cursor++ = ' ';
    }
    for (std::uint64_t k = first; k < label_end; ++k) {
      if (!make_room(buffer)) return write_failure_kind::write_failed;
      if (k != first) *buffer->cursor++ = ',';
      buffer->cursor = write_integer(buffer->cursor, labels[label_rows->columns[k]]);
    }
    for (std::uint64_t k = pair_first; k < pair_end; ++k) {
      if (!make_room(buffer)) return write_failure_kind::write_failed;
      char* out = buffer->cursor;
      *out++ = ' ';
      out = write_integer(out, std::int64_t{pairs->columns[k]} + index_offset);
      *out++ = ':';
      buffer->cursor = write_value(out, pairs->values[k]);
    }
    if (!make_room(buffer)) return write_failure_kind::write_failed;
    *buffer->cursor++ = '\n';
  }
  return flush(buffer) ? write_failure_kind::none : write_failure_kind::write_failed;
}

// The checks and the writing, once the label map is checked.
write_failure write_checked(const multilabel_data& data, write_options options,
                            const std::int32_t* labels, byte_sink sink) {
  const std::int64_t index_offset = options.zero_based ? 0 : 1;
  // The header's three numbers are 32-bit too.
  if (options.header && (data.instances.columns > largest_index || data.instances.rows > largest_index))
    return failure_of(write_failure_kind::index_out_of_range);

  row_walk label_rows{};
  row_walk pairs{};
  write_failure_kind kind =
      failure_of_walk(row_walk_open(&label_rows, data.labels, entry_choice::non_zero, false));
  if (kind == write_failure_kind::none) {
    kind = failure_of_walk(row_walk_open(&pairs, data.instances, entry_choice::stored, true));
    if (kind != write_failure_kind::none) row_walk_close(&label_rows);
  }
  if (kind != write_failure_kind::none) return failure_of(kind);
  if (pairs.last_column + index_offset > largest_index)
    kind = write_failure_kind::index_out_of_range;

  // The whole text when it is small, which many small writes are.
  const std::uint64_t pair_count = pairs.row_starts[pairs.matrix.rows];
  const std::uint64_t label_entries = label_rows.row_starts[label_rows.matrix.rows];
  std::uint64_t size = 4 * static_cast<std::uint64_t>(step_room) +
                       static_cast<std::uint64_t>(pairs.matrix.rows) * 2 +
                       (label_entries + pair_count) * static_cast<std::uint64_t>(step_room);
  if (size > buffer_size) size = buffer_size;
  char* text = nullptr;
  if (kind == write_failure_kind::none) {
    text = static_cast<char*>(std::malloc(size));
    if (text == nullptr) kind = write_failure_kind::out_of_memory;
  }
  if (kind == write_failure_kind::none) {
    text_buffer buffer{text, text, text + size, sink};
    if (options.header) write_header(&buffer, data, labels);
    kind = write_lines(&buffer, &label_rows, labels, &pairs, index_offset);
  }
  std::free(text);
  row_walk_close(&label_rows);
  row_walk_close(&pairs);
  return failure_of(kind);
}

}  // namespace

write_failure write_multilabel(const multilabel_data& data, write_options options, byte_sink sink) {
  if (data.labels.rows != data.instances.rows)
    return failure_of(write_failure_kind::rows_disagree);
  if (data.label_map_count != data.labels.columns)
    return failure_of(write_failure_kind::label_map_size);
  if (options.header && !options.zero_based)
    return failure_of(write_failure_kind::header_one_based);

  std::int32_t* labels = static_cast<std::int32_t*>(
      std::malloc(static_cast<std::size_t>(data.label_map_count + 1) * sizeof(std::int32_t)));
  if (labels == nullptr) return failure_of(write_failure_kind::out_of_memory);
  write_failure failure = check_label_map(data, options, labels);
  if (failure.kind == write_failure_kind::none)
    failure = write_checked(data, options, labels, sink);
  std::free(labels);
  return failure;
}

std::string write_failure_message(const write_failure& failure) {
  const std::string place = "label_map(" + std::to_string(failure.position) + ")";
  char value[longest_number_text + 1];
  *write_value(value, failure.value) = '\0';
  switch (failure.kind) {
    case write_failure_kind::none:
      return "";
    case write_failure_kind::rows_disagree:
      return "label_vector and instance_matrix must have the same number of rows";
    case write_failure_kind::label_map_size:
      return "label_map must hold one label per column of label_vector";
    case write_failure_kind::label_not_integer:
      return place + " is " + value + ", not an integer";
    case write_failure_kind::label_out_of_range:
      return place + " is " + value + ", outside the 32-bit range of labels";
    case write_failure_kind::label_negative:
      return place + " is " + value + ": a file with a header needs labels from 0";
    case write_failure_kind::index_out_of_range:
      return "instance_matrix is too large for 32-bit feature indices (or a header)";
    case write_failure_kind::header_one_based:
      return "a file with a header is zero-based: 'zero_based' cannot be false with 'header'";
    case write_failure_kind::bad_structure:
      return "a sparse matrix names a row beyond its size";
    case write_failure_kind::out_of_memory:
      return "not enough memory to write the file";
    case write_failure_kind::write_failed:
      return "the file could not be written";
  }
  return "";
}

}  // namespace quarnel
