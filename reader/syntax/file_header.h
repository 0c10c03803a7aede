// The header line of the extreme-classification layout: a first line
// "n d L" that gives the numbers of instances, features and labels. With it
// the file is zero-based, holds exactly n instances, every feature index
// lies in [0, d) and every label in [0, L).
#pragma once

#include <algorithm>
#include <cstdint>

#include "reader/syntax/line_scanner.h"

namespace quarnel {

struct file_header {
  bool present;
  std::int32_t instances;
  std::int32_t features;
  std::int32_t labels;
};

inline bool operator==(const file_header& a, const file_header& b) {
  return a.present == b.present && (!a.present || (a.instances == b.instances &&
                                                   a.features == b.features &&
                                                   a.labels == b.labels));
}

// Reads the first line [first, last) as a header: three decimal integers of
// digits alone (longest_token at most), separated by single spaces, with
// nothing but white space after them. A line of any other form is no header
// and no error (`present` stays false). A header number beyond 2147483647
// is read_error::header_value_too_large, at the number's first digit.
scan_result scan_header(const char* first, const char* last, file_header* header);

// The end of the header's three numbers at `first`: nullptr when [first,
// last) starts in another form, `last` when they may go on past it.
const char* header_numbers_end(const char* first, const char* last);

// How the file's first line reads.
enum class first_line : unsigned char {
  header,      // a header; nothing more of the line needs reading
  data,        // an instance: walk the piece, which still starts at the line's start
  data_start,  // an instance whose start was read past: walk the copy instead
};

// A first line's three numbers and the space after them, kept while the
// white space after them is read past: should anything else follow, the
// line is an instance, and a walk of this start of it fails where a walk of
// the whole line does (a number of digits alone, then a space, is no pair).
struct line_start_copy {
  char bytes[3 * longest_token + 3];
  std::int64_t size;
};

struct first_line_read {
  first_line kind;
  // For a header: header_value_too_large at line 1 and the number's column,
  // or no failure.
  read_failure header_fault;
};

// The fault of a header read from `start`, as scan_header gave it.
inline read_failure header_fault_of(const scan_result& read, const char* start) {
  if (read.error == read_error::none) return no_failure();
  return malformed_at(read.error, 1, read.ptr - start + 1);
}

// Reads the file's first line, whose piece is `*piece`, as a header, reading
// on (with `more`, as walk_line does) as far as that takes. A failing
// `more` ends the line; its caller must check for that.
template <class More>
first_line_read read_first_line(line_piece* piece, More more, file_header* header,
                                line_start_copy* copy) {
  *header = file_header{};
  const char* numbers_end;
  while ((numbers_end = header_numbers_end(piece->first, piece->last)) == piece->last &&
         !piece->ends)
    more(piece, piece->first);
  if (numbers_end == nullptr || skip_blanks(numbers_end, piece->last) != piece->last)
    return {first_line::data, no_failure()};
  const char* start = piece->first;
  if (piece->ends) {
    const scan_result read = scan_header(start, piece->last, header);
    if (!header->present) return {first_line::data, no_failure()};
    return {first_line::header, header_fault_of(read, start)};
  }
  // Nothing but white space after the numbers, up to the piece's end.
  copy->size = numbers_end + 1 - start;
  std::copy(start, numbers_end + 1, copy->bytes);
  const scan_result read = scan_header(copy->bytes, copy->bytes + copy->size, header);
  const char* rest = piece->last;
  while (rest == piece->last && !piece->ends) {
    more(piece, piece->last);
    rest = skip_blanks(piece->first, piece->last);
  }
  if (rest == piece->last) return {first_line::header, header_fault_of(read, copy->bytes)};
  *header = file_header{};
  return {first_line::data_start, no_failure()};
}

}  // namespace quarnel
