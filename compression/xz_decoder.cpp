// xz streams through liblzma.
#ifdef QUARNEL_HAVE_LZMA

#include <lzma.h>

#include <cstdint>
#include <cstdlib>

#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

decode_status decode_xz(void* state, decode_window* window, bool input_ended) {
  lzma_stream* stream = static_cast<lzma_stream*>(state);
  stream->next_in = window->in;
  stream->avail_in = window->in_size;
  stream->next_out = reinterpret_cast<std::uint8_t*>(window->out);
  stream->avail_out = window->out_size;
  // With concatenated streams the decoder learns of the end only by
  // LZMA_FINISH: the padding and streams it allows could still follow.
  lzma_ret result = lzma_code(stream, input_ended ? LZMA_FINISH : LZMA_RUN);
  window->in += window->in_size - stream->avail_in;
  window->in_size = stream->avail_in;
  window->out += window->out_size - stream->avail_out;
  window->out_size = stream->avail_out;
  switch (result) {
    case LZMA_OK:
    case LZMA_BUF_ERROR:  // no progress possible: the caller sees none was made
      return decode_status::progress;
    case LZMA_STREAM_END:
      return decode_status::stream_end;
    case LZMA_MEM_ERROR:
      return decode_status::out_of_memory;
    default:  // LZMA_FORMAT_ERROR, LZMA_DATA_ERROR, LZMA_OPTIONS_ERROR, ...
      return decode_status::corrupt;
  }
}

// Several streams one after another, and the padding between them, as the
// xz tool reads them; no memory limit, as the xz tool sets none.
bool restart_xz(void* state) {
  return lzma_stream_decoder(static_cast<lzma_stream*>(state), UINT64_MAX, LZMA_CONCATENATED) ==
         LZMA_OK;
}

void release_xz(void* state) {
  lzma_stream* stream = static_cast<lzma_stream*>(state);
  lzma_end(stream);
  std::free(stream);
}

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
