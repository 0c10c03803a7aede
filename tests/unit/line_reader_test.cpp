// Lines come out whole or in pieces, whatever the block boundaries, line
// ends and sizes.
#include "reader/text/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using quarnel::line_status;

using quarnel_test::gigabyte;

// The lines of `text`, a long one put together from its pieces: kept whole
// in the buffer (`keep_all`), or each piece copied out and dropped.
std::vector<std::string> lines_of(const std::string& text, std::size_t block_size,
                                  bool keep_all = false) {
  quarnel::memory_cursor cursor{text.data(), text.data() + text.size()};
  quarnel::line_reader reader;
  EXPECT_TRUE(quarnel::line_reader_open(&reader, quarnel::memory_byte_source(&cursor), block_size));
  std::vector<std::string> lines;
  const char* first;
  const char* last;
  line_status status;
  while ((status = quarnel::next_line(&reader, &first, &last)) == line_status::line) {
    quarnel::line_piece piece{first, last, 0, !reader.line_continues};
    std::string line;
    while (!piece.ends) {
      EXPECT_LT(piece.first, piece.last);
      if (!keep_all) line.append(piece.first, piece.last);
      EXPECT_TRUE(quarnel::more_of_line(&reader, &piece, keep_all ? piece.first : piece.last));
      EXPECT_EQ(piece.offset, keep_all ? 0 : static_cast<std::int64_t>(line.size()));
    }
    line.append(piece.first, piece.last);
    lines.push_back(line);
    EXPECT_EQ(reader.line_number, static_cast<std::int64_t>(lines.size()));
  }
  EXPECT_EQ(status, line_status::end_of_data);
  return lines;
}

TEST(LineReader, SplitsLinesAcrossEveryBlockSize) {
  const std::string text = "3,1 1:0.5 4:2\r\n\n1 2:1\r\n\r\n 3:7\n7 last line\r";
  const std::vector<std::string> expected = {"3,1 1:0.5 4:2", "", "1 2:1", "", " 3:7",
                                             "7 last line"};
  for (std::size_t block = 1; block <= text.size() + 1; ++block) {
    EXPECT_EQ(lines_of(text, block), expected) << "block size " << block;
    EXPECT_EQ(lines_of(text, block, true), expected) << "block size " << block;
  }
}

TEST(LineReader, KeepsALastLineWithoutNewline) {
  EXPECT_EQ(lines_of("1 1:1\n7 0:1", 4), (std::vector<std::string>{"1 1:1", "7 0:1"}));
  EXPECT_EQ(lines_of("1 1:1\n", 4), (std::vector<std::string>{"1 1:1"}));
  EXPECT_EQ(lines_of("", 4), (std::vector<std::string>{}));
  EXPECT_EQ(lines_of("\n", 4), (std::vector<std::string>{""}));
  // A lone carriage return inside a line is white space, not a line end.
  EXPECT_EQ(lines_of("1\r2\n", 4), (std::vector<std::string>{"1\r2"}));
}

TEST(LineReader, HandsOutALineLongerThanTheBufferInPieces) {
  std::string long_line(100000, '7');
  std::string text = "x\n" + long_line + "\ny\n";
  EXPECT_EQ(lines_of(text, 16), (std::vector<std::string>{"x", long_line, "y"}));
  EXPECT_EQ(lines_of(text, 16, true), (std::vector<std::string>{"x", long_line, "y"}));
}

struct failing_source {
  std::string content;
  std::size_t fail_after;  // bytes served before the read error
  std::size_t served;
};

std::size_t read_then_fail(void* context, char* into, std::size_t size, quarnel::read_fault* fault) {
  auto* source = static_cast<failing_source*>(context);
  if (source->served >= source->fail_after) {
    *fault = quarnel::read_fault::io_error;
    return 0;
  }
  std::size_t count = std::min({size, source->fail_after - source->served, source->content.size() - source->served});
  std::copy_n(source->content.data() + source->served, count, into);
  source->served += count;
  return count;
}

TEST(LineReader, ReportsAReadErrorInsteadOfAnEnd) {
  failing_source source{"1 1:1\n2 2:2\n3 3:3\n", 8, 0};
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, {&source, read_then_fail}, 8));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), "1 1:1");
  EXPECT_EQ(quarnel::next_line(&reader, &first, &last), line_status::read_failed);
  EXPECT_EQ(reader.bytes_read, 8);
}

TEST(LineReader, PassesOverWhatIsLeftOfALineInPieces) {
  const std::string text = "1 1:1\n" + std::string(100, 'c') + "\r\n 2:2\n#" + std::string(50, 'x');
  quarnel::memory_cursor cursor{text.data(), text.data() + text.size()};
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, quarnel::memory_byte_source(&cursor), 16));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_TRUE(reader.line_continues);
  EXPECT_EQ(std::string(first, last), std::string(16, 'c'));
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), " 2:2");
  EXPECT_EQ(reader.line_number, 3);
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_TRUE(reader.line_continues);
  EXPECT_EQ(quarnel::next_line(&reader, &first, &last), line_status::end_of_data);
  EXPECT_EQ(reader.line_number, 4);
  EXPECT_EQ(reader.room, 16u);
}

TEST(LineReader, GrowsToHoldALineWholeUpToItsBoundOnly) {
  const std::string text = std::string(50, 'a') + "\n" + std::string(100, 'b') + "\n";
  quarnel::memory_cursor cursor{text.data(), text.data() + text.size()};
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, quarnel::memory_byte_source(&cursor), 16, 64));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_FALSE(reader.line_continues);
  EXPECT_EQ(std::string(first, last), std::string(50, 'a'));
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_TRUE(reader.line_continues);
  EXPECT_EQ(std::string(first, last), std::string(64, 'b'));
  EXPECT_EQ(reader.room, 64u);
}

TEST(LineReader, PassesOverAGigabyteCommentWithoutGrowing) {
  const quarnel_test::generated_text text{
      {{"1 1:1\n#", 7}, {"c", gigabyte}, {"\r\n 2:2\n#", 8}, {"x", 3 << 20}}};
  quarnel_test::generated_cursor cursor{&text, 0, 0};
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, quarnel_test::generated_source(&cursor)));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), "1 1:1");
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(*first, '#');  // its first piece
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), " 2:2");
  EXPECT_EQ(reader.line_number, 3);
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(quarnel::next_line(&reader, &first, &last), line_status::end_of_data);
  EXPECT_EQ(reader.line_number, 4);
  EXPECT_EQ(reader.room, quarnel::default_block_size);
  EXPECT_EQ(reader.bytes_read, static_cast<std::int64_t>(gigabyte + (3 << 20) + 15));
}

}  // namespace
