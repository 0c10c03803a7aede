// One bzip2 stream through libbz2, in blocks of 900 kB as bzip2 writes them.
#ifdef QUARNEL_HAVE_BZIP2

#include <bzlib.h>

#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

encode_status encode_bzip2(void* state, encode_window* window, bool finish) {
  bz_stream* stream = static_cast<bz_stream*>(state);
  const int result = call_on_window<unsigned>(stream, window, [&](bool whole) {
    return BZ2_bzCompress(stream, finish && whole ? BZ_FINISH : BZ_RUN);
  });
  return status_of(result, {BZ_RUN_OK, BZ_FINISH_OK}, BZ_STREAM_END, BZ_MEM_ERROR,
                   encode_status::failed);
}

void release_bzip2(void* state) { end_stream<bz_stream>(state, BZ2_bzCompressEnd); }

}  // namespace

bool bzip2_encoder_create(stream_encoder* encoder) {
  bz_stream* stream = started_stream<bz_stream>(
      [](bz_stream* made) { return BZ2_bzCompressInit(made, 9, 0, 0) == BZ_OK; });
  if (stream == nullptr) return false;
  *encoder = {stream, encode_bzip2, release_bzip2};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_BZIP2
