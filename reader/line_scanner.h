// Splits one line of the data file into label tokens and index:value pairs.
//
// A line is the characters [first, last) without its line end. It holds a
// label list (labels separated by single commas, starting in the first
// column), then optionally a query id "qid:N", then pairs, separated by
// white space. A line that starts with a space, or is empty, has no labels;
// nor has a line whose first token is a pair or a query id. A "#" where a
// label or a pair could begin starts a comment that runs to the end of the
// line.
#pragma once

#include <cstdint>

#include "digit_words.h"
#include "number_conversion.h"
#include "scan_error.h"

namespace quarnel {

struct scan_result {
  const char* ptr;  // end of what was read; on an error, where the bad token starts
  scan_error error;
};

// White space of the default locale, a newline excepted (lines hold none).
inline bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline const char* skip_blanks(const char* p, const char* last) {
  while (p < last && is_blank(*p)) ++p;
  return p;
}

inline const char* skip_to_blank(const char* p, const char* last) {
  // Eight bytes at a time: every blank is below 0x21, so the first byte
  // below 0x21 in a word is where the token may end (the lowest byte the
  // test flags is exact); a control character that is not blank belongs to
  // the token and the search goes on past it.
  while (digit_words_available && last - p >= 8) {
    const std::uint64_t word = load_word(p);
    const std::uint64_t below = (word - 0x21 * byte_ones) & ~word & (0x80 * byte_ones);
    if (below == 0) {
      p += 8;
      continue;
    }
    p += lowest_bit(below) / 8;
    if (is_blank(*p)) return p;
    ++p;
  }
  while (p < last && !is_blank(*p)) ++p;
  return p;
}

// True when the line is a comment line, which is not an instance.
inline bool is_comment_line(const char* first, const char* last) {
  return first < last && *first == '#';
}

// False for a byte that cannot begin a line of the file: no label, pair,
// comment or white space begins with it, so a line that starts with it is
// malformed at column 1 (label_not_number), whatever follows.
inline bool can_begin_line(char c) {
  if (is_blank(c) || c == '#' || (c >= '0' && c <= '9')) return true;
  // Signs, a fraction's point, "inf" and "nan" in either case, "qid:".
  return c == '+' || c == '-' || c == '.' || c == 'i' || c == 'I' || c == 'n' || c == 'N' ||
         c == 'q';
}

// True when an optional sign and decimal digits directly followed by a
// colon begin at `p`: the token is a pair's index, not a label.
inline bool starts_with_index(const char* p, const char* last) {
  if (p < last && (*p == '+' || *p == '-')) ++p;
  const char* digits = p;
  while (p < last && *p >= '0' && *p <= '9') ++p;
  return p != digits && p < last && *p == ':';
}

// True when a query id token, "qid:" in lower case, begins at `p`.
inline bool starts_with_query(const char* p, const char* last) {
  return last - p >= 4 && p[0] == 'q' && p[1] == 'i' && p[2] == 'd' && p[3] == ':';
}

// Reads the query id token at `first`, which starts_with_query: "qid:"
// directly followed by an optional sign and decimal digits of a magnitude up
// to 2^53 (a double holds every such integer exactly), then white space or
// the line's end. On failure the result points at the number.
scan_result scan_query(const char* first, const char* last, std::int64_t* id);

// Converts the label token at `first`, which is not white space. The token
// must end at a comma, white space or the line's end.
scan_result scan_label(const char* first, const char* last, std::int32_t* label);

// Reads "index:" at `first`, which is not white space. On success the
// result points just past the colon.
scan_result scan_index(const char* first, const char* last, std::int32_t* index);

// scan_index for the common index of up to seven digits and no sign, read
// here in one word without a call; anything else goes to scan_index.
inline scan_result read_index(const char* first, const char* last, std::int32_t* index) {
  if (digit_words_available && last - first >= 8) {
    const std::uint64_t word = load_word(first);
    const int count = leading_digit_count(word);
    if (count != 0 && count != 8 && first[count] == ':') {
      *index = static_cast<std::int32_t>(leading_digits_value(word, count));
      return {first + count + 1, scan_error::none};
    }
  }
  return scan_index(first, last, index);
}

// Walks one line, calling
//   on_label(std::int32_t label, const char* at) -> scan_error
//   on_query(std::int64_t id, const char* at) -> scan_error
//   on_pair(std::int32_t index, const char* value_first, const char* last,
//           const char* at) -> scan_result
// for each token, in line order. `on_pair` reads the value starting at
// value_first (white space after the colon already skipped; never at the
// end of the line) and returns its end. A value must be followed by white
// space or the line's end. The first error ends the walk. A "qid:" token
// anywhere but first after the labels is query_misplaced.
template <class OnLabel, class OnQuery, class OnPair>
scan_result scan_line(const char* first, const char* last, OnLabel&& on_label, OnQuery&& on_query,
                      OnPair&& on_pair) {
  const char* p = first;
  // Label list: only a space or the line's end means "no (more) labels",
  // and a line whose first token is a pair or a query id has none either.
  const char* lead = p < last && *p != ' ' ? skip_blanks(p, last) : p;
  const bool no_labels =
      p < last && *p != ' ' && (starts_with_index(lead, last) || starts_with_query(lead, last));
  while (!no_labels && p < last && *p != ' ') {
    // Other white space is skipped, as the "%lf" conversion does.
    const char* label_at = skip_blanks(p, last);
    if (label_at == last) return {p, scan_error::label_missing};
    if (*label_at == '#') return {last, scan_error::none};
    std::int32_t label = 0;
    scan_result read = scan_label(label_at, last, &label);
    if (read.error != scan_error::none)
      return starts_with_query(label_at, last) ? scan_result{label_at, scan_error::query_misplaced}
                                               : read;
    scan_error handled = on_label(label, label_at);
    if (handled != scan_error::none) return {label_at, handled};
    p = read.ptr;
    if (p == last || *p != ',') break;
    ++p;
  }
  // A query id, only here: one byte's test on a line without one.
  p = skip_blanks(p, last);
  if (p < last && *p == 'q' && starts_with_query(p, last)) {
    std::int64_t id = 0;
    scan_result read = scan_query(p, last, &id);
    if (read.error != scan_error::none) return read;
    scan_error handled = on_query(id, p);
    if (handled != scan_error::none) return {p, handled};
    p = read.ptr;
  }
  // Pair section.
  for (;;) {
    p = skip_blanks(p, last);
    if (p == last || *p == '#') return {last, scan_error::none};
    const char* pair_first = p;
    std::int32_t index = 0;
    scan_result read = read_index(p, last, &index);
    if (read.error != scan_error::none)
      return starts_with_query(p, last) ? scan_result{p, scan_error::query_misplaced} : read;
    const char* value_first = skip_blanks(read.ptr, last);
    if (value_first == last) return {read.ptr, scan_error::value_missing};
    scan_result value = on_pair(index, value_first, last, pair_first);
    if (value.error != scan_error::none) return value;
    if (value.ptr < last && !is_blank(*value.ptr)) return {value_first, scan_error::value_not_number};
    p = value.ptr;
  }
}

// scan_line for callers that need no query ids: they are checked and
// passed over.
template <class OnLabel, class OnPair>
scan_result scan_line(const char* first, const char* last, OnLabel&& on_label, OnPair&& on_pair) {
  return scan_line(
      first, last, on_label, [](std::int64_t, const char*) { return scan_error::none; }, on_pair);
}

}  // namespace quarnel
