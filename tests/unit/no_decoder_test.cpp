// A build without the decoding libraries: compressed files are recognised
// all the same and refused with a message naming their format, never read
// as text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "compression/encoding_sink.h"
#include "reader/multilabel_reader.h"

namespace {

struct no_outputs final : quarnel::read_host {
  bool make_outputs(const quarnel::problem_sizes&, const std::int32_t*, quarnel::sparse_columns*,
                    quarnel::sparse_columns*) override {
    ADD_FAILURE() << "outputs made for a file that cannot be read";
    return false;
  }
};

TEST(NoDecoder, EachFormatIsNamedAndNothingIsRead) {
  const struct {
    std::string head;
    const char* format;
    const char* ending;  // of a name to write in the format
  } cases[] = {{"\x1f\x8b\x08", "gzip", ".gz"}, {"BZh91AY", "bzip2", ".bz2"},
               {std::string("\xfd" "7zXZ\0\0", 7), "xz", ".xz"},
               {"\x28\xb5\x2f\xfd\x24", "zstd", ".zst"}};
  for (const auto& c : cases) {
    const std::string name = std::string("no_decoder.") + c.format;
    std::FILE* file = std::fopen(name.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(c.head.data(), 1, c.head.size(), file);
    std::fclose(file);
    no_outputs host;
    quarnel::read_failure failure = quarnel::read_multilabel_file(name.c_str(), {}, host);
    EXPECT_EQ(quarnel::failure_message(failure, name.c_str()),
              "can't read input file " + name + ": it is " + c.format +
                  "-compressed and this build has no " + c.format + "\n");
    std::remove(name.c_str());

    // Nor can it write the format that the name asks for.
    const std::string written = std::string("data.txt") + c.ending;
    quarnel::encoding_sink sink;
    EXPECT_STREQ(quarnel::format_name(quarnel::format_of_name(written.c_str())), c.format);
    EXPECT_FALSE(quarnel::encoding_sink_open(&sink, quarnel::format_of_name(written.c_str()),
                                             quarnel::string_byte_sink(nullptr)));
    EXPECT_FALSE(sink.out_of_memory);
  }
}

}  // namespace
