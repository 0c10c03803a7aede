// The entries the fill scan writes, and how it meets a file that changed.
#include "reader/fill/fill_scan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "io/byte_source.h"
#include "reader/text/line_reader.h"
#include "test_support.h"

namespace {

using quarnel::read_error;
using quarnel_test::column_entries;
using quarnel_test::read_text;
using entries = std::vector<std::pair<std::uint64_t, double>>;

TEST(FillScan, WritesTheExampleFileInItsFinalShape) {
  auto result = read_text("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  ASSERT_EQ(result.failure.error, read_error::none);
  // One column per label (3, then 1), instances as rows.
  EXPECT_EQ(result.labels.starts, (std::vector<std::uint64_t>{0, 1, 3}));
  EXPECT_EQ(column_entries(result.labels, 0), (entries{{0, 1.0}}));
  EXPECT_EQ(column_entries(result.labels, 1), (entries{{0, 1.0}, {1, 1.0}}));
  EXPECT_EQ(result.pairs.starts, (std::vector<std::uint64_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(column_entries(result.pairs, 0), (entries{{0, 0.5}}));
  EXPECT_EQ(column_entries(result.pairs, 1), (entries{{1, 1.0}}));
  EXPECT_EQ(column_entries(result.pairs, 2), (entries{{2, 7.0}}));
  EXPECT_EQ(column_entries(result.pairs, 3), (entries{{0, 2.0}}));
}

TEST(FillScan, KeepsZerosShiftsColumnsAndTakesUnorderedIndices) {
  auto result = read_text(" 0:0 3:-1.5\n\n 9:1 -2:2\n");
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.sizes.min_index, -2);
  EXPECT_EQ(column_entries(result.pairs, 0), (entries{{2, 2.0}}));   // index -2
  EXPECT_EQ(column_entries(result.pairs, 2), (entries{{0, 0.0}}));   // index 0, a stored zero
  EXPECT_EQ(column_entries(result.pairs, 5), (entries{{0, -1.5}}));  // index 3
  EXPECT_EQ(column_entries(result.pairs, 11), (entries{{2, 1.0}}));  // index 9
  EXPECT_EQ(result.pairs.starts.back(), 4u);
}

TEST(FillScan, ReportsEachRepeatedLabelAndWritesItOnce) {
  auto result = read_text("1\n1\n1\n1\n2,2 1:1\n3,2,3,3\n");
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.duplicates, (std::vector<std::pair<std::int32_t, std::int64_t>>{
                                   {2, 5}, {3, 6}, {3, 6}}));
  EXPECT_EQ(column_entries(result.labels, 1), (entries{{4, 1.0}, {5, 1.0}}));
  EXPECT_EQ(column_entries(result.labels, 2), (entries{{5, 1.0}}));
  EXPECT_EQ(result.labels.starts.back(), 7u);  // 10 tokens, 3 of them repeats
  EXPECT_EQ(result.labels.values.size(), 7u);  // room for exactly the entries
}

TEST(FillScan, RepeatsDoNotLeakIntoTheNextInstance) {
  // A flag left set would make label 1 in line 2 look repeated.
  auto result = read_text("1,2\n2,1\n");
  EXPECT_TRUE(result.duplicates.empty());
  EXPECT_EQ(column_entries(result.labels, 0), (entries{{0, 1.0}, {1, 1.0}}));
}

TEST(FillScan, ConvertsValuesTheSizingScanOnlyDelimited) {
  auto result = read_text("1 1:0.5 2:abc\n");
  EXPECT_TRUE(result.made);
  EXPECT_TRUE(quarnel::is_malformed(result.failure.error));
  EXPECT_EQ(result.failure.error, quarnel::read_error::value_not_number);
  EXPECT_EQ(result.failure.line, 1);
  EXPECT_EQ(result.failure.column, 11);
}

// The sizing scan's fault, or the first value that is not a number before it.
quarnel::read_failure first_fault(const std::string& text) { return read_text(text).failure; }

TEST(FillScan, ABadValueBeforeTheSizingScansFaultComesFirst) {
  struct example {
    std::string text;
    quarnel::read_error error;
    std::int64_t line, column;
  } examples[] = {
      {"1 1:abc\n#c\n1 x:1\n", quarnel::read_error::value_not_number, 1, 5},
      {"1 1:1 2:abc x:1\n", quarnel::read_error::value_not_number, 1, 9},
      {"1 3:1e5x 2:1 3:1\n", quarnel::read_error::value_not_number, 1, 5},
      {"1 1:1 x:1 2:abc\n", quarnel::read_error::index_not_integer, 1, 7},  // after: not first
      {"1 1:1 2:1 2:abc\n", quarnel::read_error::duplicate_index, 1, 11},
      {"1 5 3\n1 1:x 7:1\n", quarnel::read_error::value_not_number, 2, 5},
      // The instance count is checked at the end: any bad value comes first.
      {"3 5 3\n1 1:1\n1 1:x\n", quarnel::read_error::value_not_number, 3, 5},
      {"3 5 3\n1 1:1\n", quarnel::read_error::header_instance_count, 1, 1},
      // A bad value before a misplaced or bad query id comes first.
      {"1 qid:1 1:x qid:2\n", quarnel::read_error::value_not_number, 1, 11},
      {"1 qid:1 1:1\n2 qid:1x 1:x\n", quarnel::read_error::query_id_invalid, 2, 7},
  };
  for (const example& e : examples) {
    quarnel::read_failure fault = first_fault(e.text);
    EXPECT_TRUE(quarnel::is_malformed(fault.error)) << e.text;
    EXPECT_EQ(fault.error, e.error) << e.text;
    EXPECT_EQ(fault.line, e.line) << e.text;
    EXPECT_EQ(fault.column, e.column) << e.text;
  }
}

std::string ids_of(const quarnel_test::read_result& result) {
  EXPECT_EQ(result.failure.error, read_error::none);
  std::string text;
  for (double id : result.query_ids)
    text += (std::isnan(id) ? std::string("NaN") : std::to_string(static_cast<long long>(id))) + " ";
  return text;
}

TEST(FillScan, WritesEachInstancesQueryIdInItsRow) {
  // NaN for a line without one; an id changed between the scans is read as
  // it now is, since no count covers it.
  const std::string text = "2 qid:1 1:0.5\n#c\n qid:2 1:1\n3 1:2\nqid:-4\n";
  const std::string changed = "2 1:0.5\n#c\n qid:8 1:1\n3 1:2\nqid:-4\n";
  EXPECT_EQ(ids_of(read_text(text)), "1 2 NaN -4 ");
  EXPECT_EQ(ids_of(read_text(text, &changed)), "NaN 8 NaN -4 ");
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
      "1,1 1:1 2:2\n3 3:3\n",               // as many label tokens, one a repeat
      "1,2 2:1 1:2\n3 3:3\n",               // the same entries in another order
      "1,2 1:1 3:2\n3 3:3\n",               // as many pairs, in other columns
      "1,2 1:1 2:2\n3 3:3 qid:1\n",         // now a misplaced query id
  };
  for (const std::string& changed : changes) {
    auto result = read_text(original, &changed);
    ASSERT_TRUE(result.made);
    if (changed == "1,2 1:1 2:2\n3 3:3" || changed == "1,2 1:1\n3 3:3 2:2\n" ||
        changed == "1,2 2:1 1:2\n3 3:3\n") {
      EXPECT_EQ(result.failure.error, read_error::none) << changed;
    } else {
      EXPECT_EQ(result.failure.error, read_error::file_changed) << changed;
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
    ASSERT_TRUE(result.made);
    EXPECT_EQ(result.failure.error, changed == original ? read_error::none : read_error::file_changed)
        << changed;
  }
  auto added = read_text(" 1:1\n 4:2\n", &original);
  EXPECT_EQ(added.failure.error, read_error::file_changed);
  const std::string emptied;
  EXPECT_EQ(read_text("0 5 3\n", &emptied).failure.error, read_error::file_changed);
}

}  // namespace
