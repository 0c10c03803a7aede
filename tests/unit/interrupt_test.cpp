// A read the host interrupts ends soon, whatever it is doing: on the calling
// thread, on worker threads, and with a text that would never end. Nothing
// of it is made afterwards, and every thread has ended when it returns.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "reader/range_reading.h"
#include "reader/read_host.h"
#include "reader/text/decoded_blocks.h"
#include "reader/text/text_ranges.h"
#include "test_support.h"

namespace {

using namespace quarnel;

// Says the user interrupted once `polls_before` questions have been asked.
class interrupting_host final : public read_host {
 public:
  explicit interrupting_host(int polls_before) : polls_before_(polls_before) {}
  bool make_outputs(const problem_sizes&, const std::int32_t*, sparse_columns*,
                    sparse_columns*) override {
    made = true;
    return false;
  }
  bool interrupted() override { return ++polls > polls_before_; }
  int polls = 0;
  bool made = false;

 private:
  int polls_before_;
};

// Ranges that each serve "1,2 3:4.5\n" without end.
struct endless_ranges {
  quarnel_test::generated_text text{{{"1,2 3:4.5\n", UINT64_MAX}}};
  std::vector<quarnel_test::generated_cursor> cursors;
};

read_error open_endless(void* context, int k, byte_source* source) {
  endless_ranges* ranges = static_cast<endless_ranges*>(context);
  ranges->cursors[static_cast<std::size_t>(k)] = {&ranges->text, 0, 0};
  *source = quarnel_test::generated_source(&ranges->cursors[static_cast<std::size_t>(k)]);
  return read_error::none;
}

void close_endless(void*, int) {}

TEST(Interrupt, EndsAnEndlessReadOnTheCallingThreadAndOnWorkers) {
  for (int threads : {1, 3}) {
    for (int count : {1, 4}) {
      endless_ranges endless;
      endless.cursors.resize(static_cast<std::size_t>(count));
      const text_ranges ranges{&endless, count, compression_format::none, open_endless,
                               close_endless};
      read_options options;
      options.threads = threads;
      interrupting_host host(1);
      const auto start = std::chrono::steady_clock::now();
      const read_failure failure = read_ranges(ranges, options, host);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      EXPECT_EQ(failure.error, read_error::interrupted) << threads << " threads, " << count;
      EXPECT_FALSE(host.made);
      // One poll passes before the interrupt; the stop follows the second.
      EXPECT_LT(seconds, 2.0) << threads << " threads, " << count << " ranges";
      EXPECT_EQ(host.polls, 2);
    }
  }
}

// A text cut into blocks as it is read, without end.
read_error open_endless_stream(void* context, byte_source* source) {
  endless_ranges* endless = static_cast<endless_ranges*>(context);
  endless->cursors[0] = {&endless->text, 0, 0};
  *source = quarnel_test::generated_source(&endless->cursors[0]);
  return read_error::none;
}

TEST(Interrupt, EndsAnEndlessTextCutIntoBlocks) {
  endless_ranges endless;
  endless.cursors.resize(1);
  block_cutting cutting;
  cutting.workers = 2;
  cutting.block_bytes = 4096;
  owned_decoded_blocks blocks = open_decoded_blocks(
      {&endless, open_endless_stream, [](void*) {}, [](void*) { return std::int64_t{0}; }},
      cutting);
  text_ranges ranges = decoded_block_ranges(blocks.get());
  const text_ranges whole = whole_decoded_text(blocks.get());
  ranges.whole = &whole;
  read_options options;
  options.threads = 2;
  interrupting_host host(1);
  EXPECT_EQ(read_ranges(ranges, options, host).error, read_error::interrupted);
  EXPECT_FALSE(host.made);
}

}  // namespace
