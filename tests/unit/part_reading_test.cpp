// A part of a text chosen by byte offset and length: the lines whose first
// byte lies in (offset, offset + length], so that consecutive parts read
// every line once; a header only in the part from byte 0; lines counted
// within the part. And the calling thread's ticks while workers run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/task_threads.h"
#include "reader/text/text_ranges.h"
#include "test_support.h"

namespace {

using quarnel::read_error;
using quarnel_test::read_result;
using quarnel_test::read_string;
using quarnel_test::read_text;

read_result read_part(const std::string& text, std::int64_t offset, std::int64_t length,
                      int threads = 1, std::int64_t range_bytes = 0) {
  quarnel::read_options options;
  options.offset = offset;
  options.length = length;
  options.threads = threads;
  options.range_bytes = range_bytes;
  return read_text(text, nullptr, 64, options);
}

TEST(PartBounds, ALineBelongsToThePartHoldingItsFirstByte) {
  // Lines start at 0, 7 (after a CR LF), 13 and 16; 21 bytes.
  std::string text = "1 1:1\r\n2 2:2\n#c\n3 3:3";
  const std::int64_t cases[][4] = {
      // offset, length, first, last
      {0, 0, 0, 21},   {0, 6, 0, 7},    {0, 7, 0, 13},  // a line starting at offset + length is in
      {5, 1, 7, 7},    {6, 0, 7, 21},                   // offsets on the CR and the LF of a CR LF
      {7, 0, 13, 21},                                   // a line starting at the offset is not
      {18, 0, 21, 21}, {21, 0, 21, 21}, {99, 3, 21, 21}, {0, 99, 0, 21}};
  for (const auto& c : cases) {
    const quarnel::byte_span span = quarnel::part_of_text(21, c[0], c[1], &text, read_string);
    EXPECT_EQ(span.first, c[2]) << "offset " << c[0] << ", length " << c[1];
    EXPECT_EQ(span.last, c[3]) << "offset " << c[0] << ", length " << c[1];
  }
}

// Each instance's entries as (instance, index, value), rows counted from
// `first_row`.
using entry = std::tuple<std::uint64_t, std::int64_t, double>;
void add_entries(const read_result& part, std::uint64_t first_row, std::vector<entry>* entries) {
  const quarnel_test::sparse_result& pairs = part.pairs;
  for (std::size_t column = 0; column + 1 < pairs.starts.size(); ++column)
    for (const auto& e : quarnel_test::column_entries(pairs, column))
      entries->emplace_back(first_row + e.first, part.sizes.min_index + std::int64_t(column),
                            e.second);
}

TEST(PartReading, ConsecutivePartsReadEveryLineOnce) {
  const std::string text = "1 1:1\r\n\r\n2 2:2\n#c 1\n 3:3\n4,5 -4:4 # t\n\n5 5:5 6:6";
  const std::int64_t size = static_cast<std::int64_t>(text.size());
  const read_result whole = read_text(text);
  ASSERT_EQ(whole.failure.error, read_error::none);
  std::vector<entry> expected;
  add_entries(whole, 0, &expected);
  std::sort(expected.begin(), expected.end());
  for (int threads : {1, 2}) {
    // Every pair of cuts on one thread, every third on two (threads cost).
    const int step = threads == 1 ? 1 : 3;
    for (std::int64_t a = 1; a < size; a += step) {
      for (std::int64_t b = a + 1; b < size; b += step) {
        // [0, a), [a, b), [b, end), the inner ones split further on 2 threads.
        const read_result parts[] = {read_part(text, 0, a, threads, 4),
                                     read_part(text, a, b - a, threads, 4),
                                     read_part(text, b, 0, threads, 4)};
        std::vector<entry> stacked;
        std::int64_t instances = 0, label_entries = 0;
        for (const read_result& part : parts) {
          ASSERT_EQ(part.failure.error, read_error::none);
          add_entries(part, static_cast<std::uint64_t>(instances), &stacked);
          instances += part.sizes.instance_count;
          label_entries += part.sizes.label_entry_count;
        }
        std::sort(stacked.begin(), stacked.end());
        EXPECT_EQ(instances, whole.sizes.instance_count) << a << " " << b;
        EXPECT_EQ(label_entries, whole.sizes.label_entry_count) << a << " " << b;
        EXPECT_EQ(stacked, expected) << "parts from " << a << " and " << b;
      }
    }
  }
}

TEST(PartReading, OnlyThePartFromByteZeroHasAHeaderAndItsCountIsCheckedOnlyToTheEnd) {
  const std::string text = "2 5 2\n0 0:1\n1 4:1\n1 2:2\n";  // lines at 0, 6, 12, 18
  EXPECT_TRUE(quarnel::is_malformed(read_part(text, 0, 0).failure.error));  // 3 instances, not 2
  const read_result first = read_part(text, 0, 6);
  EXPECT_EQ(first.failure.error, read_error::none);
  EXPECT_TRUE(first.sizes.header.present);
  EXPECT_EQ(first.sizes.instance_count, 1);
  EXPECT_EQ(quarnel::feature_count(first.sizes), 5);
  // From the header's own line end on: no header, the file's own columns.
  for (int threads : {1, 2}) {
    const read_result rest = read_part(text, 5, 0, threads, 4);
    EXPECT_EQ(rest.failure.error, read_error::none);
    EXPECT_FALSE(rest.sizes.header.present);
    EXPECT_EQ(rest.sizes.instance_count, 3);
    EXPECT_EQ(rest.sizes.min_index, 0);
  }
  // Three integers as a later part's first line are not a header.
  const read_result later = read_part("0 1:1\n1 2 3\n", 2, 0);
  EXPECT_TRUE(quarnel::is_malformed(later.failure.error));
  EXPECT_EQ(later.failure.line, 1);
}

TEST(PartReading, AFaultsLineCountsFromThePartsFirstLine) {
  const std::string text = "1 1:1\n2 2:2\n3 x:1\n4 4:4\n";
  for (int threads : {1, 2}) {
    const read_result part = read_part(text, 3, 0, threads, 4);
    EXPECT_TRUE(quarnel::is_malformed(part.failure.error));
    EXPECT_EQ(part.failure.line, 2);
    EXPECT_EQ(part.failure.column, 3);
  }
}

struct ticks {
  std::thread::id caller = std::this_thread::get_id();
  int count = 0;
  bool elsewhere = false;
};

TEST(TaskThreads, TheCallingThreadTicksWhileWorkersRun) {
  ticks seen;
  const quarnel::task_list tasks{
      &seen, 2, [](void*, int) { std::this_thread::sleep_for(std::chrono::milliseconds(700)); },
      [](void* context) {
        ticks* t = static_cast<ticks*>(context);
        ++t->count;
        t->elsewhere = t->elsewhere || std::this_thread::get_id() != t->caller;
      }};
  quarnel::run_tasks(tasks, 2);
  EXPECT_GE(seen.count, 1);
  EXPECT_FALSE(seen.elsewhere);
}

}  // namespace
