// xz streams through liblzma, on one thread or on several of its own.
#ifdef QUARNEL_HAVE_LZMA

#include <lzma.h>

#include <cstdint>
#include <cstdlib>

#include "compression/library_window.h"
#include "compression/stream_decoder.h"

// liblzma's threaded decoder came with 5.4.0 (5.3.3alpha had it first).
#if LZMA_VERSION >= UINT32_C(50040002)
#define QUARNEL_LZMA_THREADED_DECODER 1
#if defined(__linux__)
#include <dlfcn.h>
#endif
#endif

namespace quarnel {
namespace {

#ifdef QUARNEL_LZMA_THREADED_DECODER
using threaded_decoder_init = lzma_ret (*)(lzma_stream* stream, const lzma_mt* options);

// liblzma's threaded decoder, or null where the liblzma in this process has
// none. On Linux a host may load an older liblzma before the module (as
// MATLAB loads libraries of its own), which a module that named the
// function would need a newer one than, and then not load at all: there it
// is looked up in the liblzma that holds lzma_code. (A liblzma linked into
// the module keeps it to itself: one thread.) Elsewhere a module finds the
// library it was linked with.
threaded_decoder_init find_threaded_decoder() {
#if defined(__linux__)
  static const threaded_decoder_init found = [] {
    Dl_info library{};
    if (dladdr(reinterpret_cast<void*>(&lzma_code), &library) == 0 || library.dli_fname == nullptr)
      return threaded_decoder_init{nullptr};
    void* handle = dlopen(library.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) return threaded_decoder_init{nullptr};
    void* init = dlsym(handle, "lzma_stream_decoder_mt");
    dlclose(handle);  // it stays loaded: the module needs it
    return reinterpret_cast<threaded_decoder_init>(init);
  }();
  return found;
#else
  return lzma_stream_decoder_mt;
#endif
}
#endif

struct xz_state {
  lzma_stream stream;
  std::uint32_t threads;
};

decode_status decode_xz(void* state, decode_window* window, bool input_ended) {
  lzma_stream* stream = &static_cast<xz_state*>(state)->stream;
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
// xz tool reads them; no memory limit on one thread, as the xz tool sets
// none. On several, liblzma may take decoding_bytes_per_thread for each:
// beyond that it decodes on fewer threads, down to one, and never fails for
// want of it. Without that limit it could hold the whole file, decoded,
// while the caller is slow to take it. No timeout: a call returns once it
// has taken or given bytes, which the decoding source counts on.
bool restart_xz(void* state) {
  xz_state* xz = static_cast<xz_state*>(state);
#ifdef QUARNEL_LZMA_THREADED_DECODER
  const threaded_decoder_init threaded = xz->threads > 1 ? find_threaded_decoder() : nullptr;
  if (threaded != nullptr) {
    lzma_mt options{};
    options.flags = LZMA_CONCATENATED;
    options.threads = xz->threads;
    options.timeout = 0;
    options.memlimit_threading = xz->threads * decoding_bytes_per_thread;
    options.memlimit_stop = UINT64_MAX;
    return threaded(&xz->stream, &options) == LZMA_OK;
  }
#endif
  return lzma_stream_decoder(&xz->stream, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK;
}

void release_xz(void* state) {
  xz_state* xz = static_cast<xz_state*>(state);
  lzma_end(&xz->stream);
  std::free(xz);
}

}  // namespace

bool xz_threaded_decoder_create(stream_decoder* decoder, int threads) {
  xz_state* xz = static_cast<xz_state*>(std::malloc(sizeof(xz_state)));
  if (xz == nullptr) return false;
  xz->stream = LZMA_STREAM_INIT;
  // liblzma refuses more than 16384 threads.
  xz->threads = threads < 1 ? 1 : threads > 16384 ? 16384 : static_cast<std::uint32_t>(threads);
  if (!restart_xz(xz)) {
    release_xz(xz);
    return false;
  }
  *decoder = {xz, decode_xz, restart_xz, release_xz};
  return true;
}

bool xz_decoder_create(stream_decoder* decoder) { return xz_threaded_decoder_create(decoder, 1); }

}  // namespace quarnel

#endif  // QUARNEL_HAVE_LZMA
