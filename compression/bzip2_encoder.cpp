// One bzip2 stream through libbz2, in blocks of 900 kB as bzip2 writes them.
#ifdef QUARNEL_HAVE_BZIP2

#include <bzlib.h>

#include <climits>
#include <cstdlib>

#include "compression/stream_encoder.h"

namespace quarnel {
namespace {

// libbz2 counts in unsigned int: hand it at most this much at a time.
constexpr std::size_t most_per_call = UINT_MAX;

encode_status encode_bzip2(void* state, encode_window* window, bool finish) {
  bz_stream* stream = static_cast<bz_stream*>(state);
  const unsigned in_size =
      static_cast<unsigned>(window->in_size < most_per_call ? window->in_size : most_per_call);
  const unsigned out_size =
      static_cast<unsigned>(window->out_size < most_per_call ? window->out_size : most_per_call);
  stream->next_in = const_cast<char*>(window->in);
  stream->avail_in = in_size;
  stream->next_out = reinterpret_cast<char*>(window->out);
  stream->avail_out = out_size;
  const bool last = finish && in_size == window->in_size;
  const int result = BZ2_bzCompress(stream, last ? BZ_FINISH : BZ_RUN);
  window->in += in_size - stream->avail_in;
  window->in_size -= in_size - stream->avail_in;
  window->out += out_size - stream->avail_out;
  window->out_size -= out_size - stream->avail_out;
  switch (result) {
    case BZ_RUN_OK:
    case BZ_FINISH_OK:
      return encode_status::progress;
    case BZ_STREAM_END:
      return encode_status::stream_end;
    case BZ_MEM_ERROR:
      return encode_status::out_of_memory;
    default:
      return encode_status::failed;
  }
}

void release_bzip2(void* state) {
  bz_stream* stream = static_cast<bz_stream*>(state);
  BZ2_bzCompressEnd(stream);
  std::free(stream);
}

}  // namespace

bool bzip2_encoder_create(stream_encoder* encoder) {
  bz_stream* stream = static_cast<bz_stream*>(std::calloc(1, sizeof(bz_stream)));
  if (stream == nullptr) return false;
  if (BZ2_bzCompressInit(stream, 9, 0, 0) != BZ_OK) {
    std::free(stream);
    return false;
  }
  *encoder = {stream, encode_bzip2, release_bzip2};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_BZIP2
