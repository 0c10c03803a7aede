// One xz stream through liblzma, at xz's default preset 6 with a CRC64 check.
#ifdef QUARNEL_HAVE_LZMA

#include <lzma.h>

#include <cstdint>
#include <cstdlib>

#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

encode_status encode_xz(void* state, encode_window* window, bool finish) {
  lzma_stream* stream = static_cast<lzma_stream*>(state);
  const std::size_t in_size = window->in_size;
  const std::size_t out_size = window->out_size;
  stream->next_in = reinterpret_cast<const std::uint8_t*>(window->in);
  stream->avail_in = in_size;
  stream->next_out = window->out;
  stream->avail_out = out_size;
  const lzma_ret result = lzma_code(stream, finish ? LZMA_FINISH : LZMA_RUN);
  window->in += in_size - stream->avail_in;
  window->in_size = stream->avail_in;
  window->out += out_size - stream->avail_out;
  window->out_size = stream->avail_out;
  switch (result) {
    case LZMA_OK:
    case LZMA_BUF_ERROR:  // no progress possible: the caller sees none was made
      return encode_status::progress;
    case LZMA_STREAM_END:
      return encode_status::stream_end;
    case LZMA_MEM_ERROR:
      return encode_status::out_of_memory;
    default:
      return encode_status::failed;
  }
}

void release_xz(void* state) {
  lzma_stream* stream = static_cast<lzma_stream*>(state);
  lzma_end(stream);
  std::free(stream);
}

}  // namespace

bool xz_encoder_create(stream_encoder* encoder) {
  // All zero is LZMA_STREAM_INIT.
  lzma_stream* stream = static_cast<lzma_stream*>(std::calloc(1, sizeof(lzma_stream)));
  if (stream == nullptr) return false;
  if (lzma_easy_encoder(stream, 6, LZMA_CHECK_CRC64) != LZMA_OK) {
    std::free(stream);
    return false;
  }
  *encoder = {stream, encode_xz, release_xz};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_LZMA
