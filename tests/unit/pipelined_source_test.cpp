// The source read ahead on its own thread hands over exactly the inner
// source's bytes, then its end or its fault, and stops whenever closed.
#include "reader/text/pipelined_source.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using quarnel::byte_source;
using quarnel::read_fault;

// The bytes of `text`, then a fault when `fault` is set.
struct failing_memory {
  quarnel::memory_cursor cursor;
  read_fault fault;
};

std::size_t read_failing(void* context, char* into, std::size_t size, read_fault* fault) {
  auto* source = static_cast<failing_memory*>(context);
  const std::size_t count = quarnel::memory_byte_source(&source->cursor).read(&source->cursor, into, size, fault);
  if (count == 0) *fault = source->fault;
  return count;
}

// Everything `source` hands out, read `chunk` bytes at a time, and how it ended.
std::string drain(byte_source source, std::size_t chunk, read_fault* fault) {
  std::string bytes;
  std::string piece(chunk, '\0');
  std::size_t count;
  *fault = read_fault::none;
  while ((count = source.read(source.context, &piece[0], chunk, fault)) != 0) bytes.append(piece, 0, count);
  return bytes;
}

TEST(PipelinedSource, HandsOverTheBytesThenTheEndOrTheFault) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += std::to_string(i * 7919 % 1000) + (i % 9 ? " " : "\n");
  for (read_fault at_end : {read_fault::none, read_fault::corrupt_data}) {
    for (std::size_t block : {1, 7, 4096}) {
      failing_memory inner{{text.data(), text.data() + text.size()}, at_end};
      quarnel::pipelined_source* ahead = quarnel::pipelined_source_open({&inner, read_failing}, block, 3);
      ASSERT_NE(ahead, nullptr);
      read_fault fault;
      EXPECT_EQ(drain(quarnel::pipelined_bytes(ahead), 5, &fault), text) << block;
      EXPECT_EQ(fault, at_end) << block;
      quarnel::pipelined_source_close(ahead);
    }
  }
}

TEST(PipelinedSource, ClosesWithoutBeingReadToTheEnd) {
  const std::string text(1 << 20, 'x');
  failing_memory inner{{text.data(), text.data() + text.size()}, read_fault::none};
  quarnel::pipelined_source* ahead = quarnel::pipelined_source_open({&inner, read_failing}, 1024, 2);
  ASSERT_NE(ahead, nullptr);
  char first[10];
  read_fault fault = read_fault::none;
  EXPECT_EQ(quarnel::pipelined_bytes(ahead).read(ahead, first, sizeof first, &fault), sizeof first);
  quarnel::pipelined_source_close(ahead);  // the reading thread waits on a full ring: it must stop
}

}  // namespace
