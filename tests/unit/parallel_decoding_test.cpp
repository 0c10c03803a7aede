// The decoding source on several threads against the same source on one:
// the same text, end and failure from files of many blocks, frames,
// members and streams, whole, damaged, cut short or padded, and from
// records that no longer match their file; and threads that stop when the
// source is closed before its end.
#include <gtest/gtest.h>

#ifdef QUARNEL_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef QUARNEL_HAVE_BZIP2
#include <bzlib.h>
#endif
#ifdef QUARNEL_HAVE_LZMA
#include <lzma.h>
#endif
#ifdef QUARNEL_HAVE_ZSTD
#include <zstd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "compression/decoding_source.h"

// Named: the unit tests build as one file, beside the gzip decoders' own helpers.
namespace parallel_decoding_test {

using quarnel::compression_format;
using quarnel::read_fault;
using quarnel::stream_record;

// Lines of sparse data, with random values that compress only 2x to 3x.
std::string some_text(std::size_t bytes, std::uint32_t seed) {
  std::string text;
  std::uint32_t x = seed | 1;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  while (text.size() < bytes) {
    text += std::to_string(next() % 40) + "," + std::to_string(next() % 40);
    for (int k = 0; k < 6; ++k)
      text += " " + std::to_string(next() % 5000) + ":0." + std::to_string(next() % 10000);
    text += '\n';
  }
  return text;
}

struct decoded {
  std::string text;
  read_fault fault = read_fault::none;
  std::int64_t apart = 0;  // bytes of it the workers decoded
  bool operator==(const decoded& other) const { return text == other.text && fault == other.fault; }
};

// The whole text, asked for `piece` bytes at a time.
decoded decode(compression_format format, const std::string& file, int threads,
               stream_record* record = nullptr, std::size_t piece = 65536) {
  quarnel::memory_cursor cursor{file.data(), file.data() + file.size()};
  quarnel::decoding_source source;
  decoded result;
  EXPECT_TRUE(quarnel::decoding_source_open_threaded(&source, format,
                                                     quarnel::memory_byte_source(&cursor), threads, record));
  const quarnel::byte_source bytes = quarnel::decoded_bytes(&source);
  std::string buffer(piece, '\0');
  for (std::size_t count; (count = bytes.read(bytes.context, &buffer[0], piece, &result.fault)) != 0;)
    result.text.append(buffer, 0, count);
  result.apart = source.decoded_apart;
  return result;
}

// The outcome of 2 and 4 threads, asked for odd and large pieces, must be
// that of one thread, which it returns. Where the decoder hands out text
// decoded from damage before it finds the damage (zstd does, by an amount
// that depends on its buffers on one thread too), not `exact`: the same
// fault, and the shorter text begins the longer.
decoded expect_same_on_threads(compression_format format, const std::string& file,
                               const stream_record* record, const std::string& what,
                               bool exact = true) {
  const decoded one = decode(format, file, 1);
  for (int threads : {2, 4})
    for (std::size_t piece : {std::size_t{7777}, std::size_t{1} << 20}) {
      stream_record copy;  // each decode from the record as it was given
      if (record != nullptr) {
        copy.starts.reserve(record->count);
        for (std::int64_t k = 0; k < record->count; ++k) copy.starts[k] = record->starts[k];
        copy.count = record->count;
        copy.end = record->end;
      }
      const decoded many = decode(format, file, threads, record != nullptr ? &copy : nullptr, piece);
      const std::size_t common = std::min(many.text.size(), one.text.size());
      const bool alike = exact || one.fault == read_fault::none
                             ? many == one
                             : many.fault == one.fault && many.text.compare(0, common, one.text, 0, common) == 0;
      EXPECT_TRUE(alike) << what << " on " << threads << " threads, " << piece
                         << " bytes a read: " << many.text.size() << " bytes, fault "
                         << static_cast<int>(many.fault) << "; one thread: " << one.text.size()
                         << ", fault " << static_cast<int>(one.fault);
    }
  return one;
}

// Damage in the middle of `file`, around its unit `boundary` and near its
// end, and cuts at the same places: each read alike on any number of threads.
void expect_damage_alike(compression_format format, const std::string& file,
                         const stream_record* record, std::size_t boundary, bool exact = true) {
  for (std::size_t at : {std::size_t{5}, boundary - 3, boundary, boundary + 4, boundary + 200,
                         file.size() / 2, file.size() - 5, file.size() - 1}) {
    std::string flipped = file;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x21);
    expect_same_on_threads(format, flipped, record, "byte " + std::to_string(at) + " flipped", exact);
    expect_same_on_threads(format, file.substr(0, at), record, "cut at " + std::to_string(at));
  }
  expect_same_on_threads(format, "", record, "no bytes at all");
  expect_same_on_threads(format, file + std::string(1000, '\0'), record, "zero padding");
  expect_same_on_threads(format, file + std::string(1000, '\0') + "x", record, "junk after padding");
  EXPECT_EQ(decode(format, file + "junk", 1).fault, read_fault::corrupt_data);
  expect_same_on_threads(format, file + "junk", record, "junk after the end");
}

