// A byte source that serves the decompressed bytes of another: the file's
// own source reads the compressed bytes, the format's decoder turns them
// into text, and the line reader sees only the text. Several streams one
// after another (gzip members, bzip2 streams, xz streams, zstd frames) read
// as one. Zero bytes after the last stream (padding to a tape or disk
// block, which gzip -dc accepts) end the data; any other byte there is
// damage. Memory: one input block and the decoder's own state.
//
// Opened with several threads, it decodes the parts of the data that can be
// decoded apart on worker threads (xz blocks through liblzma's own threads,
// zstd frames found by their sizes, gzip members and bzip2 streams where an
// earlier decode of the same file recorded where they start:
// stream_record) and hands out the text, the end and the failure that one
// thread gives. Only how much text a decoder makes of damaged data before
// it finds the damage may differ, as it does on one thread with zstd from
// one size of read to another.
#pragma once

#include <cstddef>
#include <cstdint>

#include "compression/compression_format.h"
#include "compression/stream_decoder.h"
#include "io/byte_source.h"
#include "platform/growable_array.h"

namespace quarnel {

// Where the streams of a compressed file start, as a one-threaded decode
// finds them, for a later decode of the same file to decode them apart:
// gzip members and bzip2 streams can be found only by decoding what comes
// before them. The starts are those of runs of whole streams of about
// record_grain compressed bytes (units). The caller keeps it between the
// decodes; it holds no pointer into the file. A record that no longer
// matches the file costs speed, never the text: each unit is checked to
// decode as whole streams ending where the next begins, and the first that
// does not is decoded again, with everything after it, on one thread.
struct stream_record {
  growable_array<std::int64_t> starts;  // compressed offset of each unit's first byte; the first is 0
  std::int64_t count = 0;               // starts recorded
  std::int64_t end = 0;                 // just past the last stream that ended whole
};

// Compressed bytes per unit that a record marks, at least (the unit ends
// with the stream that reaches this many).
constexpr std::int64_t record_grain = std::int64_t{1} << 20;

struct parallel_decoding;

// Its decoder, input block and threads are released when it goes, or by close.
struct decoding_source {
  byte_source compressed{};
  stream_decoder decoder{};
  decoder_create create = nullptr;  // makes a decoder like `decoder`, for each worker
  unsigned char* input = nullptr;
  std::size_t input_room = 0;
  std::size_t input_begin = 0;  // first compressed byte not yet decoded
  std::size_t input_end = 0;
  std::int64_t input_offset = 0;  // compressed offset of input[0]
  bool input_ended = false;   // the compressed source has no more bytes
  bool in_stream = false;     // a stream has begun and not yet ended
  bool stream_ended = false;  // at least one stream ended whole
  bool in_padding = false;    // zero bytes followed the last stream: only zeros may follow
  bool finished = false;      // the last stream ended with the compressed bytes
  read_fault fault = read_fault::none;  // met after bytes still to hand out; reported next
  // Several threads.
  compression_format format = compression_format::none;
  int threads = 1;
  stream_record* record = nullptr;  // filled when `recording`, else read to decode apart
  bool recording = false;
  std::int64_t recorded_from = 0;   // start of the unit being recorded
  parallel_decoding* parallel = nullptr;  // the workers, while the data is decoded apart
  std::int64_t decoded_apart = 0;  // bytes of text handed out that the workers decoded
  // Where the one-threaded decode reads once the parallel decode hands over
  // to it (the compressed bytes from the first unit not decoded apart);
  // unset: `compressed`.
  byte_source handed_over{};

  decoding_source() = default;
  decoding_source(const decoding_source&) = delete;
  decoding_source& operator=(const decoding_source&) = delete;
  ~decoding_source();
};

constexpr std::size_t default_input_size = std::size_t{1} << 17;

// Returns false when `format` cannot be decoded in this build or the
// decoder or the input block cannot be allocated. Whatever the source held
// before is released first.
bool decoding_source_open(decoding_source* source, compression_format format,
                          byte_source compressed, std::size_t input_size = default_input_size);
// The same on up to `threads` threads (1: as decoding_source_open). With
// `record` (gzip and bzip2; ignored for the others), kept by the caller
// until the source is closed: an empty record is filled by this decode,
// which takes one thread; a filled one lets this decode take several.
// Threads that cannot be started are done without.
bool decoding_source_open_threaded(decoding_source* source, compression_format format,
                                   byte_source compressed, int threads,
                                   stream_record* record = nullptr);
// The same with the decoder that `create` makes, for comparing two
// decoders of one format.
bool decoding_source_open_with(decoding_source* source, decoder_create create,
                               byte_source compressed,
                               std::size_t input_size = default_input_size);
// Stops and joins its threads and releases the decoder and the input
// block; the source can be opened again.
void decoding_source_close(decoding_source* source);

// Starts over, once the compressed source has been rewound; false when the
// decoder cannot be made ready again. A record being filled starts over too.
bool decoding_source_restart(decoding_source* source);

// The decompressed bytes, as a source for the line reader. A stream cut
// short or not valid in its format fails with read_fault::corrupt_data.
byte_source decoded_bytes(decoding_source* source);

}  // namespace quarnel
