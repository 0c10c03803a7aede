#include "reader/fault_search.h"

#include "numbers/number_conversion.h"
#include "reader/sizing/index_bounds.h"
#include "reader/syntax/line_loop.h"
#include "reader/syntax/line_scanner.h"

namespace quarnel {
namespace {

// The first value before 0-based column `stop` of the line that is not a
// number, as a failure in line `line_number`. Values from `stop` on are
// only delimited: the walk ends at the line's end or at its bad token.
template <class More>
read_failure bad_value_in(line_piece line, More more, std::int64_t stop, std::int64_t line_number) {
  read_failure walked = walk_line(
      line, more, [](std::int32_t) { return read_error::none; },
      [&](std::int32_t, const char* value_first, const char* line_last, std::int64_t,
          std::int64_t value_at) {
        if (value_at >= stop) return pair_read{nullptr, read_error::none};
        double value = 0;
        const number_read read = convert_double(value_first, line_last, &value);
        if (read.error != number_error::none)
          return pair_read{value_first, read_error::value_not_number};
        return pair_read{read.end, read_error::none};
      });
  if (walked.error != read_error::value_not_number || walked.column > stop) return no_failure();
  walked.line = line_number;
  return walked;
}

}  // namespace

read_failure first_bad_value(line_reader* reader, std::int64_t stop_line, std::int64_t stop_column,
                             bool holds_first_line) {
  // Not a line past the fault's is asked for: the rest of that line may be
  // gigabytes of junk.
  const read_failure found = for_each_line(
      reader, {holds_first_line, stop_line},
      // A header holds no values.
      [](const file_header&, const read_failure&) { return no_failure(); },
      [&](line_piece line, auto more, std::int64_t line_number) {
        const std::int64_t stop = line_number == stop_line ? stop_column - 1 : INT64_MAX;
        return bad_value_in(line, more, stop, line_number);
      });
  // A source that fails here leaves the fault that sent the search.
  return is_malformed(found.error) ? found : no_failure();
}

read_failure first_index_above(line_reader* reader, std::int64_t first, std::int64_t last,
                               std::int64_t width, bool holds_first_line) {
  return for_each_line(
      reader, {holds_first_line},
      // A header holds no indices.
      [](const file_header&, const read_failure&) { return no_failure(); },
      [&](line_piece line, auto more, std::int64_t line_number) {
        std::int32_t above_index = 0;
        read_failure above = walk_line(
            line, more, [](std::int32_t) { return read_error::none; },
            [&](std::int32_t index, const char*, const char*, std::int64_t, std::int64_t) {
              if (index <= last) return pair_read{nullptr, read_error::none};
              above_index = index;
              return pair_read{nullptr, read_error::index_outside_width};
            });
        if (above.error != read_error::index_outside_width) return no_failure();
        // The walk ends at the first index above: its bound is the failure's.
        const std::int64_t column = above.column;
        above = outside_width(above_index, first, width);
        above.line = line_number;
        above.column = column;
        return above;
      });
}

read_failure damage_after_fault(line_reader* reader, const read_failure& fault,
                                compression_format format) {
  if (format == compression_format::none) return fault;
  // The rest as bytes, into the reader's buffer, whose lines are done with.
  read_fault met = reader->fault;
  while (met == read_fault::none &&
         reader->source.read(reader->source.context, reader->buffer, reader->room, &met) != 0) {
  }
  return met == read_fault::corrupt_data ? failure_of(read_error::corrupt_data, format) : fault;
}

}  // namespace quarnel
