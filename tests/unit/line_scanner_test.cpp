// How one line splits into labels and pairs, and where a bad line fails.
#include "reader/syntax/line_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <string>
#include <vector>

namespace {

using quarnel::read_error;

struct walked_line {
  std::vector<std::int32_t> labels;
  std::vector<std::pair<std::int32_t, double>> pairs;
  std::vector<std::int64_t> query_ids;
  read_error error;
  long column;  // 1-based, where the walk stopped on an error
};

// Hands out a line in pieces of `size` bytes beyond what is kept, as the
// line reader does for a line longer than its buffer.
struct cut_line {
  static constexpr bool streams = true;
  const std::string* line;
  std::size_t size;
  bool operator()(quarnel::line_piece* piece, const char* keep) const {
    const char* start = line->data();
    piece->offset += keep - piece->first;
    piece->first = keep;
    piece->last = std::min(piece->last + size, start + line->size());
    piece->ends = piece->last == start + line->size();
    return true;
  }
};

// The line walked whole (size 0) or in pieces of `size` bytes.
walked_line walk(const std::string& line, std::size_t size = 0) {
  walked_line out{};
  const char* first = line.data();
  const char* last = first + line.size();
  auto on_label = [&](std::int32_t label) {
    out.labels.push_back(label);
    return read_error::none;
  };
  auto on_query = [&](std::int64_t id) {
    out.query_ids.push_back(id);
    return read_error::none;
  };
  auto on_pair = [&](std::int32_t index, const char* value_first, const char* line_last,
                     std::int64_t, std::int64_t) {
    double value = 0;
    const quarnel::number_read read = quarnel::convert_double(value_first, line_last, &value);
    if (read.error != quarnel::number_error::none)
      return quarnel::pair_read{value_first, read_error::value_not_number};
    out.pairs.emplace_back(index, value);
    return quarnel::pair_read{read.end, read_error::none};
  };
  quarnel::read_failure result;
  if (size == 0) {
    result = quarnel::walk_line(quarnel::line_piece{first, last, 0, true}, quarnel::whole_line{},
                                on_label, on_query, on_pair);
  } else {
    const char* piece_last = std::min(last, first + size);
    result = quarnel::walk_line(quarnel::line_piece{first, piece_last, 0, piece_last == last},
                                cut_line{&line, size}, on_label, on_query, on_pair);
  }
  out.error = result.error;
  out.column = result.column;
  return out;
}

// Whole, then in pieces small enough to cut every token.
constexpr std::size_t piece_sizes[] = {0, 1, 2, 3, 7, 64};

using pairs = std::vector<std::pair<std::int32_t, double>>;
using labels = std::vector<std::int32_t>;

TEST(ScanLine, SplitsWellFormedLines) {
  struct example {
    std::string line;
    labels expected_labels;
    pairs expected_pairs;
  } examples[] = {
      {"3,1 1:0.5 4:2", {3, 1}, {{1, 0.5}, {4, 2}}},
      {"1 2:1", {1}, {{2, 1}}},
      {" 3:7", {}, {{3, 7}}},
      {"", {}, {}},
      {"1,2", {1, 2}, {}},
      {"2.9,-1.5,2", {2, -1, 2}, {}},
      {"5\t1:1\v2:2\f3:3\r4:4  \t 5:5  ", {5}, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}},
      {"1,\t2 7:1", {1, 2}, {{7, 1}}},   // a tab after a comma is skipped by the conversion
      {"1, 2:3", {1}, {{2, 3}}},         // a space after a comma ends the list
      {"1,", {1}, {}},                   // so does the line's end
      {" -3:1e2 0:-0 +4:0x10", {}, {{-3, 100}, {0, -0.0}, {4, 16}}},
      {" 1:\t 5", {}, {{1, 5}}},         // white space between colon and value
      {"1e3,nan,inf 1:inf", {1000, INT32_MIN, INT32_MIN}, {{1, HUGE_VAL}}},
      {"4 1:2 # a comment 3:4", {4}, {{1, 2}}},
      {"4,# comment", {4}, {}},
      {"\t# comment", {}, {}},
      {" #1:2", {}, {}},
      // A line whose first token is a pair has no labels.
      {"1:2", {}, {{1, 2}}},
      {"-3:1 4:2", {}, {{-3, 1}, {4, 2}}},
      {"\t+0:5", {}, {{0, 5}}},
      // Long enough that indices and values are read a word at a time.
      {" 1234567:0.596066 12345678:-1234567.7654321 2147483647:1e-3 5:0.0843989 6:1",
       {},
       {{1234567, 0.596066}, {12345678, -1234567.7654321}, {2147483647, 1e-3}, {5, 0.0843989},
        {6, 1}}},
  };
  for (const example& e : examples) {
    for (std::size_t size : piece_sizes) {
      walked_line out = walk(e.line, size);
      EXPECT_EQ(out.error, read_error::none) << e.line << " in pieces of " << size;
      EXPECT_EQ(out.labels, e.expected_labels) << e.line << " in pieces of " << size;
      EXPECT_EQ(out.pairs, e.expected_pairs) << e.line << " in pieces of " << size;
    }
  }
}

