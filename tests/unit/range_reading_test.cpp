// Reading in byte ranges, on one thread or several, gives what one scan of
// the whole text gives: the split at line ends, the merge in file order,
// and the column counts of indices anywhere in the 32-bit range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "column_tally.h"
#include "test_support.h"
#include "text_ranges.h"

namespace {

using quarnel::failure_kind;
using quarnel_test::read_result;
using quarnel_test::read_text;

std::size_t read_string(void* context, std::int64_t offset, char* into, std::size_t size) {
  const std::string* text = static_cast<const std::string*>(context);
  if (offset >= static_cast<std::int64_t>(text->size())) return 0;
  return text->copy(into, size, static_cast<std::size_t>(offset));
}

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
  EXPECT_EQ(a.failure.kind, b.failure.kind) << what;
  EXPECT_EQ(a.failure.error, b.failure.error) << what;
  EXPECT_EQ(a.failure.line, b.failure.line) << what;
  EXPECT_EQ(a.failure.column, b.failure.column) << what;
  EXPECT_EQ(a.duplicates, b.duplicates) << what;
  if (a.failure.kind != failure_kind::none || b.failure.kind != failure_kind::none) return;
  EXPECT_EQ(a.label_map, b.label_map) << what;
  EXPECT_EQ(a.sizes.min_index, b.sizes.min_index) << what;
  EXPECT_EQ(a.sizes.max_index, b.sizes.max_index) << what;
  for (auto matrix : {&read_result::labels, &read_result::pairs}) {
    EXPECT_EQ((a.*matrix).starts, (b.*matrix).starts) << what;
    EXPECT_EQ((a.*matrix).rows, (b.*matrix).rows) << what;
    EXPECT_EQ((a.*matrix).values, (b.*matrix).values) << what;
  }
}

TEST(RangeReading, AnySplitAndThreadCountGivesTheWholeTextsResult) {
  const std::string texts[] = {
      // Labels first met in later ranges, repeats across the file, indices
      // below 1 only in a later range.
      "5 1:1 3:2\n3,5 2:1\n\n7,7 4:1\n 0:9\n5,3,5,5 -3:1 8:2\n9\n",
      // Comments, CR LF, a last line without a newline.
      "# c\r\n1 1:1\r\n#\r\n2 2:2 # t\r\n\r\n3 3:3",
      // A header, whose bounds every range keeps.
      "4 6 3\n0 0:1\n1 5:1\n2,0 2:2\n 3:3\n",
      "2 6 3\n0 0:1\n1 5:1\n2,0 7:2\n 3:3\n",  // an index beyond the header, then another fault
      // The first fault of the file, with faults later on as well.
      "1 1:1\n2 2:2\n3 x:1\n4 4:4\n5 y:1\n",
      "1 1:1\n2 2:abc\n3 3:3\n4 x:1\n",  // a bad value before a later fault
      "1 1:1\n2 2:2\n3 3:3\n4 4:abc\n",  // a bad value found only by the fill
      "1 1:1\n2,2 2:2\n3 3:3\n4 4:abc\n",  // repeats reported before it
      "3 5 3\n1 1:1\n1 1:x\n",           // the header's count is checked last
  };
  for (const std::string& text : texts) {
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

TEST(ColumnTally, CountsIndicesAnywhereAndKeepsOnlyThePagesUsed) {
  quarnel::column_tally tally{};
  for (std::int32_t index : {5, 5, -3, INT32_MIN, INT32_MAX, 0, 4096, -4097})
    ASSERT_TRUE(quarnel::column_tally_count(&tally, index));
  EXPECT_EQ(quarnel::column_tally_find(tally, 5)->left, 2u);
  EXPECT_EQ(quarnel::column_tally_find(tally, INT32_MIN)->left, 1u);
  EXPECT_EQ(quarnel::column_tally_find(tally, INT32_MAX)->left, 1u);
  EXPECT_EQ(quarnel::column_tally_find(tally, -4097)->left, 1u);
  EXPECT_EQ(quarnel::column_tally_find(tally, 1 << 20), nullptr);
  // Indices 2^32 apart: six pages of counts (32 KiB each) under four
  // directories of the second level and the first (8 KiB each).
  EXPECT_EQ(quarnel::column_tally_bytes(tally), 6 * 32768 + 5 * 8192);
  std::vector<std::int32_t> counted;
  quarnel::column_tally_each(tally, [&](std::int32_t index, const quarnel::column_slot& slot) {
    if (slot.left != 0) counted.push_back(index);
  });
  EXPECT_EQ(counted, (std::vector<std::int32_t>{INT32_MIN, -4097, -3, 0, 5, 4096, INT32_MAX}));
  quarnel::column_tally_release(&tally);
}

}  // namespace
