// Lines come out whole, whatever the block boundaries, line ends and sizes.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using quarnel::line_status;

std::vector<std::string> lines_of(const std::string& text, std::size_t block_size) {
  quarnel::memory_cursor cursor{text.data(), text.data() + text.size()};
  quarnel::line_reader reader;
  EXPECT_TRUE(quarnel::line_reader_open(&reader, quarnel::memory_byte_source(&cursor), block_size));
  std::vector<std::string> lines;
  const char* first;
  const char* last;
  line_status status;
  while ((status = quarnel::next_line(&reader, &first, &last)) == line_status::line) {
    lines.emplace_back(first, last);
    EXPECT_EQ(reader.line_number, static_cast<std::int64_t>(lines.size()));
  }
  EXPECT_EQ(status, line_status::end_of_data);
  quarnel::line_reader_close(&reader);
  return lines;
}

TEST(LineReader, SplitsLinesAcrossEveryBlockSize) {
  const std::string text = "3,1 1:0.5 4:2\r\n\n1 2:1\r\n\r\n 3:7\n7 last line\r";
  const std::vector<std::string> expected = {"3,1 1:0.5 4:2", "", "1 2:1", "", " 3:7",
                                             "7 last line"};
  for (std::size_t block = 1; block <= text.size() + 1; ++block)
    EXPECT_EQ(lines_of(text, block), expected) << "block size " << block;
}

TEST(LineReader, KeepsALastLineWithoutNewline) {
  EXPECT_EQ(lines_of("1 1:1\n7 0:1", 4), (std::vector<std::string>{"1 1:1", "7 0:1"}));
  EXPECT_EQ(lines_of("1 1:1\n", 4), (std::vector<std::string>{"1 1:1"}));
  EXPECT_EQ(lines_of("", 4), (std::vector<std::string>{}));
  EXPECT_EQ(lines_of("\n", 4), (std::vector<std::string>{""}));
  // A lone carriage return inside a line is white space, not a line end.
  EXPECT_EQ(lines_of("1\r2\n", 4), (std::vector<std::string>{"1\r2"}));
}

TEST(LineReader, GrowsForALineLongerThanTheBuffer) {
  std::string long_line(100000, '7');
  std::string text = "x\n" + long_line + "\ny\n";
  EXPECT_EQ(lines_of(text, 16), (std::vector<std::string>{"x", long_line, "y"}));
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
  ASSERT_TRUE(quarnel::line_reader_open(&reader, {&source, read_then_fail}, 4));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), "1 1:1");
  EXPECT_EQ(quarnel::next_line(&reader, &first, &last), line_status::read_failed);
  EXPECT_EQ(reader.bytes_read, 8);
  quarnel::line_reader_close(&reader);
}

// Serves segments of bytes, each `text` repeated up to `count` bytes,
// without storing them: gigabytes cost only the time to write them.
struct generated_source {
  struct segment {
    std::string text;
    std::uint64_t count;
  };
  std::vector<segment> segments;
  std::size_t current;
  std::uint64_t served;  // of the current segment
};

std::size_t generate(void* context, char* into, std::size_t size, quarnel::read_fault*) {
  auto* source = static_cast<generated_source*>(context);
  std::size_t count = 0;
  while (count < size && source->current < source->segments.size()) {
    const auto& segment = source->segments[source->current];
    std::uint64_t left = segment.count - source->served;
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, size - count));
    if (segment.text.size() == 1) {
      std::memset(into + count, segment.text[0], n);
    } else {
      for (std::size_t i = 0; i < n; ++i)
        into[count + i] = segment.text[(source->served + i) % segment.text.size()];
    }
    count += n;
    source->served += n;
    if (source->served == segment.count) {
      ++source->current;
      source->served = 0;
    }
  }
  return count;
}

constexpr std::uint64_t gigabyte = std::uint64_t{1} << 30;

TEST(LineReader, AnEndlessLineOfNulsFailsBeforeTheBufferGrows) {
  generated_source source{{{"1 1:1\n", 6}, {std::string(1, '\0'), gigabyte}}, 0, 0};
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, {&source, generate}));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(quarnel::next_line(&reader, &first, &last), line_status::bad_start);
  EXPECT_EQ(reader.line_number, 2);
  EXPECT_EQ(reader.room, quarnel::default_block_size);
  EXPECT_LE(reader.bytes_read, static_cast<std::int64_t>(2 * quarnel::default_block_size));
  quarnel::line_reader_close(&reader);
}

TEST(LineReader, SkipsAGigabyteCommentWithoutGrowing) {
  generated_source source{
      {{"1 1:1\n#", 7}, {"c", gigabyte}, {"\r\n 2:2\n#", 8}, {"x", 3 << 20}},
      0,
      0};
  quarnel::line_reader reader;
  ASSERT_TRUE(quarnel::line_reader_open(&reader, {&source, generate}));
  const char* first;
  const char* last;
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), "1 1:1");
  ASSERT_EQ(quarnel::next_line(&reader, &first, &last), line_status::line);
  EXPECT_EQ(std::string(first, last), " 2:2");
  EXPECT_EQ(reader.line_number, 3);
  // The last line, a comment without a newline, is skipped to the end.
  EXPECT_EQ(quarnel::next_line(&reader, &first, &last), line_status::end_of_data);
  EXPECT_EQ(reader.line_number, 4);
  EXPECT_EQ(reader.room, quarnel::default_block_size);
  EXPECT_EQ(reader.bytes_read, static_cast<std::int64_t>(gigabyte + (3 << 20) + 15));
  quarnel::line_reader_close(&reader);
}

}  // namespace
