// bzip2 streams through libbz2.
#ifdef QUARNEL_HAVE_BZIP2

#include <bzlib.h>

#include <climits>
#include <cstdlib>

#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

constexpr std::size_t most_per_call = UINT_MAX;

struct bzip2_state {
  bz_stream stream;
  bool ready;  // between BZ2_bzDecompressInit and BZ2_bzDecompressEnd
};

decode_status decode_bzip2(void* state, decode_window* window, bool) {
  bz_stream* stream = &static_cast<bzip2_state*>(state)->stream;
  unsigned in_size = static_cast<unsigned>(window->in_size < most_per_call ? window->in_size : most_per_call);
  unsigned out_size = static_cast<unsigned>(window->out_size < most_per_call ? window->out_size : most_per_call);
  stream->next_in = const_cast<char*>(reinterpret_cast<const char*>(window->in));
  stream->avail_in = in_size;
  stream->next_out = window->out;
  stream->avail_out = out_size;
  int result = BZ2_bzDecompress(stream);
  window->in += in_size - stream->avail_in;
  window->in_size -= in_size - stream->avail_in;
  window->out += out_size - stream->avail_out;
  window->out_size -= out_size - stream->avail_out;
  switch (result) {
    case BZ_OK:
      return decode_status::progress;
    case BZ_STREAM_END:
      return decode_status::stream_end;
    case BZ_MEM_ERROR:
      return decode_status::out_of_memory;
    default:  // BZ_DATA_ERROR, BZ_DATA_ERROR_MAGIC, BZ_PARAM_ERROR
      return decode_status::corrupt;
  }
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
  bzip2_state* state = static_cast<bzip2_state*>(std::calloc(1, sizeof(bzip2_state)));
  if (state == nullptr) return false;
  if (!restart_bzip2(state)) {
    std::free(state);
    return false;
  }
  *decoder = {state, decode_bzip2, restart_bzip2, release_bzip2};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_BZIP2
