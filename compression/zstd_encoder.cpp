// One zstd frame through libzstd, at zstd's default level 3 with a checksum.
#ifdef QUARNEL_HAVE_ZSTD

#include <zstd.h>
#include <zstd_errors.h>

#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

encode_status encode_zstd(void* state, encode_window* window, bool finish) {
  ZSTD_CCtx* context = static_cast<ZSTD_CCtx*>(state);
  ZSTD_inBuffer in{window->in, window->in_size, 0};
  ZSTD_outBuffer out{window->out, window->out_size, 0};
  const std::size_t left = ZSTD_compressStream2(context, &out, &in, finish ? ZSTD_e_end : ZSTD_e_continue);
  window->in += in.pos;
  window->in_size -= in.pos;
  window->out += out.pos;
  window->out_size -= out.pos;
  if (ZSTD_isError(left))
    return ZSTD_getErrorCode(left) == ZSTD_error_memory_allocation ? encode_status::out_of_memory
                                                                    : encode_status::failed;
  return finish && left == 0 ? encode_status::stream_end : encode_status::progress;
}

void release_zstd(void* state) { ZSTD_freeCCtx(static_cast<ZSTD_CCtx*>(state)); }

}  // namespace

bool zstd_encoder_create(stream_encoder* encoder) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  if (context == nullptr) return false;
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  *encoder = {context, encode_zstd, release_zstd};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ZSTD
