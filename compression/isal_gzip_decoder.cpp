// gzip members through ISA-L's inflate, which decodes the same data as
// zlib two to three times faster; where the build has it, gzip input goes
// through it and zlib writes.
#ifdef QUARNEL_HAVE_ISAL

#include <isa-l/igzip_lib.h>

#include <cstdint>
#include <cstdlib>

#include "compression/stream_decoder.h"

namespace quarnel {
namespace {

// ISA-L counts in 32 bits: hand it at most this much at a time.
constexpr std::size_t most_per_call = UINT32_MAX;

struct gzip_state {
  inflate_state inflate;
  isal_gzip_header header;
  bool in_body;  // the member's header has been read
  std::uint32_t header_seen;  // bytes of the header taken so far
};

// The flag byte's three high bits are reserved: a member that sets one is
// refused, as zlib refuses it (ISA-L would ignore them).
constexpr std::uint32_t flag_byte = 3;
constexpr std::uint8_t reserved_flags = 0xE0;

void start_member(gzip_state* gzip) {
  isal_inflate_reset(&gzip->inflate);
  // The header is read apart, since isal_read_gzip_header takes it in any
  // number of pieces; then the body, its trailer checked (CRC and length).
  isal_gzip_header_init(&gzip->header);
  gzip->in_body = false;
  gzip->header_seen = 0;
}

decode_status decode_gzip(void* context, decode_window* window, bool) {
  gzip_state* gzip = static_cast<gzip_state*>(context);
  inflate_state* state = &gzip->inflate;
  const std::uint32_t in_size =
      static_cast<std::uint32_t>(window->in_size < most_per_call ? window->in_size : most_per_call);
  const std::uint32_t out_size =
      static_cast<std::uint32_t>(window->out_size < most_per_call ? window->out_size : most_per_call);
  state->next_in = const_cast<std::uint8_t*>(window->in);
  state->avail_in = in_size;
  state->next_out = reinterpret_cast<std::uint8_t*>(window->out);
  state->avail_out = out_size;
  int result = ISAL_DECOMP_OK;
  if (!gzip->in_body) {
    if (gzip->header_seen <= flag_byte && flag_byte - gzip->header_seen < in_size &&
        (window->in[flag_byte - gzip->header_seen] & reserved_flags) != 0)
      return decode_status::corrupt;
    result = isal_read_gzip_header(state, &gzip->header);
    gzip->header_seen += in_size - state->avail_in;
    if (result == ISAL_DECOMP_OK) {
      gzip->in_body = true;
      state->crc_flag = ISAL_GZIP_NO_HDR_VER;
    }
  }
  if (gzip->in_body) result = isal_inflate(state);
  // At a member's end the bytes read ahead of the trailer are handed back
  // in next_in and avail_in, so the next member begins where it should.
  window->in += in_size - state->avail_in;
  window->in_size -= in_size - state->avail_in;
  window->out += out_size - state->avail_out;
  window->out_size -= out_size - state->avail_out;
  if (result == ISAL_END_INPUT) return decode_status::progress;  // more of the header to come
  if (result != ISAL_DECOMP_OK) return decode_status::corrupt;
  return gzip->in_body && state->block_state == ISAL_BLOCK_FINISH ? decode_status::stream_end
                                                                   : decode_status::progress;
}

bool restart_gzip(void* context) {
  start_member(static_cast<gzip_state*>(context));
  return true;
}

void release_gzip(void* context) { std::free(context); }

}  // namespace

bool isal_gzip_decoder_create(stream_decoder* decoder) {
  gzip_state* gzip = static_cast<gzip_state*>(std::calloc(1, sizeof(gzip_state)));
  if (gzip == nullptr) return false;
  isal_inflate_init(&gzip->inflate);
  start_member(gzip);
  *decoder = {gzip, decode_gzip, restart_gzip, release_gzip};
  return true;
}

}  // namespace quarnel

#endif  // QUARNEL_HAVE_ISAL
