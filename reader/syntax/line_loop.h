// The one walk over a range's lines that every pass and search makes: the
// rule for comment lines and for the file's first line, which may be a
// header, lives here alone.
#pragma once

#include <cstdint>

#include "reader/read_failure.h"
#include "reader/syntax/file_header.h"
#include "reader/text/line_reader.h"

namespace quarnel {

struct line_loop {
  // Whether the range starts with the file's first line, read as a header
  // before anything else.
  bool holds_first_line;
  // No line after this one (counted within the range) is read.
  std::int64_t last_line = INT64_MAX;
};

// The failure of a reader whose source failed, or ran out of memory for a
// line's piece; no_failure() while it is sound.
inline read_failure reader_failure(const line_reader& reader) {
  if (reader.fault != read_fault::none) return failure_of(read_error::read_failed);
  if (reader.out_of_memory) return failure_of(read_error::out_of_memory);
  return no_failure();
}

// Reads the lines of `reader` in order, up to loop.last_line: passes over
// comment lines, hands the file's first line to
//   on_header(const file_header& header, const read_failure& fault) -> read_failure
// when it is a header (`fault` is its number beyond 2147483647, if any), and
// every other line to
//   on_line(line_piece line, More more, std::int64_t line_number) -> read_failure
// whole or in pieces (`more` as read_line_with gives it). A first line that
// starts like a header and then goes on is handed on as the start that was
// read past, whole: its walk fails as the walk of the whole line does. The
// first failure a handler returns ends the walk and is returned; so is the
// reader's own, when its source fails. no_failure() at the end of the lines.
template <class OnHeader, class OnLine>
read_failure for_each_line(line_reader* reader, const line_loop& loop, OnHeader&& on_header,
                           OnLine&& on_line) {
  const char* first = nullptr;
  const char* last = nullptr;
  line_start_copy start;
  while (reader->line_number < loop.last_line) {
    const line_status status = next_line(reader, &first, &last);
    if (status == line_status::end_of_data) return no_failure();
    if (status != line_status::line) return reader_failure(*reader);
    if (is_comment_line(first, last)) continue;
    line_piece line{first, last, 0, !reader->line_continues};
    if (loop.holds_first_line && reader->line_number == 1) {
      file_header header{};
      const first_line_read read = read_line_with(reader, line, [&](auto more) {
        return read_first_line(&line, more, &header, &start);
      });
      const read_failure failed = reader_failure(*reader);
      if (failed.error != read_error::none) return failed;
      if (read.kind == first_line::header) {
        const read_failure handled = on_header(header, read.header_fault);
        if (handled.error != read_error::none) return handled;
        continue;
      }
      if (read.kind == first_line::data_start)
        line = {start.bytes, start.bytes + start.size, 0, true};
    }
    const std::int64_t number = reader->line_number;
    const read_failure handled =
        read_line_with(reader, line, [&](auto more) { return on_line(line, more, number); });
    // A source that failed within the line says why the line ended.
    const read_failure failed = reader_failure(*reader);
    if (failed.error != read_error::none) return failed;
    if (handled.error != read_error::none) return handled;
  }
  return no_failure();
}

}  // namespace quarnel
