// Lines longer than the reader's buffer, read in pieces: the same outcome as
// with a buffer that holds them, in a buffer that never grows for them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "reader/multilabel_reader.h"
#include "reader/sizing/sizing_scan.h"
#include "reader/text/line_reader.h"
#include "test_support.h"

namespace {

using quarnel::default_block_size;
using quarnel::read_error;
using quarnel::read_error;
using quarnel_test::column_entries;
using quarnel_test::generated_text;
using quarnel_test::read_generated;
using quarnel_test::read_text;
using entries = std::vector<std::pair<std::uint64_t, double>>;

using quarnel_test::gigabyte;

TEST(LongLines, EveryBufferSizeReadsWhatTheWholeLineGives) {
  const std::string spaces(300, ' ');
  const std::string texts[] = {
      // Tokens, white space and CR LF across piece ends; labels after tabs.
      "3,1,\t\t" + spaces + "2 1:0.5" + spaces + "4:" + spaces + "2\r\n1 2:1\r\n 3:7",
      " 5:1 2:2 9:3 1:4\n" + spaces + "7:1" + spaces + "3:1\n",  // indices not ascending
      " 5:1 2:2" + spaces + "5:3\n",                              // an index repeated
      "1 1:1" + spaces + "2:x\n",                                 // a bad value the fill finds
      "1 2:3" + spaces + "4:5 # a comment" + spaces + "6:x\n" + spaces + "1\n",
      "1,\t" + spaces + "\n",                                     // a label missing
      " 1:" + spaces + "\n",                                      // a value missing
      "2:1" + spaces + "3:" + spaces + "4\n",                     // the first token a pair
      // Header lines: with white space after them, and lines that only
      // start like one.
      "2 5 3" + spaces + "\r\n0 1:1\n 4:1\n",
      "2 5 3" + spaces + "x\n0 1:1\n",
      "2 99999999999 3" + spaces + "\n",
      "2 5 3 4" + spaces + "\n",
      "2 5 3\n1 2:1" + spaces + "5:1\n",                          // an index outside the header
      // Tokens over the bound, and a value that ends before it.
      "1 2:" + std::string(5000, '1') + "\n",
      "1 2:3" + std::string(5000, '\x01') + " 4:1\n",
  };
  for (const std::string& text : texts) {
    const auto whole = read_text(text, nullptr, 1 << 16);
    for (std::size_t block : {1, 2, 7, 16, 64}) {
      const auto cut = read_text(text, nullptr, block);
      EXPECT_TRUE(quarnel_test::same_read(cut, whole)) << block << ": " << text.substr(0, 60);
      // The buffer grows only for a token that crosses a piece's end, or
      // for a first line's header numbers.
      EXPECT_LE(cut.largest_read, 3 * quarnel::longest_token + 8) << text.substr(0, 60);
    }
  }
}

TEST(LongLines, GigabytesOfWhiteSpaceBetweenTwoPairs) {
  const generated_text text{
      {{"1 1:1", 5}, {" ", 10 * gigabyte}, {"\t2:2 \r\n 3:3\n", 12}}};
  const auto result = read_generated(text);
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.sizes.instance_count, 2);
  EXPECT_EQ(column_entries(result.pairs, 0), (entries{{0, 1.0}}));
  EXPECT_EQ(column_entries(result.pairs, 1), (entries{{0, 2.0}}));
  EXPECT_EQ(column_entries(result.pairs, 2), (entries{{1, 3.0}}));
  EXPECT_LE(result.largest_read, quarnel::longest_whole_line);
}

TEST(LongLines, AMillionPairsOnOneLine) {
  std::string line = "7";
  for (int i = 1000000; i >= 1; --i) line += " " + std::to_string(i) + ":" + std::to_string(i % 10);
  auto result = read_text(line + "\n", nullptr, default_block_size);
  ASSERT_EQ(result.failure.error, read_error::none);
  EXPECT_EQ(result.sizes.element_count, 1000000);
  EXPECT_EQ(column_entries(result.pairs, 123455), (entries{{0, 6.0}}));
  EXPECT_LE(result.largest_read, default_block_size);
  // One index twice, far apart: named at its second pair.
  const std::string repeated = line + " 999999:1\n";
  result = read_text(repeated, nullptr, default_block_size);
  EXPECT_EQ(result.failure.error, read_error::duplicate_index);
  EXPECT_EQ(result.failure.column, static_cast<std::int64_t>(line.size()) + 2);
}

TEST(LongLines, ATokenPastTheBoundIsMalformed) {
  const auto result = read_generated({{{"1 1:1\n2 3:", 10}, {"1", gigabyte}, {"\n", 1}}});
  EXPECT_TRUE(quarnel::is_malformed(result.failure.error));
  EXPECT_EQ(result.failure.line, 2);
  EXPECT_EQ(result.failure.column, 5);
  EXPECT_EQ(quarnel::failure_message(result.failure, "f"),
            "malformed input in f at line 2, column 5: token is longer than 4096 bytes\n");
  EXPECT_LE(result.largest_read, quarnel::longest_whole_line);
}

TEST(LongLines, EndlessNulsFailAtTheFirstWithoutGrowing) {
  for (const char* start : {"1", ""}) {
    const generated_text text{{{std::string("1 1:1\n") + start, 6 + std::strlen(start)},
                               {std::string(1, '\0'), 100 * gigabyte}}};
    quarnel_test::generated_cursor cursor{&text, 0, 0};
    quarnel::line_reader reader;
    ASSERT_TRUE(quarnel::line_reader_open(&reader, quarnel_test::generated_source(&cursor)));
    quarnel::range_tally tally;
    ASSERT_TRUE(quarnel::range_tally_create(&tally));
    const auto failure = quarnel::sizing_scan(&reader, {true, {}}, &tally);
    EXPECT_EQ(failure.error, read_error::label_not_number);
    EXPECT_EQ(failure.line, 2);
    EXPECT_EQ(failure.column, 1);
    EXPECT_EQ(reader.room, default_block_size);
    EXPECT_LE(reader.bytes_read, static_cast<std::int64_t>(2 * default_block_size));
  }
}

}  // namespace
