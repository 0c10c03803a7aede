// What the sizing scan counts, and which files it refuses.
#include "reader/sizing/sizing_scan.h"

#include <gtest/gtest.h>

#include "io/byte_source.h"
#include "reader/sizing/scan_merge.h"
#include "reader/text/line_reader.h"
#include "test_support.h"

namespace {

using quarnel::read_error;
using quarnel::read_error;
using quarnel_test::read_text;

TEST(SizingScan, MeasuresTheExampleFile) {
  auto result = read_text("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.sizes.instance_count, 3);
  EXPECT_EQ(result.sizes.label_count, 2);
  EXPECT_EQ(result.sizes.label_entry_count, 3);
  EXPECT_EQ(result.sizes.element_count, 4);
  EXPECT_EQ(result.sizes.min_index, 1);
  EXPECT_EQ(result.sizes.max_index, 4);
  EXPECT_EQ(feature_count(result.sizes), 4);
  EXPECT_EQ(result.label_map, (std::vector<std::int32_t>{3, 1}));
}

TEST(SizingScan, DegenerateFilesAndIndexRanges) {
  auto empty = read_text("");
  EXPECT_EQ(empty.sizes.instance_count, 0);
  EXPECT_EQ(feature_count(empty.sizes), 0);

  auto no_pairs = read_text("1\n\n2,3\n");
  EXPECT_EQ(no_pairs.sizes.instance_count, 3);
  EXPECT_EQ(feature_count(no_pairs.sizes), 0);

  EXPECT_EQ(feature_count(read_text(" 0:1 4:1\n").sizes), 5);
  EXPECT_EQ(feature_count(read_text(" -2:1 4:1\n").sizes), 7);
  // Indices that do not ascend still widen the range to the largest one.
  auto unordered = read_text(" 9:1 2:1\n 3:1\n");
  EXPECT_EQ(unordered.failure.error, read_error::none);
  EXPECT_EQ(unordered.sizes.max_index, 9);
}

TEST(SizingScan, LastLineWithoutNewlineIsAnInstance) {
  auto result = read_text("1 1:1\n7 0:1");
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.sizes.instance_count, 2);
  EXPECT_EQ(result.sizes.min_index, 0);
  EXPECT_EQ(result.label_map, (std::vector<std::int32_t>{1, 7}));
}

TEST(SizingScan, CommentLinesAndCrLfLineEnds) {
  auto result = read_text("# header line\r\n3 1:1\r\n\r\n#2 5:5\r\n 2:2 # trailing\r\n");
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.sizes.instance_count, 3);  // "3 ...", the empty line, " 2:2"
  EXPECT_EQ(result.sizes.max_index, 2);
  EXPECT_EQ(result.label_map, (std::vector<std::int32_t>{3}));
}

TEST(SizingScan, MalformedLinesEndTheScanWithLineAndColumn) {
  struct example {
    std::string text;
    read_error error;
    std::int64_t line, column;
  } examples[] = {
      {"1 1:1\n#c\n2 1:1 x:3\n", read_error::index_not_integer, 3, 7},
      {"1 1:\n2:1\n", read_error::value_missing, 1, 5},  // never takes the next line's token
      {"1 3:1 2:2 3:4\n", read_error::duplicate_index, 1, 11},
      {"1 5:1 5:2\n", read_error::duplicate_index, 1, 7},
      {"1 2:1 2:1 x:1\n", read_error::duplicate_index, 1, 7},  // before the later bad token
      {" 1:1\n\t2.5:1\n", read_error::label_not_number, 2, 2},
      {" 99999999999:1\n", read_error::index_out_of_range, 1, 2},
  };
  for (const example& e : examples) {
    auto result = read_text(e.text);
    EXPECT_TRUE(quarnel::is_malformed(result.failure.error)) << e.text;
    EXPECT_EQ(result.failure.error, e.error) << e.text;
    EXPECT_EQ(result.failure.line, e.line) << e.text;
    EXPECT_EQ(result.failure.column, e.column) << e.text;
  }
}

TEST(SizingScan, AHeaderLineMakesTheFileZeroBasedAndIsNoInstance) {
  auto result = read_text("3 10 4\n1,0 0:1 5:2\n#c\n 9:1\n3\n");
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_TRUE(result.sizes.header.present);
  EXPECT_EQ(result.sizes.instance_count, 3);
  EXPECT_EQ(result.sizes.min_index, 0);
  EXPECT_EQ(feature_count(result.sizes), 10);  // whatever the largest index used
  EXPECT_EQ(result.label_map, (std::vector<std::int32_t>{1, 0, 3}));
  EXPECT_EQ(quarnel_test::column_entries(result.pairs, 0),
            (std::vector<std::pair<std::uint64_t, double>>{{0, 1.0}}));
  EXPECT_EQ(quarnel_test::column_entries(result.pairs, 5),
            (std::vector<std::pair<std::uint64_t, double>>{{0, 2.0}}));

  auto spaced = read_text("1 5 2 \t\r\n 4:1\r\n");
  EXPECT_EQ(spaced.failure.error, read_error::none);
  EXPECT_EQ(feature_count(spaced.sizes), 5);
  auto zeros = read_text("0 0 0\n");
  EXPECT_EQ(zeros.failure.error, read_error::none);
  EXPECT_EQ(zeros.sizes.instance_count, 0);
  EXPECT_EQ(feature_count(zeros.sizes), 0);

  // Only a first line of exactly that form is a header.
  for (const char* text : {"1 2 3 4\n", "1  2 3\n", " 1 2 3\n", "1 2 +3\n", "1 2 3 #\n",
                           "#c\n1 2 3\n", "1 1:1\n1 2 3\n"}) {
    auto not_header = read_text(text);
    EXPECT_FALSE(not_header.sizes.header.present) << text;
    EXPECT_EQ(not_header.failure.error, read_error::colon_missing) << text;
  }
}

