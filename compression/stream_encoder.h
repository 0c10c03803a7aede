// What every encoder offers the encoding sink: one library's streaming
// compressor behind the same few calls.
#pragma once

#include <cstddef>

namespace quarnel {

enum class encode_status : unsigned char {
  progress,       // bytes were taken or given; call again
  stream_end,     // the stream is finished and all of it given out
  failed,         // the library refused (a state it should never reach)
  out_of_memory,  // the library could not allocate what it needed
};

// The text still to encode and the room left for encoded bytes; a call
// advances both.
struct encode_window {
  const char* in;
  std::size_t in_size;
  unsigned char* out;
  std::size_t out_size;
};

struct stream_encoder {
  void* state;
  // Encodes from window->in into window->out. With `finish`, no text
  // follows that in the window: the stream is ended once all is given out.
  encode_status (*encode)(void* state, encode_window* window, bool finish);
  void (*release)(void* state);
};

// Each makes `encoder` ready to write one stream at the level the format's
// command-line tool uses by default; false when out of memory. Only those
// whose library this build has are defined.
bool gzip_encoder_create(stream_encoder* encoder);
bool bzip2_encoder_create(stream_encoder* encoder);
bool xz_encoder_create(stream_encoder* encoder);
bool zstd_encoder_create(stream_encoder* encoder);

}  // namespace quarnel
