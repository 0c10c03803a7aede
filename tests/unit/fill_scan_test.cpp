// The entries the fill scan writes, and how it meets a file that changed.
#include "fill_scan.h"

#include <gtest/gtest.h>

#include "byte_source.h"
#include "line_reader.h"
#include "test_support.h"

namespace {

using quarnel::failure_kind;
using quarnel_test::column_entries;
using quarnel_test::read_text;
using entries = std::vector<std::pair<std::uint64_t, double>>;

TEST(FillScan, WritesTheExampleFileColumnByColumn) {
  auto result = read_text("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  ASSERT_EQ(result.fill.kind, failure_kind::none);
  EXPECT_EQ(result.labels.starts, (std::vector<std::uint64_t>{0, 2, 3, 3}));
  EXPECT_EQ(column_entries(result.labels, 0), (entries{{0, 1.0}, {1, 1.0}}));
  EXPECT_EQ(column_entries(result.labels, 1), (entries{{1, 1.0}}));
  EXPECT_EQ(result.pairs.starts, (std::vector<std::uint64_t>{0, 2, 3, 4}));
  EXPECT_EQ(column_entries(result.pairs, 0), (entries{{0, 0.5}, {3, 2.0}}));
  EXPECT_EQ(column_entries(result.pairs, 1), (entries{{1, 1.0}}));
  EXPECT_EQ(column_entries(result.pairs, 2), (entries{{2, 7.0}}));
}

TEST(FillScan, KeepsZerosShiftsRowsAndTakesUnorderedIndices) {
  auto result = read_text(" 0:0 3:-1.5\n\n 9:1 -2:2\n");
  ASSERT_EQ(result.fill.kind, failure_kind::none);
  EXPECT_EQ(result.sizes.min_index, -2);
  EXPECT_EQ(column_entries(result.pairs, 0), (entries{{2, 0.0}, {5, -1.5}}));
  EXPECT_TRUE(column_entries(result.pairs, 1).empty());
  EXPECT_EQ(column_entries(result.pairs, 2), (entries{{11, 1.0}, {0, 2.0}}));
  for (std::uint64_t row : result.pairs.rows)
    EXPECT_LT(static_cast<std::int64_t>(row), feature_count(result.sizes));
}

TEST(FillScan, ReportsEachRepeatedLabelAndWritesItOnce) {
  auto result = read_text("1\n1\n1\n1\n2,2 1:1\n3,2,3,3\n");
  ASSERT_EQ(result.fill.kind, failure_kind::none);
  EXPECT_EQ(result.duplicates, (std::vector<std::pair<std::int32_t, std::int64_t>>{
                                   {2, 5}, {3, 6}, {3, 6}}));
  EXPECT_EQ(column_entries(result.labels, 4), (entries{{1, 1.0}}));
  EXPECT_EQ(column_entries(result.labels, 5), (entries{{2, 1.0}, {1, 1.0}}));
  EXPECT_EQ(result.labels.starts.back(), 7u);  // 10 tokens, 3 of them repeats
}

TEST(FillScan, RepeatsDoNotLeakIntoTheNextInstance) {
  // A flag left set would make label 1 in line 2 look repeated.
  auto result = read_text("1,2\n2,1\n");
  EXPECT_TRUE(result.duplicates.empty());
  EXPECT_EQ(column_entries(result.labels, 1), (entries{{1, 1.0}, {0, 1.0}}));
}

TEST(FillScan, ConvertsValuesTheSizingScanOnlyDelimited) {
  auto result = read_text("1 1:0.5 2:abc\n");
  EXPECT_EQ(result.sizing.kind, failure_kind::none);
  EXPECT_EQ(result.fill.kind, failure_kind::malformed);
  EXPECT_EQ(result.fill.error, quarnel::scan_error::value_not_number);
  EXPECT_EQ(result.fill.line, 1);
  EXPECT_EQ(result.fill.column, 11);
}

// The sizing scan's fault, then the first value that is not a number before it.
quarnel::scan_failure first_fault(const std::string& text) {
  auto result = read_text(text);
  quarnel::memory_cursor cursor{text.data(), text.data() + text.size()};
  quarnel::line_reader reader;
  quarnel::line_reader_open(&reader, quarnel::memory_byte_source(&cursor), 16);
  quarnel::scan_failure fault = quarnel::first_fault_up_to(&reader, result.sizing);
  quarnel::line_reader_close(&reader);
  return fault;
}

TEST(FillScan, ABadValueBeforeTheSizingScansFaultComesFirst) {
  struct example {
    std::string text;
    quarnel::scan_error error;
    std::int64_t line, column;
  } examples[] = {
      {"1 1:abc\n#c\n1 x:1\n", quarnel::scan_error::value_not_number, 1, 5},
      {"1 1:1 2:abc x:1\n", quarnel::scan_error::value_not_number, 1, 9},
      {"1 3:1e5x 2:1 3:1\n", quarnel::scan_error::value_not_number, 1, 5},
      {"1 1:1 x:1 2:abc\n", quarnel::scan_error::index_not_integer, 1, 7},  // after: not first
      {"1 1:1 2:1 2:abc\n", quarnel::scan_error::duplicate_index, 1, 11},
      {"1 5 3\n1 1:x 7:1\n", quarnel::scan_error::value_not_number, 2, 5},
      // The instance count is checked at the end: any bad value comes first.
      {"3 5 3\n1 1:1\n1 1:x\n", quarnel::scan_error::value_not_number, 3, 5},
      {"3 5 3\n1 1:1\n", quarnel::scan_error::header_instance_count, 1, 1},
  };
  for (const example& e : examples) {
    quarnel::scan_failure fault = first_fault(e.text);
    EXPECT_EQ(fault.kind, failure_kind::malformed) << e.text;
    EXPECT_EQ(fault.error, e.error) << e.text;
    EXPECT_EQ(fault.line, e.line) << e.text;
    EXPECT_EQ(fault.column, e.column) << e.text;
  }
}

TEST(FillScan, DetectsAFileThatChangedBetweenTheScans) {
  const std::string original = "1,2 1:1 2:2\n3 3:3\n";
  const std::string changes[] = {
      "1,2 1:1 2:2\n",                      // shrunk: fewer lines
      "",                                   // emptied
      "1,2 1:1 2:2\n3 3:3\n4 1:1\n",        // grown: a line more
      "1,2 1:1 2:2\n9 3:3\n",               // a label the sizing scan never saw
      "1,2,3 1:1 2:2\n3 3:3\n",             // more label entries than the room
      "1,2 1:1 2:2 3:1\n3 3:3\n",           // more pairs than the room
      "1,2 1:1 2:2\n3 7:3\n",               // an index beyond the range
      "1,2 0:1 2:2\n3 3:3\n",               // an index below the range
      "1,2 1:1\n3 3:3 2:2\n",               // same counts, another line
      "1,2 1:1 2:2\n3 3:3",                 // the last newline removed: still the same
      "1,2 1:1 2:2\n3 x:3\n",               // now malformed
      "1,2 2:1 2:2\n3 3:3\n",               // now a repeated index
      "1 1:1 2:2\n3 3:3\n",                 // fewer label entries
  };
  for (const std::string& changed : changes) {
    auto result = read_text(original, &changed);
    ASSERT_EQ(result.sizing.kind, failure_kind::none);
    if (changed == "1,2 1:1 2:2\n3 3:3" || changed == "1,2 1:1\n3 3:3 2:2\n") {
      EXPECT_EQ(result.fill.kind, failure_kind::none) << changed;
    } else {
      EXPECT_EQ(result.fill.kind, failure_kind::file_changed) << changed;
    }
  }
}

TEST(FillScan, AHeaderAddedRemovedOrChangedIsAChangedFile) {
  const std::string original = "2 5 3\n1 1:1\n2 4:2\n";
  const std::string changes[] = {
      "2 5 3\n1 1:1\n2 4:2\n",  // the same
      "2 6 3\n1 1:1\n2 4:2\n",
      "1 1:1\n2 4:2\n",
      "#\n1 1:1\n2 4:2\n",
  };
  for (const std::string& changed : changes) {
    auto result = read_text(original, &changed);
    ASSERT_EQ(result.sizing.kind, failure_kind::none);
    EXPECT_EQ(result.fill.kind, changed == original ? failure_kind::none : failure_kind::file_changed)
        << changed;
  }
  auto added = read_text(" 1:1\n 4:2\n", &original);
  EXPECT_EQ(added.fill.kind, failure_kind::file_changed);
  const std::string emptied;
  EXPECT_EQ(read_text("0 5 3\n", &emptied).fill.kind, failure_kind::file_changed);
}

}  // namespace