#ifdef QUARNEL_HAVE_ZSTD
// A frame of `text` with its checksum, as the zstd tool writes it.
std::string zstd_frame(const std::string& text) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 1);
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  std::string frame(ZSTD_compressBound(text.size()), '\0');
  const std::size_t size = ZSTD_compress2(context, &frame[0], frame.size(), text.data(), text.size());
  ZSTD_freeCCtx(context);
  EXPECT_FALSE(ZSTD_isError(size));
  frame.resize(size);
  return frame;
}

TEST(ParallelDecoding, ZstdFramesAsOneFrame) {
  const std::string text = some_text(std::size_t{4} << 20, 3);
  // Frames of 512 KiB of text, a skippable frame first and last, as pzstd
  // and the seekable format write them.
  const std::string skippable("\x50\x2a\x4d\x18\x04\x00\x00\x00" "abcd", 12);
  std::string frames = skippable;
  std::size_t second_unit = 0;
  for (std::size_t at = 0; at < text.size(); at += 512 << 10) {
    if (second_unit == 0 && frames.size() >= quarnel::record_grain) second_unit = frames.size();
    frames += zstd_frame(text.substr(at, 512 << 10));
  }
  frames += skippable;
  const decoded one_frame = decode(compression_format::zstd, zstd_frame(text), 4);
  EXPECT_TRUE(one_frame.text == text);
  const decoded many = decode(compression_format::zstd, frames, 4);
  EXPECT_TRUE(many.text == text);
  EXPECT_EQ(many.fault, read_fault::none);
  EXPECT_GT(many.apart, static_cast<std::int64_t>(text.size() / 2));  // decoded apart indeed
  expect_damage_alike(compression_format::zstd, frames, nullptr, second_unit, false);
}
#endif

#ifdef QUARNEL_HAVE_LZMA
// `text` as liblzma's threaded encoder writes it, in blocks of `block`
// bytes of text that give their sizes.
std::string xz_blocks(const std::string& text, std::uint64_t block) {
  lzma_mt options{};
  options.threads = 2;
  options.block_size = block;
  options.preset = 1;
  options.check = LZMA_CHECK_CRC64;
  lzma_stream stream = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_stream_encoder_mt(&stream, &options), LZMA_OK);
  std::string file(lzma_stream_buffer_bound(text.size()), '\0');
  stream.next_in = reinterpret_cast<const std::uint8_t*>(text.data());
  stream.avail_in = text.size();
  stream.next_out = reinterpret_cast<std::uint8_t*>(&file[0]);
  stream.avail_out = file.size();
  EXPECT_EQ(lzma_code(&stream, LZMA_FINISH), LZMA_STREAM_END);
  file.resize(stream.total_out);
  lzma_end(&stream);
  return file;
}

TEST(ParallelDecoding, XzBlocksAsOneBlock) {
  const std::string text = some_text(300000, 5);
  const std::string blocks = xz_blocks(text, 16384);
  EXPECT_TRUE(decode(compression_format::xz, xz_blocks(text, 1 << 20), 4).text == text);
  EXPECT_TRUE(expect_same_on_threads(compression_format::xz, blocks, nullptr, "whole").text == text);
  // Two streams one after the other, and damage.
  expect_same_on_threads(compression_format::xz, blocks + blocks, nullptr, "two streams");
  expect_damage_alike(compression_format::xz, blocks, nullptr, blocks.size() / 3);
}
#endif

// A file of streams, each of `piece` bytes of `text`, made by `compress`,
// and its record by hand, a unit per stream, to keep the test small.
template <class Compress>
std::string streams_with_record(const std::string& text, std::size_t piece, Compress compress,
                                stream_record* record) {
  std::string file;
  record->count = 0;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    record->starts.reserve(record->count + 1);
    record->starts[record->count++] = static_cast<std::int64_t>(file.size());
    file += compress(text.substr(at, piece));
  }
  record->end = static_cast<std::int64_t>(file.size());
  return file;
}

