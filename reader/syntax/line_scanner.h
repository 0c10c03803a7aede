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

#include <cstddef>
#include <cstdint>

#include "numbers/digit_words.h"
#include "numbers/number_conversion.h"
#include "reader/read_failure.h"
#include "reader/text/line_piece.h"

namespace quarnel {

struct scan_result {
  const char* ptr;  // end of what was read; on an error, where the bad token starts
  read_error error;
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

// No number, label or index is longer than this: a longer token is
// malformed (token_too_long), so that a line read in pieces never needs
// more than this of it at once.
constexpr std::int64_t longest_token = 4096;
static_assert(longest_token == 4096, "token_too_long's reason (read_failure.cpp) names the bound");

// True for a byte that can stand in the text of a number: digits, letters
// (hexadecimal, exponents, "inf", "nan(chars)"), signs, the point, the
// parentheses and underscore of "nan(chars)". No conversion reads past the
// first other byte, so a token and the byte after it decide its reading.
inline bool in_number(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  const unsigned char letter = u | 0x20;
  return (u >= '0' && u <= '9') || (letter >= 'a' && letter <= 'z') || u == '+' || u == '-' ||
         u == '.' || u == '_' || u == '(' || u == ')';
}

// True when the token at `first` runs over longest_token bytes; [first,
// last) holds the token and the byte after it, or longest_token + 1 bytes
// of it.
inline bool is_too_long(const char* first, const char* last) {
  const char* stop = last - first > longest_token ? first + longest_token + 1 : last;
  const char* p = first;
  while (p < stop && in_number(*p)) ++p;
  return p - first > longest_token;
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
// must end at a comma, white space or the line's end, within longest_token
// bytes.
scan_result scan_label(const char* first, const char* last, std::int32_t* label);

// Reads "index:" at `first`, which is not white space and no longer than
// longest_token bytes before the colon. On success the
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
      return {first + count + 1, read_error::none};
    }
  }
  // Through a local of its own, so that `*index` can stay in a register
  // of the caller's loop.
  std::int32_t read = 0;
  const scan_result result = scan_index(first, last, &read);
  *index = read;
  return result;
}

// What a pair's handler did with the value: where it ends, and the
// handler's status.
struct pair_read {
  const char* end;
  read_error error;
};

