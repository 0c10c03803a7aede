// ISA-L's gzip decoder against zlib's, through the decoding source: the
// same text from every well-formed file, the same verdict on every file cut
// short or with a bit flipped.
#if defined(QUARNEL_HAVE_ISAL) && defined(QUARNEL_HAVE_ZLIB)

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "compression/decoding_source.h"

namespace {

using quarnel::decoder_create;
using quarnel::read_fault;

// One gzip member of `text`; with `header`, one that names a file, carries
// an extra field and a comment, and checks itself.
std::string gzip_member(const std::string& text, int level, bool header) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  unsigned char extra[] = {'Q', 'N', 2, 0, 7, 9};
  char name[] = "train.txt";
  char comment[] = "made for a test";
  gz_header fields{};
  fields.extra = extra;
  fields.extra_len = sizeof extra;
  fields.name = reinterpret_cast<Bytef*>(name);
  fields.comment = reinterpret_cast<Bytef*>(comment);
  fields.hcrc = 1;
  if (header) EXPECT_EQ(deflateSetHeader(&stream, &fields), Z_OK);
  std::string out(deflateBound(&stream, text.size()) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

struct decoded {
  std::string text;
  read_fault fault;
};

// The whole text, reading the file `input_size` bytes at a time and asking
// for `out_size` decoded bytes at a time.
decoded decode(decoder_create create, const std::string& file, std::size_t input_size,
               std::size_t out_size) {
  quarnel::memory_cursor cursor{file.data(), file.data() + file.size()};
  quarnel::decoding_source source;
  decoded result{"", read_fault::none};
  if (!quarnel::decoding_source_open_with(&source, create, quarnel::memory_byte_source(&cursor),
                                          input_size)) {
    quarnel::decoding_source_close(&source);
    result.fault = read_fault::out_of_memory;
    return result;
  }
  const quarnel::byte_source bytes = quarnel::decoded_bytes(&source);
  std::string buffer(out_size, '\0');
  for (;;) {
    const std::size_t count = bytes.read(bytes.context, &buffer[0], out_size, &result.fault);
    if (count == 0) break;
    result.text.append(buffer, 0, count);
  }
  quarnel::decoding_source_close(&source);
  return result;
}

void expect_same(const std::string& file, std::size_t input_size, std::size_t out_size,
                 const std::string& what) {
  const decoded zlib = decode(quarnel::zlib_gzip_decoder_create, file, input_size, out_size);
  const decoded isal = decode(quarnel::isal_gzip_decoder_create, file, input_size, out_size);
  EXPECT_EQ(isal.fault, zlib.fault) << what;
  // A damaged member may hand out more or less of its text before the
  // damage shows; a whole one, the same text.
  if (zlib.fault == read_fault::none) EXPECT_TRUE(isal.text == zlib.text) << what;
}

std::string some_text(std::size_t lines) {
  std::string text;
  for (std::size_t i = 0; i < lines; ++i)
    text += std::to_string(i % 7) + "," + std::to_string(i % 3) + " " + std::to_string(i % 101) +
            ":0." + std::to_string(i * 7919 % 1000) + " 102:1\n";
  return text;
}

TEST(GzipDecoders, GiveTheSameTextInEveryWayOfReading) {
  const std::string text = some_text(20000);
  const std::string file = gzip_member(text, 6, true) + gzip_member(text, 1, false) +
                           gzip_member("", 9, false) + gzip_member(text.substr(0, 999), 9, true) +
                           std::string(512, '\0');
  for (std::size_t input_size : {1, 7, 4096, 1 << 17})
    for (std::size_t out_size : {1, 13, 65536}) {
      if (input_size * out_size == 1) continue;  // byte by byte through 4 MB: too slow
      const std::string what = std::to_string(input_size) + "/" + std::to_string(out_size);
      expect_same(file, input_size, out_size, what);
      EXPECT_TRUE(decode(quarnel::isal_gzip_decoder_create, file, input_size, out_size).text ==
                  text + text + text.substr(0, 999))
          << what;
    }
}

TEST(GzipDecoders, AgreeOnEveryCutAndEveryFlippedBit) {
  const std::string file = gzip_member(some_text(3), 6, true) + gzip_member("1 1:1\n", 6, false);
  for (std::size_t size = 0; size < file.size(); ++size)
    expect_same(file.substr(0, size), 5, 64, "cut at " + std::to_string(size));
  for (std::size_t at = 0; at < file.size(); ++at)
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = file;
      flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
      expect_same(flipped, 4096, 4096, "bit " + std::to_string(bit) + " of byte " + std::to_string(at));
    }
}

}  // namespace

#endif
