// One gzip member through zlib's deflate, at zlib's default level (gzip's 6).
#ifdef QUARNEL_HAVE_ZLIB

#include <zlib.h>

#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

encode_status encode_gzip(void* state, encode_window* window, bool finish) {
  z_stream* stream = static_cast<z_stream*>(state);
  const int result = call_on_window<uInt>(stream, window, [&](bool whole) {
    return deflate(stream, finish && whole ? Z_FINISH : Z_NO_FLUSH);
  });
  return status_of(result, {Z_OK, Z_BUF_ERROR}, Z_STREAM_END, Z_MEM_ERROR, encode_status::failed);
}

void release_gzip(void* state) { end_stream<z_stream>(state, deflateEnd); }

}  // namespace

bool gzip_encoder_create(stream_encoder* encoder) {
  // 16 + the largest window: a gzip header and trailer, not a zlib one.
  z_stream* stream = started_stream<z_stream>([](z_stream* made) {
    return deflateInit2(made, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                        Z_DEFAULT_STRATEGY) == Z_OK;
  });
  if (stream == nullptr) return false;
  *encoder = {stream, encode_gzip, release_gzip};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ZLIB
