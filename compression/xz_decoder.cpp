// xz streams through liblzma.
#ifdef QUARNEL_HAVE_LZMA

#include <lzma.h>

#include <cstdint>
#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

decode_status decode_xz(void* state, decode_window* window, bool input_ended) {
  lzma_stream* stream = static_cast<lzma_stream*>(state);
  // With concatenated streams the decoder learns of the end only by
  // LZMA_FINISH: the padding and streams it allows could still follow.
  const lzma_ret result = call_on_window<std::size_t>(stream, window, [&](bool) {
    return lzma_code(stream, input_ended ? LZMA_FINISH : LZMA_RUN);
  });
  // LZMA_FORMAT_ERROR, LZMA_DATA_ERROR, LZMA_OPTIONS_ERROR and the like are
  // bad data.
  return status_of(result, {LZMA_OK, LZMA_BUF_ERROR}, LZMA_STREAM_END, LZMA_MEM_ERROR,
                   decode_status::corrupt);
}

// Several streams one after another, and the padding between them, as the
// xz tool reads them; no memory limit, as the xz tool sets none.
bool restart_xz(void* state) {
  return lzma_stream_decoder(static_cast<lzma_stream*>(state), UINT64_MAX, LZMA_CONCATENATED) ==
         LZMA_OK;
}

void release_xz(void* state) { end_stream<lzma_stream>(state, lzma_end); }

}  // namespace

bool xz_decoder_create(stream_decoder* decoder) {
  lzma_stream* stream = static_cast<lzma_stream*>(std::malloc(sizeof(lzma_stream)));
  if (stream == nullptr) return false;
  *stream = LZMA_STREAM_INIT;
  if (!restart_xz(stream)) {
    release_xz(stream);
    return false;
  }
  *decoder = {stream, decode_xz, restart_xz, release_xz};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_LZMA
