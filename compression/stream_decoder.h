// What every decoder offers the decoding source: one library's streaming
// decompressor behind the same few calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarnel {

enum class decode_status : unsigned char {
  progress,       // bytes were taken or given; call again
  stream_end,     // one whole stream (member, frame) ended and was checked
  corrupt,        // the data is not valid in this format
  out_of_memory,  // the library could not allocate its state
};

// The compressed bytes still to decode and the room left for decoded ones;
// a call advances both.
struct decode_window {
  const unsigned char* in;
  std::size_t in_size;
  char* out;
  std::size_t out_size;
};

struct stream_decoder {
  void* state;
  // Decodes from window->in into window->out. `input_ended` says no
  // compressed bytes follow those in the window.
  decode_status (*decode)(void* state, decode_window* window, bool input_ended);
  // Makes the decoder ready for a new stream; false when out of memory.
  bool (*restart)(void* state);
  void (*release)(void* state);
};

// Makes `decoder` ready for the first stream; false when out of memory.
using decoder_create = bool (*)(stream_decoder* decoder);

// Each makes `decoder` ready for the first stream; false when out of memory.
// Only those whose library this build has are defined. gzip has two: zlib's
// and ISA-L's, the faster, which a build may add beside zlib.
bool zlib_gzip_decoder_create(stream_decoder* decoder);
bool isal_gzip_decoder_create(stream_decoder* decoder);
bool bzip2_decoder_create(stream_decoder* decoder);
bool xz_decoder_create(stream_decoder* decoder);
bool zstd_decoder_create(stream_decoder* decoder);

// Memory a decoding source may use for each thread it is opened with, at
// most, for files written by the usual tools: liblzma is held to this much
// per thread (fewer threads decode a file whose blocks need more); the
// other formats hold a unit per worker and one more, each its compressed
// bytes (16 MiB at most, 1 to 4 MiB as the usual tools write them) and up
// to 9 MiB of its text, and each worker its decoder's state.
constexpr std::uint64_t decoding_bytes_per_thread = std::uint64_t{64} << 20;

// xz on up to `threads` threads of liblzma's own, which decode blocks apart
// where their headers give their sizes (as xz writes them with several
// threads); other files, and builds with a liblzma older than 5.4, decode
// on one. liblzma is held to decoding_bytes_per_thread for each thread: a
// file whose blocks need more decodes on fewer.
bool xz_threaded_decoder_create(stream_decoder* decoder, int threads);

// The zstd frame or skippable frame that `bytes` begin with, measured by
// its headers without decoding it: `size` bytes when whole; needs_more
// when the frame goes on past `size` bytes (its content size, when its
// header is there and gives one, in `content_size`, else 0); not_a_frame
// when the bytes cannot begin one.
enum class frame_found : unsigned char { whole, needs_more, not_a_frame };
struct zstd_frame {
  frame_found found;
  std::size_t size;
  unsigned long long content_size;
};
zstd_frame find_zstd_frame(const unsigned char* bytes, std::size_t size);

}  // namespace quarnel
