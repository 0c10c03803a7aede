// The decoding source where the fuzz target does not reach: compressed
// bytes that vanish after the file was recognised.
#include <gtest/gtest.h>

#include "compression/decoding_source.h"

namespace {

using quarnel::compression_format;

TEST(DecodingSource, NoCompressedBytesAtAllAreCorruptNotAnEmptyText) {
  for (compression_format format : {compression_format::gzip, compression_format::bzip2,
                                    compression_format::xz, compression_format::zstd}) {
    if (!quarnel::format_decodable(format)) continue;
    quarnel::memory_cursor cursor{nullptr, nullptr};
    quarnel::decoding_source decoding;
    ASSERT_TRUE(quarnel::decoding_source_open(&decoding, format, quarnel::memory_byte_source(&cursor)));
    quarnel::byte_source text = quarnel::decoded_bytes(&decoding);
    char buffer[16];
    quarnel::read_fault fault = quarnel::read_fault::none;
    EXPECT_EQ(text.read(text.context, buffer, sizeof buffer, &fault), 0u);
    EXPECT_EQ(fault, quarnel::read_fault::corrupt_data) << quarnel::format_name(format);
    quarnel::decoding_source_close(&decoding);
  }
}

}  // namespace