// Walks one line, whole or in pieces, calling
//   on_label(std::int32_t label) -> read_error
//   on_query(std::int64_t id) -> read_error
//   on_pair(std::int32_t index, const char* value_first, const char* last,
//           std::int64_t pair_column, std::int64_t value_column) -> pair_read
// for each token, in line order (columns 0-based); a handler's status of
// read_error::none goes on. A handler returns a status alone, which keeps
// the walk's loop in registers; one whose failure carries more (a bound)
// keeps it and sets it on the walk's failure. `on_pair` reads the value starting at
// value_first (white space after the colon already skipped; never at the
// end of the line; [value_first, last) holds it and the byte after it,
// unless it is too long) and returns its end, which must be white space or
// the line's end, or nullptr to have it only delimited, up to the next
// white space. Its failures stand at the pair, but value_not_number at the
// value. The first failure, the line's own or a handler's, ends the walk
// and is returned with its 1-based column (its line left to the caller):
// a "qid:" token anywhere but first after the labels is query_misplaced.
//
// `more` (see line_piece.h) reads on in a line in pieces, keeping the bytes
// from a given place: a token that crosses a piece's end is held whole (or
// found too long), white space and a value only delimited are passed over
// piece after piece. A failing `more` ends the line where it failed; its
// caller must check for that. For a whole line (whole_line) this is the
// plain walk.
template <class More, class OnLabel, class OnQuery, class OnPair>
read_failure walk_line(line_piece piece, More more, OnLabel&& on_label, OnQuery&& on_query,
                       OnPair&& on_pair) {
  // The piece's bounds, and for a line in pieces the column of a byte and
  // where a token may start to cross the piece's end, are kept in locals
  // (registers) and settled again whenever the line moves on.
  const char* const whole_first = piece.first;
  const std::int64_t whole_offset = piece.offset;
  const char* last = piece.last;
  bool ends = piece.ends;
  std::intptr_t origin = 0;                           // column(q) is origin + q
  std::uintptr_t hold_from = UINTPTR_MAX;  // tokens from here on may cross the piece's end
  auto settle = [&] {
    last = piece.last;
    ends = piece.ends;
    origin = static_cast<std::intptr_t>(piece.offset) - reinterpret_cast<std::intptr_t>(piece.first);
    const auto end = reinterpret_cast<std::uintptr_t>(last);
    hold_from = ends ? UINTPTR_MAX : end > longest_token + 1 ? end - (longest_token + 1) : 0;
  };
  if constexpr (More::streams) settle();
  // Reads on, keeping the bytes from `keep`; returns where they now start.
  auto read_on = [&](const char* keep) {
    more(&piece, keep);
    settle();
    return piece.first;
  };
  auto column = [&](const char* q) -> std::int64_t {
    if constexpr (More::streams) return origin + reinterpret_cast<std::intptr_t>(q);
    return whole_offset + (q - whole_first);
  };
  // White space from `q`, piece after piece: the first other byte, or
  // `last` at the line's end.
  auto skip_white = [&](const char* q) {
    q = skip_blanks(q, last);
    if constexpr (More::streams) {
      while (q == last && !ends) {
        q = read_on(last);
        // A long run of spaces, eight at a time.
        while (last - q >= 8 && load_word(q) == 0x20 * byte_ones) q += 8;
        q = skip_blanks(q, last);
      }
    }
    return q;
  };
  // Makes the piece hold the token at `q` and the byte after it, or at
  // least longest_token + 1 bytes of it, keeping the bytes from `keep` (at
  // or before `q`). Returns where the token now starts; sets `*too_long`
  // when it runs over longest_token bytes past the piece's end.
  auto hold = [&](const char* keep, const char* q, bool* too_long) {
    if constexpr (More::streams) {
      while (reinterpret_cast<std::uintptr_t>(q) >= hold_from) {
        const char* end = q;
        while (end < last && in_number(*end)) ++end;
        if (end < last) break;
        if (end - q > longest_token) {
          *too_long = true;
          break;
        }
        const std::ptrdiff_t ahead = q - keep;
        keep = read_on(keep);
        q = keep + ahead;
      }
    }
    return q;
  };
  auto fault_at = [](std::int64_t at, read_error error) { return malformed_at(error, 0, at + 1); };
  const char* p = piece.first;
  // Label list: only a space or the line's end means "no (more) labels",
  // and a line whose first token is a pair has none either.
  if (p < last && *p != ' ') {
    std::int64_t list_at = column(p);  // where white space before a label starts
    for (bool first_token = true;; first_token = false) {
      // Other white space is skipped, as the "%lf" conversion does.
      p = skip_white(p);
      if (p == last) return fault_at(list_at, read_error::label_missing);
      bool too_long = false;
      p = hold(p, p, &too_long);
      if (too_long) return fault_at(column(p), read_error::token_too_long);
      if (first_token && (starts_with_index(p, last) || starts_with_query(p, last))) break;
      if (*p == '#') return no_failure();
      std::int32_t label = 0;
      scan_result read = scan_label(p, last, &label);
      if (read.error != read_error::none)
        return fault_at(column(p), starts_with_query(p, last) ? read_error::query_misplaced : read.error);
      const read_error handled = on_label(label);
      if (handled != read_error::none) return fault_at(column(p), handled);
      p = read.ptr;  // before the piece's end, or at the line's
      if (p == last || *p != ',') break;
      ++p;
      if constexpr (More::streams) {
        if (p == last && !ends) p = read_on(p);
      }
      if (p == last || *p == ' ') break;
      list_at = column(p);
    }
  }
  // A query id, only here: one byte's test on a line without one.
  p = skip_white(p);
  if (p < last && *p == 'q') {
    bool too_long = false;
    p = hold(p, p, &too_long);
    if (starts_with_query(p, last)) {
      const std::int64_t query_column = column(p);
      const char* number = hold(p, p + 4, &too_long);
      std::int64_t id = 0;
      scan_result read = scan_query(number - 4, last, &id);
      if (read.error != read_error::none) return fault_at(column(read.ptr), read.error);
      const read_error handled = on_query(id);
      if (handled != read_error::none) return fault_at(query_column, handled);
      p = read.ptr;
    }
  }
  // Pair section.
  for (;;) {
    p = skip_white(p);
    if (p == last || *p == '#') return no_failure();
    bool too_long = false;
    p = hold(p, p, &too_long);
    if (too_long) return fault_at(column(p), read_error::token_too_long);
    // Columns are worked out where they are needed, but those of a line in
    // pieces before it moves on.
    const char* const pair_first = p;
    const std::int64_t pair_kept = More::streams ? column(p) : 0;
    auto pair_column = [&] { return More::streams ? pair_kept : column(pair_first); };
    std::int32_t index = 0;
    scan_result read = read_index(p, last, &index);
    if (read.error != read_error::none)
      return fault_at(column(p), starts_with_query(p, last) ? read_error::query_misplaced : read.error);
    const char* const colon_end = read.ptr;
    const std::int64_t colon_kept = More::streams ? column(colon_end) : 0;
    const char* value_first = skip_white(colon_end);
    if (value_first == last)
      return fault_at(More::streams ? colon_kept : column(colon_end), read_error::value_missing);
    // A value too long to hold is found below, after the pair's own checks.
    value_first = hold(value_first, value_first, &too_long);
    const pair_read value = on_pair(index, value_first, last, pair_column(), column(value_first));
    if (value.error != read_error::none)
      return fault_at(value.error == read_error::value_not_number ? column(value_first)
                                                                  : pair_column(),
                      value.error);
    if (value.end == nullptr) {
      p = skip_to_blank(value_first, last);
      if (p - value_first > longest_token && is_too_long(value_first, last))
        return fault_at(column(value_first), read_error::token_too_long);
      if constexpr (More::streams) {
        while (p == last && !ends) {
          p = read_on(last);
          p = skip_to_blank(p, last);
        }
      }
    } else {
      p = value.end;
      if (p - value_first > longest_token)
        return fault_at(column(value_first), read_error::token_too_long);
      if (p < last && !is_blank(*p)) return fault_at(column(value_first), read_error::value_not_number);
    }
  }
}

// walk_line for callers that need no query ids: they are checked and
// passed over.
template <class More, class OnLabel, class OnPair>
read_failure walk_line(line_piece piece, More more, OnLabel&& on_label, OnPair&& on_pair) {
  return walk_line(
      piece, more, on_label, [](std::int64_t) { return read_error::none; }, on_pair);
}

// walk_line over a whole line [first, last).
template <class OnLabel, class OnPair>
read_failure scan_line(const char* first, const char* last, OnLabel&& on_label,
                       OnPair&& on_pair) {
  return walk_line(line_piece{first, last, 0, true}, whole_line{}, on_label, on_pair);
}

}  // namespace quarnel
