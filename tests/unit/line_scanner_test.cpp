// How one line splits into labels and pairs, and where a bad line fails.
#include "line_scanner.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace {

using quarnel::scan_error;

struct walked_line {
  std::vector<std::int32_t> labels;
  std::vector<std::pair<std::int32_t, double>> pairs;
  std::vector<std::int64_t> query_ids;
  scan_error error;
  long column;  // 1-based, where the walk stopped on an error
};

walked_line walk(const std::string& line) {
  walked_line out{};
  const char* first = line.data();
  const char* last = first + line.size();
  quarnel::scan_result result = quarnel::scan_line(
      first, last,
      [&](std::int32_t label, const char*) {
        out.labels.push_back(label);
        return scan_error::none;
      },
      [&](std::int64_t id, const char*) {
        out.query_ids.push_back(id);
        return scan_error::none;
      },
      [&](std::int32_t index, const char* value_first, const char* line_last, const char*) {
        double value = 0;
        const char* end = quarnel::convert_double(value_first, line_last, &value);
        if (end == nullptr) return quarnel::scan_result{value_first, scan_error::value_not_number};
        out.pairs.emplace_back(index, value);
        return quarnel::scan_result{end, scan_error::none};
      });
  out.error = result.error;
  out.column = result.ptr - first + 1;
  return out;
}

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
    walked_line out = walk(e.line);
    EXPECT_EQ(out.error, scan_error::none) << e.line;
    EXPECT_EQ(out.labels, e.expected_labels) << e.line;
    EXPECT_EQ(out.pairs, e.expected_pairs) << e.line;
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
    walked_line out = walk(e.line);
    EXPECT_EQ(out.error, scan_error::none) << e.line;
    EXPECT_EQ(out.labels, e.expected_labels) << e.line;
    EXPECT_EQ(out.query_ids, e.expected_ids) << e.line;
    EXPECT_EQ(out.pairs, e.expected_pairs) << e.line;
  }
}

TEST(ScanLine, ReportsMalformedTokensWhereTheyStart) {
  struct example {
    std::string line;
    scan_error error;
    long column;
  } examples[] = {
      {"x 1:2", scan_error::label_not_number, 1},
      {"1,x 1:2", scan_error::label_not_number, 3},
      {"1,\t\tx", scan_error::label_not_number, 5},
      {"1.5:2", scan_error::label_not_number, 1},    // no pair: the index has a fraction
      {"1,2:3", scan_error::label_not_number, 3},    // only the line's first token may be a pair
      {"1:2,3", scan_error::value_not_number, 3},
      {"9999999999:1", scan_error::index_out_of_range, 1},
      {"1,,2", scan_error::label_not_number, 3},
      {"3# no space", scan_error::label_not_number, 1},
      {"1,\t", scan_error::label_missing, 3},
      {"\t", scan_error::label_missing, 1},
      {" a:1", scan_error::index_not_integer, 2},
      {" 1:2 :3", scan_error::index_not_integer, 6},
      {" 1.5:2", scan_error::colon_missing, 2},
      {" 1 :2", scan_error::colon_missing, 2},
      {" 12", scan_error::colon_missing, 2},
      {" 2147483648:1", scan_error::index_out_of_range, 2},
      {" -2147483649:1", scan_error::index_out_of_range, 2},
      {" 1:", scan_error::value_missing, 4},
      {" 1: \t", scan_error::value_missing, 4},
      {" 1:x", scan_error::value_not_number, 4},
      {" 1:2x 3:4", scan_error::value_not_number, 4},
      {" 1:2# comment", scan_error::value_not_number, 4},
      {" 1:2:3", scan_error::value_not_number, 4},
      {" 1:0x", scan_error::value_not_number, 4},
      {"1 2:3 4:1e", scan_error::value_not_number, 9},
      // A query id elsewhere than first after the labels, or not an
      // integer within 2^53.
      {"1 2:1 qid:3", scan_error::query_misplaced, 7},
      {"1 qid:3 qid:3", scan_error::query_misplaced, 9},
      {"1,qid:3 2:1", scan_error::query_misplaced, 3},
      {"1 qid: 3", scan_error::query_id_invalid, 7},
      {"qid:1.5 1:1", scan_error::query_id_invalid, 5},
      {" qid:3#c", scan_error::query_id_invalid, 6},
      {" qid:9007199254740993", scan_error::query_id_invalid, 6},
      {"1 QID:3", scan_error::index_not_integer, 3},  // only "qid:" in lower case is one
      {" 1234567 :1 2:0.5 3:0.25 4:1", scan_error::colon_missing, 2},
      {" 2147483648:1 2:0.5 3:0.25 4:1", scan_error::index_out_of_range, 2},
      {" 1:0.5\x01 2:0.5 3:0.25 4:1", scan_error::value_not_number, 4},
      {" 1:0.5.5 2:0.5 3:0.25 4:1", scan_error::value_not_number, 4},
  };
  for (const example& e : examples) {
    walked_line out = walk(e.line);
    EXPECT_EQ(out.error, e.error) << "'" << e.line << "': " << quarnel::describe(out.error);
    EXPECT_EQ(out.column, e.column) << e.line;
  }
}

TEST(ScanLine, ALineStartNamedUnfitFailsAtColumnOne) {
  // The line reader rejects long lines by their first byte alone: the scan
  // of any such line must fail there too.
  for (int c = 0; c < 256; ++c) {
    if (quarnel::can_begin_line(static_cast<char>(c))) continue;
    walked_line out = walk(std::string(1, static_cast<char>(c)) + "1,2 3:4");
    EXPECT_EQ(out.error, scan_error::label_not_number) << "byte " << c;
    EXPECT_EQ(out.column, 1) << "byte " << c;
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
