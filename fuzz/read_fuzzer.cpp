// A differential fuzz target for the reader core.
//
// Runs the sizing scan and then the fill scan over the input bytes once per
// way of delivering them: several first sizes of the line reader's buffer,
// and reads that hand out only a few bytes at a time. All runs must end the
// same way (same failure kind, error, line and column) and, when the sizing
// scan succeeds, agree exactly on the sizes, the label map, the reported
// repeated labels and every array entry. A successful read must also keep
// what the compressed-column arrays promise, and filling from content other
// than what was sized must end cleanly. The same text gzip-compressed, read
// through the module's decoding source, must give exactly what the plain
// bytes give. Input that begins as a compressed file does is decoded, as
// the module decodes such a file. Any disagreement aborts.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#ifdef QUARNEL_HAVE_ZLIB
#include <zlib.h>
#endif

#include "compression/decoding_source.h"
#include "read_harness.h"

namespace {

using namespace quarnel_fuzz;
using quarnel::compression_format;
using quarnel::read_fault;

// At most this much decoded text per input: a few bytes can decode to
// gigabytes, which would only measure the fuzzer's own memory limit.
constexpr std::size_t most_decoded = std::size_t{1} << 20;

bool decodes_to_at_most(text input, compression_format format, std::size_t limit) {
  quarnel::memory_cursor cursor{input.data, input.data + input.size};
  quarnel::decoding_source decoding;
  std::size_t total = 0;
  if (quarnel::decoding_source_open(&decoding, format, quarnel::memory_byte_source(&cursor))) {
    static char scratch[1 << 16];
    read_fault fault = read_fault::none;
    const quarnel::byte_source decoded = quarnel::decoded_bytes(&decoding);
    std::size_t count;
    while (total <= limit && (count = decoded.read(decoded.context, scratch, sizeof scratch, &fault)) != 0)
      total += count;
  }
  quarnel::decoding_source_close(&decoding);
  return total <= limit;
}

// Compressed input, read as the module reads a file in its format: every
// delivery ends the same way, cleanly or on bad compressed data.
void check_compressed(text input, compression_format format) {
  if (!quarnel::format_decodable(format) || !decodes_to_at_most(input, format, most_decoded)) return;
  const outcome first = read(input, input, deliveries[0], format);
  for (std::size_t i = 1; i < std::size(deliveries); ++i)
    require_same(first, read(input, input, deliveries[i], format));
  const bool source_failed = first.sizing.error == read_error::corrupt_data ||
                             first.fill.error == read_error::read_failed;
  REQUIRE(source_failed == (first.fault != read_fault::none));
  REQUIRE(first.fault == read_fault::none || first.fault == read_fault::corrupt_data);
  if (first.sizing.error == read_error::none && first.fill.error == read_error::none)
    check_success(first);
}

#ifdef QUARNEL_HAVE_ZLIB
// Appends the bytes [first, last) of `input` to `packed` as one gzip member.
void append_gzip_member(text input, std::size_t first, std::size_t last, std::vector<char>* packed) {
  z_stream stream{};
  REQUIRE(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                       Z_DEFAULT_STRATEGY) == Z_OK);
  const std::size_t start = packed->size();
  packed->resize(start + deflateBound(&stream, static_cast<uLong>(last - first)));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data + first));
  stream.avail_in = static_cast<uInt>(last - first);
  stream.next_out = reinterpret_cast<Bytef*>(packed->data() + start);
  stream.avail_out = static_cast<uInt>(packed->size() - start);
  REQUIRE(deflate(&stream, Z_FINISH) == Z_STREAM_END);
  packed->resize(start + stream.total_out);
  deflateEnd(&stream);
}

// The input as two gzip members, split in its middle (wherever that falls
// in a line), read whole and a byte at a time: exactly the plain outcome.
void check_gzip_matches(text input, const outcome& plain) {
  std::vector<char> packed;
  append_gzip_member(input, 0, input.size / 2, &packed);
  append_gzip_member(input, input.size / 2, input.size, &packed);
  const text gzip{packed.data(), packed.size()};
  require_same(plain, read(gzip, gzip, deliveries[0], compression_format::gzip));
  require_same(plain, read(gzip, gzip, deliveries[4], compression_format::gzip));
}
#endif

// Content that differs from what was sized may fail only as a changed file
// or a bad value, and must never be written past the room it was given.
void check_changed_fill(text input, text changed) {
  outcome result = read(input, changed, deliveries[0]);
  if (result.sizing.error != read_error::none) return;
  const read_error kind = result.fill.error;
  REQUIRE(kind == read_error::none || kind == read_error::file_changed ||
          kind == read_error::value_not_number);
  if (kind == read_error::none) check_success(result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const text input{reinterpret_cast<const char*>(data), size};
  const compression_format format = quarnel::recognise_format(data, size);
  if (format != compression_format::none) {
    check_compressed(input, format);
    return 0;
  }
  const outcome first = read(input, input, deliveries[0]);
  for (std::size_t i = 1; i < std::size(deliveries); ++i)
    require_same(first, read(input, input, deliveries[i]));

#ifdef QUARNEL_HAVE_ZLIB
  check_gzip_matches(input, first);
#endif

  // The same content twice: the memory source cannot fail, and the fill
  // scan can only find a value the sizing scan did not convert.
  const std::vector<line_span> lines = split_lines(input);
  REQUIRE(first.sizing.error == read_error::none || is_malformed(first.sizing.error));
  if (is_malformed(first.sizing.error)) {
    REQUIRE(first.sizing.error != read_error::value_not_number);
    check_failure_place(first.sizing, input, lines);
    // The module names the sizing scan's fault, or a bad value before it;
    // a header's instance count, checked at the end, comes after any.
    const read_failure& named = first.reported;
    if (!same_failure(named, first.sizing)) {
      REQUIRE(is_malformed(named.error) && named.error == read_error::value_not_number);
      REQUIRE(first.sizing.error == read_error::header_instance_count ||
              named.line < first.sizing.line ||
              (named.line == first.sizing.line && named.column < first.sizing.column));
      check_failure_place(named, input, lines);
    }
  } else if (first.reported.error == read_error::out_of_memory ||
             first.reported.error == read_error::too_large) {
    // Outputs too wide for the machine (indices far apart): nothing to check.
    REQUIRE(first.sizes.instance_count == 0 && first.fill.error == read_error::none);
  } else {
    std::int64_t instances = 0;
    for (const line_span& line : lines) instances += is_comment(input, line) ? 0 : 1;
    if (first.sizes.header.present) --instances;  // the first line
    REQUIRE(first.sizes.instance_count == instances);
    if (first.fill.error == read_error::none) {
      check_success(first);
    } else {
      REQUIRE(is_malformed(first.fill.error));
      REQUIRE(first.fill.error == read_error::value_not_number);
      check_failure_place(first.fill, input, lines);
    }

    // A file that shrank, and one with a byte changed in the middle.
    check_changed_fill(input, {input.data, size / 2});
    if (size != 0) {
      std::vector<char> changed(input.data, input.data + size);
      changed[size / 2] = static_cast<char>(changed[size / 2] ^ 1);
      check_changed_fill(input, {changed.data(), size});
    }
  }
  return 0;
}
