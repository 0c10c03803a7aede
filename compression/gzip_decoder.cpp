// gzip members through zlib's inflate.
#ifdef QUARNEL_HAVE_ZLIB

#include <zlib.h>

#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

decode_status decode_gzip(void* state, decode_window* window, bool) {
  z_stream* stream = static_cast<z_stream*>(state);
  const int result = call_on_window<uInt>(stream, window, [&](bool) { return inflate(stream, Z_NO_FLUSH); });
  // Z_DATA_ERROR, Z_NEED_DICT and Z_STREAM_ERROR are bad data.
  return status_of(result, {Z_OK, Z_BUF_ERROR}, Z_STREAM_END, Z_MEM_ERROR, decode_status::corrupt);
}

bool restart_gzip(void* state) { return inflateReset(static_cast<z_stream*>(state)) == Z_OK; }

void release_gzip(void* state) { end_stream<z_stream>(state, inflateEnd); }

}  // namespace

bool zlib_gzip_decoder_create(stream_decoder* decoder) {
  // 16 + the largest window: a gzip header and trailer, not a zlib one.
  z_stream* stream = started_stream<z_stream>(
      [](z_stream* made) { return inflateInit2(made, 16 + MAX_WBITS) == Z_OK; });
  if (stream == nullptr) return false;
  *decoder = {stream, decode_gzip, restart_gzip, release_gzip};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ZLIB