TEST(ScanLine, ReadsAQueryIdFirstAfterTheLabels) {
  using ids = std::vector<std::int64_t>;
  struct example {
    std::string line;
    labels expected_labels;
    ids expected_ids;
    pairs expected_pairs;
  } examples[] = {
      {"2 qid:1 1:0.5 3:1", {2}, {1}, {{1, 0.5}, {3, 1}}},
      {"1,3\tqid:+07 2:1", {1, 3}, {7}, {{2, 1}}},
      {" qid:2 1:1", {}, {2}, {{1, 1}}},
      {"qid:-5 1:1", {}, {-5}, {{1, 1}}},     // the line's first token, as a pair may be
      {"\tqid:0", {}, {0}, {}},
      {"4 qid:-9007199254740992 # c", {4}, {-9007199254740992}, {}},  // -2^53
  };
  for (const example& e : examples) {
    for (std::size_t size : piece_sizes) {
      walked_line out = walk(e.line, size);
      EXPECT_EQ(out.error, read_error::none) << e.line << " in pieces of " << size;
      EXPECT_EQ(out.labels, e.expected_labels) << e.line << " in pieces of " << size;
      EXPECT_EQ(out.query_ids, e.expected_ids) << e.line << " in pieces of " << size;
      EXPECT_EQ(out.pairs, e.expected_pairs) << e.line << " in pieces of " << size;
    }
  }
}

