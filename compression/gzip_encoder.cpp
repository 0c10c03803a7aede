// One gzip member through zlib's deflate, at zlib's default level (gzip's 6).
#ifdef QUARNEL_HAVE_ZLIB

#include <zlib.h>

#include <climits>
#include <cstdlib>

#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

// zlib counts in unsigned int: hand it at most this much at a time.
constexpr std::size_t most_per_call = UINT_MAX;

encode_status encode_gzip(void* state, encode_window* window, bool finish) {
  z_stream* stream = static_cast<z_stream*>(state);
  const uInt in_size =
      static_cast<uInt>(window->in_size < most_per_call ? window->in_size : most_per_call);
  const uInt out_size =
      static_cast<uInt>(window->out_size < most_per_call ? window->out_size : most_per_call);
  stream->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(window->in));
  stream->avail_in = in_size;
  stream->next_out = window->out;
  stream->avail_out = out_size;
  const bool last = finish && in_size == window->in_size;
  const int result = deflate(stream, last ? Z_FINISH : Z_NO_FLUSH);
  window->in += in_size - stream->avail_in;
  window->in_size -= in_size - stream->avail_in;
  window->out += out_size - stream->avail_out;
  window->out_size -= out_size - stream->avail_out;
  switch (result) {
    case Z_OK:
    case Z_BUF_ERROR:  // no progress possible: the caller sees none was made
      return encode_status::progress;
    case Z_STREAM_END:
      return encode_status::stream_end;
    case Z_MEM_ERROR:
      return encode_status::out_of_memory;
    default:
      return encode_status::failed;
  }
}

void release_gzip(void* state) {
  z_stream* stream = static_cast<z_stream*>(state);
  deflateEnd(stream);
  std::free(stream);
}

}  // namespace

bool gzip_encoder_create(stream_encoder* encoder) {
  z_stream* stream = static_cast<z_stream*>(std::calloc(1, sizeof(z_stream)));
  if (stream == nullptr) return false;
  // 16 + the largest window: a gzip header and trailer, not a zlib one.
  if (deflateInit2(stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    std::free(stream);
    return false;
  }
  *encoder = {stream, encode_gzip, release_gzip};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ZLIB
