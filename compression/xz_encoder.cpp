// One xz stream through liblzma, at xz's default preset 6 with a CRC64 check.
#ifdef QUARNEL_HAVE_LZMA

#include <lzma.h>

#include <cstdint>
#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

encode_status encode_xz(void* state, encode_window* window, bool finish) {
  lzma_stream* stream = static_cast<lzma_stream*>(state);
  const lzma_ret result = call_on_window<std::size_t>(
      stream, window, [&](bool) { return lzma_code(stream, finish ? LZMA_FINISH : LZMA_RUN); });
  return status_of(result, {LZMA_OK, LZMA_BUF_ERROR}, LZMA_STREAM_END, LZMA_MEM_ERROR,
                   encode_status::failed);
}

void release_xz(void* state) { end_stream<lzma_stream>(state, lzma_end); }

}  // namespace

bool xz_encoder_create(stream_encoder* encoder) {
  // All zero is LZMA_STREAM_INIT.
  lzma_stream* stream = started_stream<lzma_stream>(
      [](lzma_stream* made) { return lzma_easy_encoder(made, 6, LZMA_CHECK_CRC64) == LZMA_OK; });
  if (stream == nullptr) return false;
  *encoder = {stream, encode_xz, release_xz};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_LZMA