TEST(ScanLine, ReportsMalformedTokensWhereTheyStart) {
  struct example {
    std::string line;
    read_error error;
    long column;
  } examples[] = {
      {"x 1:2", read_error::label_not_number, 1},
      {"1,x 1:2", read_error::label_not_number, 3},
      {"1,\t\tx", read_error::label_not_number, 5},
      {"1.5:2", read_error::label_not_number, 1},    // no pair: the index has a fraction
      {"1,2:3", read_error::label_not_number, 3},    // only the line's first token may be a pair
      {"1:2,3", read_error::value_not_number, 3},
      {"9999999999:1", read_error::index_out_of_range, 1},
      {"1,,2", read_error::label_not_number, 3},
      {"3# no space", read_error::label_not_number, 1},
      {"1,\t", read_error::label_missing, 3},
      {"\t", read_error::label_missing, 1},
      {" a:1", read_error::index_not_integer, 2},
      {" 1:2 :3", read_error::index_not_integer, 6},
      {" 1.5:2", read_error::colon_missing, 2},
      {" 1 :2", read_error::colon_missing, 2},
      {" 12", read_error::colon_missing, 2},
      {" 2147483648:1", read_error::index_out_of_range, 2},
      {" -2147483649:1", read_error::index_out_of_range, 2},
      {" 1:", read_error::value_missing, 4},
      {" 1: \t", read_error::value_missing, 4},
      {" 1:x", read_error::value_not_number, 4},
      {" 1:2x 3:4", read_error::value_not_number, 4},
      {" 1:2# comment", read_error::value_not_number, 4},
      {" 1:2:3", read_error::value_not_number, 4},
      {" 1:0x", read_error::value_not_number, 4},
      {"1 2:3 4:1e", read_error::value_not_number, 9},
      // A query id elsewhere than first after the labels, or not an
      // integer within 2^53.
      {"1 2:1 qid:3", read_error::query_misplaced, 7},
      {"1 qid:3 qid:3", read_error::query_misplaced, 9},
      {"1,qid:3 2:1", read_error::query_misplaced, 3},
      {"1 qid: 3", read_error::query_id_invalid, 7},
      {"qid:1.5 1:1", read_error::query_id_invalid, 5},
      {" qid:3#c", read_error::query_id_invalid, 6},
      {" qid:9007199254740993", read_error::query_id_invalid, 6},
      {"1 QID:3", read_error::index_not_integer, 3},  // only "qid:" in lower case is one
      {" 1234567 :1 2:0.5 3:0.25 4:1", read_error::colon_missing, 2},
      {" 2147483648:1 2:0.5 3:0.25 4:1", read_error::index_out_of_range, 2},
      {" 1:0.5\x01 2:0.5 3:0.25 4:1", read_error::value_not_number, 4},
      {" 1:0.5.5 2:0.5 3:0.25 4:1", read_error::value_not_number, 4},
      {std::string("1") + '\0' + " 1:2", read_error::label_not_number, 1},
      {std::string(1, '\0'), read_error::label_not_number, 1},
      {"1,\t\t" + std::string(5000, ' ') + "x", read_error::label_not_number, 5005},
      {" 1:" + std::string(5000, '\t'), read_error::value_missing, 4},
      // Tokens over the bound, whatever else is wrong with them; a number
      // that ends before the bound is read as ever.
      {"1," + std::string(4097, '7'), read_error::token_too_long, 3},
      {"1 2:" + std::string(4097, '7') + "x", read_error::token_too_long, 5},
      {" " + std::string(4096, '0') + "1:1", read_error::token_too_long, 2},
      {"1" + std::string(4096, 'x'), read_error::token_too_long, 1},
      {"0x" + std::string(4095, '1') + " 1:1", read_error::token_too_long, 1},
      {"1 2:3" + std::string(4096, '\x01'), read_error::value_not_number, 5},
      {"2 " + std::string(4096, '1') + ":1", read_error::index_out_of_range, 3},
  };
  for (const example& e : examples) {
    for (std::size_t size : piece_sizes) {
      walked_line out = walk(e.line, size);
      EXPECT_EQ(out.error, e.error) << "'" << e.line.substr(0, 40) << "' in pieces of " << size
                                    << ": " << quarnel::malformed_reason(quarnel::failure_of(out.error));
      EXPECT_EQ(out.column, e.column) << e.line.substr(0, 40) << " in pieces of " << size;
    }
  }
}

// A value ends at the first white space; any other byte, a control
// character or one above 0x7f included, belongs to it.
TEST(SkipToBlank, EndsAtTheFirstBlankOnly) {
  std::string text;
  for (int i = 0; i < 600; ++i)
    text += static_cast<char>(i % 23 == 3 ? " \t\v\f\r"[i % 5] : (i * 37) % 256);
  const char* last = text.data() + text.size();
  for (const char* p = text.data(); p < last; ++p) {
    const char* expected = p;
    while (expected < last && !quarnel::is_blank(*expected)) ++expected;
    ASSERT_EQ(quarnel::skip_to_blank(p, last), expected) << (p - text.data());
  }
}

}  // namespace