TEST(SizingScan, FaultsAgainstTheHeaderNameItsNumbers) {
  struct example {
    std::string text;
    read_error error;
    std::int64_t line, column, found, header_value;
  } examples[] = {
      // The failure table has one of each; these are the cases beside them.
      {"1 5 3\n1 1:1\n\n", read_error::header_instance_count, 1, 1, 2, 1},  // an empty line counts
      {"1 5 3\n1 -1:1\n", read_error::index_outside_header, 2, 3, -1, 5},
      {"1 5 3\n-1\n", read_error::label_outside_header, 2, 1, -1, 3},
      {"1 5 3\n1 2:1 2:1 7:1\n", read_error::duplicate_index, 2, 7, 0, 0},
      {"1 2 99999999999999999999999\n", read_error::header_value_too_large, 1, 5, 0, 0},
  };
  for (const example& e : examples) {
    auto result = read_text(e.text);
    EXPECT_TRUE(quarnel::is_malformed(result.failure.error)) << e.text;
    EXPECT_EQ(result.failure.error, e.error) << e.text;
    EXPECT_EQ(result.failure.line, e.line) << e.text;
    EXPECT_EQ(result.failure.column, e.column) << e.text;
    EXPECT_EQ(result.failure.bound.found, e.found) << e.text;
    EXPECT_EQ(result.failure.bound.count, e.header_value) << e.text;
  }
}

TEST(SizingScan, LinesThatOutgrowTheBufferEndAsTheyWouldWhole) {
  const std::string texts[] = {
      "1 1:1\n" + std::string(100, 'x') + "\n2 2:2\n",
      "1 1:1\n" + std::string(100, '\0'),
      "#" + std::string(100, 'c') + "\n1 1:1\n" + std::string(50, '\0') + "\n",
      "1 1:1\n#" + std::string(100, 'c') + "\r\n 2:1\n#" + std::string(100, 'c'),
      "1 1:1\n" + std::string(100, '7') + "\n",
      "#\n# c\n1 1:1\n#\nx\n",
  };
  for (const std::string& text : texts) {
    auto whole = read_text(text, nullptr, 1 << 16);
    for (std::size_t block : {1, 2, 16}) {
      auto cut = read_text(text, nullptr, block);
      EXPECT_EQ(cut.failure.error, whole.failure.error) << block << ": " << text;
      EXPECT_EQ(cut.failure.error, whole.failure.error) << block << ": " << text;
      EXPECT_EQ(cut.failure.line, whole.failure.line) << block << ": " << text;
      EXPECT_EQ(cut.failure.column, whole.failure.column) << block << ": " << text;
      EXPECT_EQ(cut.sizes.instance_count, whole.sizes.instance_count) << block << ": " << text;
      EXPECT_EQ(cut.failure.error, whole.failure.error) << block << ": " << text;
    }
  }
}

// A source that serves its first `size` bytes, then fails.
struct broken_source {
  quarnel::memory_cursor cursor;
};

std::size_t read_then_break(void* context, char* into, std::size_t size, quarnel::read_fault* fault) {
  auto* source = static_cast<broken_source*>(context);
  if (source->cursor.next == source->cursor.last) {
    *fault = quarnel::read_fault::io_error;
    return 0;
  }
  return quarnel::memory_byte_source(&source->cursor).read(&source->cursor, into, size, fault);
}

TEST(SizingScan, AReadErrorIsAFailureNotAnEarlyEnd) {
  const std::string text = "1 1:1\n2 2:2\n";
  broken_source source{{text.data(), text.data() + text.size()}};
  quarnel::range_tally tally;
  ASSERT_TRUE(quarnel::range_tally_create(&tally));
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, {&source, read_then_break}, 4));
  EXPECT_EQ(quarnel::sizing_scan(&reader, {true, {}}, &tally).error, read_error::read_failed);
}

// A width past the 32-bit indices lets every index from the base through
// and makes that many columns.
TEST(SizingScan, AWidthBeyondThe32BitIndices) {
  const std::string text = "1 2147483647:1 0:1\n";
  quarnel::memory_cursor cursor{text.data(), text.data() + text.size()};
  quarnel::range_tally tally;
  ASSERT_TRUE(quarnel::range_tally_create(&tally));
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, quarnel::memory_byte_source(&cursor), 64));
  quarnel::read_options options;
  options.base = quarnel::read_options::index_base::zero_based;
  options.width = std::int64_t{1} << 32;
  EXPECT_EQ(quarnel::sizing_scan(&reader, {true, {}, options.base, options.width}, &tally).error,
            read_error::none);
  quarnel::problem_sizes sizes;
  quarnel::label_dictionary dictionary;
  quarnel::growable_array<std::int64_t> label_columns;
  ASSERT_TRUE(quarnel::label_dictionary_create(&dictionary));
  ASSERT_TRUE(quarnel::merge_tallies(&tally, 1, options, &sizes, &dictionary, &label_columns));
  EXPECT_EQ(sizes.min_index, 0);
  EXPECT_EQ(feature_count(sizes), std::int64_t{1} << 32);
}

}  // namespace
