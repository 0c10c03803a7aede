// Reading in byte ranges, on one thread or several, gives what one scan of
// the whole text gives: the split at line ends, the merge in file order,
// and the column counts of indices anywhere in the 32-bit range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/sizing/column_tally.h"
#include "reader/sizing/scan_merge.h"
#include "reader/text/text_ranges.h"
#include "test_support.h"

namespace {

using quarnel::read_error;
using quarnel_test::read_result;
using quarnel_test::read_string;
using quarnel_test::read_text;

std::vector<std::int64_t> starts_of(std::string text, std::int64_t range_bytes) {
  return quarnel::line_aligned_starts(static_cast<std::int64_t>(text.size()), range_bytes, &text,
                                      read_string);
}

TEST(RangeSplit, RangesStartRightAfterALineEnd) {
  // Every range starts just after the first newline at or past its nominal
  // start less one: a line that begins on the nominal start stays whole.
  EXPECT_EQ(starts_of("ab\ncd\nef\n", 3), (std::vector<std::int64_t>{3, 6}));
  EXPECT_EQ(starts_of("ab\r\ncd\r\nef", 4), (std::vector<std::int64_t>{4, 8}));
  // A long line spans nominal starts: the ranges it covers merge.
  EXPECT_EQ(starts_of("a\n" + std::string(20, 'x') + "\nb\nc\n", 4),
            (std::vector<std::int64_t>{23, 25}));
  // No newline after the last nominal start: the last line is not split.
  EXPECT_EQ(starts_of("1 1:1\n2 2:2", 8), (std::vector<std::int64_t>{}));
  EXPECT_EQ(starts_of("short\n", 100), (std::vector<std::int64_t>{}));
  EXPECT_EQ(starts_of("", 1), (std::vector<std::int64_t>{}));
}

void expect_same(const read_result& a, const read_result& b, const std::string& what) {
  EXPECT_EQ(a.failure.error, b.failure.error) << what;
  EXPECT_EQ(a.failure.line, b.failure.line) << what;
  EXPECT_EQ(a.failure.column, b.failure.column) << what;
  EXPECT_EQ(a.duplicates, b.duplicates) << what;
  if (a.failure.error != read_error::none || b.failure.error != read_error::none) return;
  EXPECT_EQ(a.label_map, b.label_map) << what;
  EXPECT_EQ(a.sizes.min_index, b.sizes.min_index) << what;
  EXPECT_EQ(a.sizes.max_index, b.sizes.max_index) << what;
  EXPECT_EQ(a.query_ids.size(), b.query_ids.size()) << what;
  for (std::size_t i = 0; i < a.query_ids.size() && i < b.query_ids.size(); ++i)
    EXPECT_TRUE(a.query_ids[i] == b.query_ids[i] || (a.query_ids[i] != a.query_ids[i] &&
                                                     b.query_ids[i] != b.query_ids[i]))
        << what << ": query id " << i;
  for (auto matrix : {&read_result::labels, &read_result::pairs}) {
    EXPECT_EQ((a.*matrix).starts, (b.*matrix).starts) << what;
    EXPECT_EQ((a.*matrix).rows, (b.*matrix).rows) << what;
    EXPECT_EQ((a.*matrix).values, (b.*matrix).values) << what;
  }
}

TEST(RangeReading, AnySplitAndThreadCountGivesTheWholeTextsResult) {

  for (const std::string& text : quarnel_test::sample_texts()) {
    const read_result whole = read_text(text);
    for (int threads : {1, 3}) {
      for (std::int64_t range_bytes : {1, 5, 9, 16}) {
        quarnel::read_options options;
        options.threads = threads;
        options.range_bytes = range_bytes;
        expect_same(read_text(text, nullptr, 64, options), whole,
                    text + " in ranges of " + std::to_string(range_bytes) + " on " +
                        std::to_string(threads) + " threads");
      }
    }
  }
}

// A compressed file's text on several threads is cut into blocks as it is
// decoded: cut at any place, on any number of workers, it reads as the
// whole text does, in both passes.
TEST(BlockReading, AnyCutAndThreadCountGivesTheWholeTextsResult) {
  for (const std::string& text : quarnel_test::sample_texts()) {
    const read_result whole = read_text(text);
    for (int threads : {2, 3}) {
      const auto length = static_cast<std::int64_t>(text.size());
      for (std::int64_t block_bytes = 1; block_bytes <= length; ++block_bytes) {
        quarnel::block_cutting cutting;
        cutting.workers = threads;
        cutting.block_bytes = block_bytes;
        quarnel::read_options options;
        options.threads = threads;
        expect_same(quarnel_test::read_in_blocks(text, nullptr, cutting, options), whole,
                    text + " in blocks of " + std::to_string(block_bytes) + " on " +
                        std::to_string(threads) + " threads");
      }
    }
  }
}

// The fill cuts where the sizing pass cut: a text that no longer ends at a
// line there, or ends elsewhere, changed between the passes; a line too
// long to hold in a block has the text read as one range.
TEST(BlockReading, AChangedTextIsFoundAndALongLineReadsWhole) {
  const std::string sized = "1 1:1\n2 2:2\n3 3:3\n4 4:4\n";
  quarnel::block_cutting cutting;
  cutting.workers = 2;
  cutting.block_bytes = 6;
  quarnel::read_options options;
  options.threads = 2;
  for (const std::string changed :
       {"1 1:1\n2 2:22\n3 3:3\n4 4:4\n", "1 1:1\n2 2:2\n3 3:3\n", "1 1:1\n2 2:2\n3 3:3\n4 4:4\n5\n"}) {
    EXPECT_EQ(quarnel_test::read_in_blocks(sized, &changed, cutting, options).failure.error,
              read_error::file_changed)
        << changed;
  }
  const std::string long_line = "1 1:1\n2" + std::string(100, ' ') + "2:2\n3 3:3\n";
  cutting.longest_line_held = 16;
  expect_same(quarnel_test::read_in_blocks(long_line, nullptr, cutting, options),
              read_text(long_line), "a line longer than a block holds");
}

quarnel::read_options with(quarnel::read_options::index_base base, std::int64_t width,
                          std::vector<std::int32_t> label_map = {}) {
  quarnel::read_options options;
  options.base = base;
  options.width = width;
  options.label_map = std::move(label_map);
  return options;
}

// 'zero_based', 'width' and 'label_map' at their edges: what the whole text
// gives, and the same in every split and thread count.
TEST(RangeReading, IndexAndLabelOptionsHoldInEverySplit) {
  using base = quarnel::read_options::index_base;
  using quarnel::read_error;
  struct option_case {
    std::string text;
    quarnel::read_options options;
    read_error error;
    std::int64_t line, column;  // of the fault
    std::int64_t columns;       // feature columns, when it loads
    std::vector<std::int32_t> label_map;
  };
  const option_case cases[] = {
      // Zero-based: a split that lacks index 0 and the last index keeps
      // the train split's columns.
      {"1 1:1\n2 3:2\n", with(base::zero_based, 6), read_error::none, 0, 0, 6, {1, 2}},
      {"1 1:1\n2 3:2\n", with(base::zero_based, -1), read_error::none, 0, 0, 4, {1, 2}},
      {"1\n\n", with(base::zero_based, -1), read_error::none, 0, 0, 0, {1}},
      {"1 1:1\n2 3:2\n", with(base::one_based, -1), read_error::none, 0, 0, 3, {1, 2}},
      // Below the base, and beyond the width counted from it.
      {"1 1:1\n 2:1 -1:2\n", with(base::zero_based, -1), read_error::index_below_base, 2, 6, 0, {}},
      {"1 1:1\n2 0:2\n", with(base::one_based, 9), read_error::index_below_base, 2, 3, 0, {}},
      {"1 1:1\n2 2:1 6:2\n", with(base::zero_based, 6), read_error::index_outside_width, 2, 7, 0, {}},
      {"1 6:1\n", with(base::one_based, 6), read_error::none, 0, 0, 6, {1}},
      {"1 1:1\n", with(base::zero_based, 0), read_error::index_outside_width, 1, 3, 0, {}},
      {"1\n2\n", with(base::zero_based, 0), read_error::none, 0, 0, 0, {1, 2}},
      // A width on the file's own base: known only once the whole file is
      // sized, then the first index above it in file order, unless a bad
      // value comes first.
      {"1 3:1\n2 0:1\n 5:1\n", with(base::by_file, 5), read_error::index_outside_width, 3, 2, 0, {}},
      {"1 3:1\n2 4:1\n 5:1\n", with(base::by_file, 5), read_error::none, 0, 0, 5, {1, 2}},
      {"1 2:x\n2 7:1\n 0:1\n", with(base::by_file, 3), read_error::value_not_number, 1, 5, 0, {}},
      {"1 1:1\n# 9:1\n", with(base::by_file, 0), read_error::index_outside_width, 1, 3, 0, {}},
      // A header and the options: both bounds apply, the width decides the
      // columns, and the header makes the file zero-based.
      {"2 4 3\n0 0:1\n1 3:1\n", with(base::zero_based, 6), read_error::none, 0, 0, 6, {0, 1}},
      {"2 4 3\n0 0:1\n1 3:1\n", with(base::by_file, 3), read_error::index_outside_width, 3, 3, 0, {}},
      {"2 4 3\n0 0:1\n1 5:1\n", with(base::by_file, 9), read_error::index_outside_header, 3, 3, 0, {}},
      {"2 4 3\n0 0:1\n1 3:1\n", with(base::one_based, -1), read_error::header_not_one_based, 1, 1, 0, {}},
      // The caller's labels first, used or not, the file's others after them;
      // repeats reported by their label; a header's labels may lie outside m.
      {"5,3 1:1\n7,5,5 2:1\n3\n", with(base::by_file, -1, {9, 3}), read_error::none, 0, 0, 2,
       {9, 3, 5, 7}},
      {"2 4 3\n2,0 0:1\n\n", with(base::by_file, -1, {7, 0, 1}), read_error::none, 0, 0, 4,
       {7, 0, 1, 2}},
      {"1\n", with(base::by_file, -1, {}), read_error::none, 0, 0, 0, {1}},
  };
  for (const option_case& c : cases) {
    const read_result whole = read_text(c.text, nullptr, 64, c.options);
    EXPECT_EQ(whole.failure.error, c.error) << c.text;
    if (c.error == read_error::none) {
      EXPECT_EQ(feature_count(whole.sizes), c.columns) << c.text;
      EXPECT_EQ(whole.label_map, c.label_map) << c.text;
    } else {
      EXPECT_EQ(whole.failure.line, c.line) << c.text;
      EXPECT_EQ(whole.failure.column, c.column) << c.text;
    }
    for (int threads : {1, 3}) {
      for (std::int64_t range_bytes : {1, 5, 9}) {
        quarnel::read_options options = c.options;
        options.threads = threads;
        options.range_bytes = range_bytes;
        expect_same(read_text(c.text, nullptr, 64, options), whole,
                    c.text + " in ranges of " + std::to_string(range_bytes) + " on " +
                        std::to_string(threads) + " threads");
      }
    }
  }
}

TEST(RangeReading, LabelMapColumnsHoldTheirLabelsEntries) {
  quarnel::read_options options;
  options.label_map = {9, 3};
  options.base = quarnel::read_options::index_base::zero_based;
  options.width = 4;
  const read_result read = read_text("5,3 1:1\n7,5,5 2:1\n3 0:4\n", nullptr, 64, options);
  ASSERT_EQ(read.failure.error, read_error::none);
  using entries = std::vector<std::pair<std::uint64_t, double>>;
  EXPECT_EQ(quarnel_test::column_entries(read.labels, 0), entries{});                   // 9
  EXPECT_EQ(quarnel_test::column_entries(read.labels, 1), (entries{{0, 1}, {2, 1}}));  // 3
  EXPECT_EQ(quarnel_test::column_entries(read.labels, 2), (entries{{0, 1}, {1, 1}}));  // 5
  EXPECT_EQ(quarnel_test::column_entries(read.labels, 3), (entries{{1, 1}}));          // 7
  EXPECT_EQ(read.duplicates, (std::vector<std::pair<std::int32_t, std::int64_t>>{{5, 2}}));
  // Index k is column k + 1: index 0 in the first column, the last empty.
  EXPECT_EQ(quarnel_test::column_entries(read.pairs, 0), (entries{{2, 4}}));
  EXPECT_EQ(quarnel_test::column_entries(read.pairs, 3), entries{});
}

// The check after a fill in file order gathers every label column's count:
// without the memory for that, the read runs out of memory, which is not a
// file that changed.
TEST(ScanMerge, AFillCheckWithoutMemoryIsOutOfMemoryNotAChangedFile) {
  quarnel::problem_sizes sizes{};
  sizes.label_count = INT64_MAX / 8;  // counts of 2^63 bytes
  EXPECT_EQ(quarnel::columns_filled_as_counted(nullptr, 0, sizes, nullptr, {}, {}),
            read_error::out_of_memory);
}

TEST(ColumnTally, CountsIndicesAnywhereAndKeepsOnlyThePagesUsed) {
  quarnel::column_tally tally{};
  for (std::int32_t index : {5, 5, -3, INT32_MIN, INT32_MAX, 0, 4096, -4097})
    ASSERT_TRUE(quarnel::column_tally_count(&tally, index));
  EXPECT_EQ(quarnel::column_tally_count_of(tally, 5), 2u);
  EXPECT_EQ(quarnel::column_tally_count_of(tally, INT32_MIN), 1u);
  EXPECT_EQ(quarnel::column_tally_count_of(tally, INT32_MAX), 1u);
  EXPECT_EQ(quarnel::column_tally_count_of(tally, -4097), 1u);
  EXPECT_EQ(quarnel::column_tally_count_of(tally, 1 << 20), 0u);
  EXPECT_EQ(quarnel::column_tally_places(tally, 1 << 20), nullptr);
  // Indices 2^32 apart: six pages of columns (48 KiB each) under four
  // directories of the second level and the first (8 KiB each).
  EXPECT_EQ(quarnel::column_tally_bytes(tally), 6 * 4096 * 12 + 5 * 8192);
  std::vector<std::int32_t> counted;
  quarnel::column_tally_each(
      tally, [&](std::int32_t index, std::uint32_t count, quarnel::column_places&) {
        if (count != 0) counted.push_back(index);
      });
  EXPECT_EQ(counted, (std::vector<std::int32_t>{INT32_MIN, -4097, -3, 0, 5, 4096, INT32_MAX}));
}

}  // namespace