#ifdef QUARNEL_HAVE_ZLIB
std::string gzip_member(const std::string& text) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string member(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(&member[0]);
  stream.avail_out = static_cast<uInt>(member.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  member.resize(stream.total_out);
  deflateEnd(&stream);
  return member;
}

// Members of 256 KiB of text: the record of a first decode, then the
// decodes from it.
TEST(ParallelDecoding, GzipMembersFromTheRecordOfAFirstDecode) {
  const std::string text = some_text(std::size_t{4} << 20, 7);
  stream_record by_member;
  const std::string file = streams_with_record(text, 256 << 10, gzip_member, &by_member);
  stream_record record;
  const decoded first = decode(compression_format::gzip, file, 4, &record);
  EXPECT_TRUE(first.text == text);
  EXPECT_EQ(first.apart, 0);  // a decode that records takes one thread
  ASSERT_GE(record.count, 2);
  EXPECT_EQ(record.starts[0], 0);
  EXPECT_EQ(record.end, static_cast<std::int64_t>(file.size()));
  const decoded again = decode(compression_format::gzip, file, 4, &record);
  EXPECT_TRUE(again.text == text);
  EXPECT_EQ(again.fault, read_fault::none);
  EXPECT_EQ(again.apart, static_cast<std::int64_t>(text.size()));
}

// Damage, and records that no longer match their file: the file changed,
// or a start that is not a member's.
TEST(ParallelDecoding, GzipMembersDamagedOrOtherThanRecorded) {
  const std::string text = some_text(200000, 9);
  stream_record record;
  const std::string file = streams_with_record(text, 20000, gzip_member, &record);
  EXPECT_TRUE(expect_same_on_threads(compression_format::gzip, file, &record, "whole").text == text);
  expect_damage_alike(compression_format::gzip, file, &record, static_cast<std::size_t>(record.starts[2]));
  stream_record other_record;
  const std::string other = streams_with_record(text, 30000, gzip_member, &other_record);
  expect_same_on_threads(compression_format::gzip, other, &record, "other members");
  expect_same_on_threads(compression_format::gzip, file.substr(100), &record, "bytes gone at the start");
  expect_same_on_threads(compression_format::gzip, file + file, &record, "bytes added at the end");
  record.starts[2] += 10;
  expect_same_on_threads(compression_format::gzip, file, &record, "a start inside a member");
}
#endif

#ifdef QUARNEL_HAVE_BZIP2
std::string bzip2_stream(std::string text) {
  std::string stream(text.size() + 1000, '\0');
  unsigned size = static_cast<unsigned>(stream.size());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(&stream[0], &size, &text[0], static_cast<unsigned>(text.size()), 1, 0, 0),
            BZ_OK);
  stream.resize(size);
  return stream;
}

// bzip2 streams, as pbzip2 writes a file.
TEST(ParallelDecoding, Bzip2StreamsFromTheirRecord) {
  const std::string text = some_text(60000, 11);
  stream_record record;
  const std::string file = streams_with_record(text, 10000, bzip2_stream, &record);
  EXPECT_TRUE(expect_same_on_threads(compression_format::bzip2, file, &record, "whole").text == text);
  EXPECT_EQ(decode(compression_format::bzip2, file, 2, &record).apart, static_cast<std::int64_t>(text.size()));
  expect_damage_alike(compression_format::bzip2, file, &record, static_cast<std::size_t>(record.starts[2]));
}
#endif

// A source closed after a few bytes stops its threads at once, whatever
// they were doing: decoding, or waiting for their text to be taken.
TEST(ParallelDecoding, ClosingEarlyStopsTheThreads) {
  // Text that compresses a hundredfold, to be quick to make: each unit,
  // a thousand frames, is hundreds of megabytes of it.
  std::string text;
  for (int line = 0; text.size() < (std::size_t{4} << 20); ++line)
    text += std::to_string(line % 7) + " 1:0.5 2:0.25 3:0.125\n";
  std::vector<std::pair<compression_format, std::string>> files;
#ifdef QUARNEL_HAVE_ZSTD
  const std::string frame = zstd_frame(text);
  std::string frames;
  while (frames.size() < (std::size_t{3} << 20)) frames += frame;
  files.emplace_back(compression_format::zstd, frames);
#endif
#ifdef QUARNEL_HAVE_LZMA
  files.emplace_back(compression_format::xz, xz_blocks(text + text + text + text, 1 << 20));
#endif
  for (const auto& file : files) {
    quarnel::memory_cursor cursor{file.second.data(), file.second.data() + file.second.size()};
    const auto start = std::chrono::steady_clock::now();
    {
      quarnel::decoding_source source;
      ASSERT_TRUE(quarnel::decoding_source_open_threaded(&source, file.first,
                                                         quarnel::memory_byte_source(&cursor), 4));
      char first[10];
      read_fault fault = read_fault::none;
      const quarnel::byte_source bytes = quarnel::decoded_bytes(&source);
      EXPECT_EQ(bytes.read(bytes.context, first, sizeof first, &fault), sizeof first);
    }  // closed as it goes
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 0.5) << quarnel::format_name(file.first);
  }
}

}  // namespace parallel_decoding_test

