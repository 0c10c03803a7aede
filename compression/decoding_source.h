// A byte source that serves the decompressed bytes of another: the file's
// own source reads the compressed bytes, the format's decoder turns them
// into text, and the line reader sees only the text. Several streams one
// after another (gzip members, bzip2 streams, xz streams, zstd frames) read
// as one. Zero bytes after the last stream (padding to a tape or disk
// block, which gzip -dc accepts) end the data; any other byte there is
// damage. Memory: one input block and the decoder's own state.
#pragma once

#include <cstddef>

#include "compression/compression_format.h"
#include "compression/stream_decoder.h"
#include "io/byte_source.h"

namespace quarnel {

// Its decoder and input block are released when it goes, or by close.
struct decoding_source {
  byte_source compressed{};
  stream_decoder decoder{};
  unsigned char* input = nullptr;
  std::size_t input_room = 0;
  std::size_t input_begin = 0;  // first compressed byte not yet decoded
  std::size_t input_end = 0;
  bool input_ended = false;   // the compressed source has no more bytes
  bool in_stream = false;     // a stream has begun and not yet ended
  bool stream_ended = false;  // at least one stream ended whole
  bool in_padding = false;    // zero bytes followed the last stream: only zeros may follow
  bool finished = false;      // the last stream ended with the compressed bytes
  read_fault fault = read_fault::none;  // met after bytes still to hand out; reported next

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
// The same with the decoder that `create` makes, for comparing two
// decoders of one format.
bool decoding_source_open_with(decoding_source* source, decoder_create create,
                               byte_source compressed,
                               std::size_t input_size = default_input_size);
// Releases the decoder and the input block; the source can be opened again.
void decoding_source_close(decoding_source* source);

// Starts over, once the compressed source has been rewound; false when the
// decoder cannot be made ready again.
bool decoding_source_restart(decoding_source* source);

// The decompressed bytes, as a source for the line reader. A stream cut
// short or not valid in its format fails with read_fault::corrupt_data.
byte_source decoded_bytes(decoding_source* source);

}  // namespace quarnel
