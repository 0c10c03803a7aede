// bzip2 streams through libbz2.
#ifdef QUARNEL_HAVE_BZIP2

#include <bzlib.h>

#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

struct bzip2_state {
  bz_stream stream;
  bool ready;  // between BZ2_bzDecompressInit and BZ2_bzDecompressEnd
};

decode_status decode_bzip2(void* state, decode_window* window, bool) {
  bz_stream* stream = &static_cast<bzip2_state*>(state)->stream;
  const int result =
      call_on_window<unsigned>(stream, window, [&](bool) { return BZ2_bzDecompress(stream); });
  // BZ_DATA_ERROR, BZ_DATA_ERROR_MAGIC and BZ_PARAM_ERROR are bad data.
  return status_of(result, {BZ_OK}, BZ_STREAM_END, BZ_MEM_ERROR, decode_status::corrupt);
}

// libbz2 has no reset: a new stream needs a new decompressor.
bool restart_bzip2(void* state) {
  bzip2_state* bzip2 = static_cast<bzip2_state*>(state);
  if (bzip2->ready) BZ2_bzDecompressEnd(&bzip2->stream);
  bzip2->stream = bz_stream{};
  bzip2->ready = BZ2_bzDecompressInit(&bzip2->stream, 0, 0) == BZ_OK;
  return bzip2->ready;
}

void release_bzip2(void* state) {
  bzip2_state* bzip2 = static_cast<bzip2_state*>(state);
  if (bzip2->ready) BZ2_bzDecompressEnd(&bzip2->stream);
  std::free(bzip2);
}

}  // namespace

bool bzip2_decoder_create(stream_decoder* decoder) {
  bzip2_state* state = started_stream<bzip2_state>(restart_bzip2);
  if (state == nullptr) return false;
  *decoder = {state, decode_bzip2, restart_bzip2, release_bzip2};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_BZIP2
