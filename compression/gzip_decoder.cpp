// gzip members through zlib's inflate.
#ifdef QUARNEL_HAVE_ZLIB

#include <zlib.h>

#include <climits>
#include <cstdlib>

#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

// zlib counts in unsigned int: hand it at most this much at a time.
constexpr std::size_t most_per_call = UINT_MAX;

decode_status decode_gzip(void* state, decode_window* window, bool) {
  z_stream* stream = static_cast<z_stream*>(state);
  uInt in_size = static_cast<uInt>(window->in_size < most_per_call ? window->in_size : most_per_call);
  uInt out_size = static_cast<uInt>(window->out_size < most_per_call ? window->out_size : most_per_call);
  stream->next_in = const_cast<Bytef*>(window->in);
  stream->avail_in = in_size;
  stream->next_out = reinterpret_cast<Bytef*>(window->out);
  stream->avail_out = out_size;
  int result = inflate(stream, Z_NO_FLUSH);
  window->in += in_size - stream->avail_in;
  window->in_size -= in_size - stream->avail_in;
  window->out += out_size - stream->avail_out;
  window->out_size -= out_size - stream->avail_out;
  switch (result) {
    case Z_OK:
    case Z_BUF_ERROR:  // no progress possible: the caller sees none was made
      return decode_status::progress;
    case Z_STREAM_END:
      return decode_status::stream_end;
    case Z_MEM_ERROR:
      return decode_status::out_of_memory;
    default:  // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
      return decode_status::corrupt;
  }
}

bool restart_gzip(void* state) { return inflateReset(static_cast<z_stream*>(state)) == Z_OK; }

void release_gzip(void* state) {
  z_stream* stream = static_cast<z_stream*>(state);
  inflateEnd(stream);
  std::free(stream);
}

}  // namespace

bool zlib_gzip_decoder_create(stream_decoder* decoder) {
  z_stream* stream = static_cast<z_stream*>(std::calloc(1, sizeof(z_stream)));
  if (stream == nullptr) return false;
  // 16 + the largest window: a gzip header and trailer, not a zlib one.
  if (inflateInit2(stream, 16 + MAX_WBITS) != Z_OK) {
    std::free(stream);
    return false;
  }
  *decoder = {stream, decode_gzip, restart_gzip, release_gzip};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ZLIB
