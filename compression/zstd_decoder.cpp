// zstd frames through libzstd.
#ifdef QUARNEL_HAVE_ZSTD

#include <zstd.h>
#include <zstd_errors.h>

#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

decode_status decode_zstd(void* state, decode_window* window, bool) {
  ZSTD_inBuffer in{window->in, window->in_size, 0};
  ZSTD_outBuffer out{window->out, window->out_size, 0};
  std::size_t result = ZSTD_decompressStream(static_cast<ZSTD_DCtx*>(state), &out, &in);
  window->in += in.pos;
  window->in_size -= in.pos;
  window->out += out.pos;
  window->out_size -= out.pos;
  if (ZSTD_isError(result))
    return ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation ? decode_status::out_of_memory
                                                                      : decode_status::corrupt;
  // 0: the frame is decoded, checked and all of it handed out.
  return result == 0 ? decode_status::stream_end : decode_status::progress;
}

bool restart_zstd(void* state) {
  return !ZSTD_isError(ZSTD_DCtx_reset(static_cast<ZSTD_DCtx*>(state), ZSTD_reset_session_only));
}

void release_zstd(void* state) { ZSTD_freeDCtx(static_cast<ZSTD_DCtx*>(state)); }

}  // namespace

// The window stays within libzstd's default limit (128 MiB), the same as
// the zstd tool's.
bool zstd_decoder_create(stream_decoder* decoder) {
  ZSTD_DCtx* context = ZSTD_createDCtx();
  if (context == nullptr) return false;
  *decoder = {context, decode_zstd, restart_zstd, release_zstd};
  return true;
}

zstd_frame find_zstd_frame(const unsigned char* bytes, std::size_t size) {
#if ZSTD_VERSION_NUMBER < 10400
  // Frames are measured from libzstd 1.4 on: older ones decode on one thread.
  (void)bytes;
  (void)size;
  return {frame_found::not_a_frame, 0, 0};
#else
  const std::size_t found = ZSTD_findFrameCompressedSize(bytes, size);
  if (!ZSTD_isError(found)) return {frame_found::whole, found, 0};
  // The bytes end before the frame does: its sizes say so, or its header
  // is not all there yet.
  if (ZSTD_getErrorCode(found) == ZSTD_error_srcSize_wrong) {
    const unsigned long long content = ZSTD_getFrameContentSize(bytes, size);
    const bool known = content != ZSTD_CONTENTSIZE_UNKNOWN && content != ZSTD_CONTENTSIZE_ERROR;
    return {frame_found::needs_more, 0, known ? content : 0};
  }
  return {frame_found::not_a_frame, 0, 0};
#endif
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ZSTD