#include <cstdio>

#include "reader/multilabel_reader.h"

namespace parallel_decoding_test {

// Outputs kept in vectors, for reads to compare.
struct kept_outputs final : quarnel::read_host {
  quarnel::problem_sizes sizes{};
  std::vector<std::int32_t> labels;
  std::vector<double> values[2];
  std::vector<std::uint64_t> rows[2], starts[2];

  bool make_outputs(const quarnel::problem_sizes& made, const std::int32_t* label_map,
                    quarnel::sparse_columns* label_columns,
                    quarnel::sparse_columns* pair_columns) override {
    sizes = made;
    labels.assign(label_map, label_map + made.label_count);
    const std::int64_t room[2] = {quarnel::label_entries(made), made.element_count};
    const std::int64_t columns[2] = {made.label_count, quarnel::feature_count(made)};
    quarnel::sparse_columns* out[2] = {label_columns, pair_columns};
    for (int k = 0; k < 2; ++k) {
      values[k].assign(room[k], 0);
      rows[k].assign(room[k], 0);
      starts[k].assign(columns[k] + 1, 0);
      *out[k] = {values[k].data(), rows[k].data(), starts[k].data(), room[k]};
    }
    return true;
  }
  bool operator==(const kept_outputs& other) const {
    return labels == other.labels && values[0] == other.values[0] &&
           values[1] == other.values[1] && rows[0] == other.rows[0] &&
           rows[1] == other.rows[1] && starts[0] == other.starts[0] &&
           starts[1] == other.starts[1];
  }
};

// The reader, given a file of many members or frames and several threads,
// decodes them apart in the passes that follow the first and gives what
// one thread gives, in every way it reads the file again: the fill, and
// the search that places a fault only the fill finds.
TEST(ParallelDecoding, TheReaderReadsAFileOfManyStreamsAsOneThreadDoes) {
  // some_text's indices may repeat within a line: here they rise.
  std::string text;
  for (std::uint32_t line = 0; text.size() < (std::size_t{5} << 20); ++line) {
    text += std::to_string(line * 7 % 40);
    for (std::uint32_t k = 0; k < 8; ++k)
      text += " " + std::to_string(k * 100 + line * 31 % 97 + 1) + ":0." + std::to_string(line * 7919 % 100003);
    text += '\n';
  }
  std::string bad = text;
  bad.replace(bad.size() - 40, 1, "x");  // in a value, which only the fill reads
  std::vector<std::pair<std::string, std::string>> files;  // name ending, bytes
  const std::string* texts[] = {&text, &bad};
  for (const std::string* t : texts) {
    stream_record record;
    const char* which = t == &text ? "" : "bad";
#ifdef QUARNEL_HAVE_ZLIB
    files.emplace_back(std::string(which) + ".gz", streams_with_record(*t, 512 << 10, gzip_member, &record));
#endif
#ifdef QUARNEL_HAVE_ZSTD
    files.emplace_back(std::string(which) + ".zst", streams_with_record(*t, 512 << 10, zstd_frame, &record));
#endif
#ifdef QUARNEL_HAVE_LZMA
    files.emplace_back(std::string(which) + ".xz", xz_blocks(*t, 1 << 20));
#endif
  }
  for (const auto& file : files) {
    const std::string name = "parallel_decoding" + file.first;
    std::FILE* out = std::fopen(name.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.second.data(), 1, file.second.size(), out);
    std::fclose(out);
    kept_outputs one, many;
    quarnel::read_options options;
    options.threads = 1;
    const quarnel::read_failure on_one = quarnel::read_multilabel_file(name.c_str(), options, one);
    options.threads = 3;
    const quarnel::read_failure on_many = quarnel::read_multilabel_file(name.c_str(), options, many);
    std::remove(name.c_str());
    EXPECT_EQ(quarnel::failure_message(on_many, "f"), quarnel::failure_message(on_one, "f")) << name;
    EXPECT_EQ(file.first[0] == 'b', on_one.error != quarnel::read_error::none)
        << name << ": " << quarnel::failure_message(on_one, "f");
    if (on_one.error == quarnel::read_error::none) EXPECT_TRUE(many == one) << name;
  }
}

}  // namespace parallel_decoding_test
