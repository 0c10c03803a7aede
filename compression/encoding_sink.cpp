#include "compression/encoding_sink.h"

#include <cstdlib>
#include <cstring>

namespace quarnel {
namespace {

constexpr std::size_t buffer_size = std::size_t{1} << 18;

bool create_encoder(compression_format format, stream_encoder* encoder) {
  switch (format) {
#ifdef QUARNEL_HAVE_ZLIB
    case compression_format::gzip:
      return gzip_encoder_create(encoder);
#endif
#ifdef QUARNEL_HAVE_BZIP2
    case compression_format::bzip2:
      return bzip2_encoder_create(encoder);
#endif
#ifdef QUARNEL_HAVE_LZMA
    case compression_format::xz:
      return xz_encoder_create(encoder);
#endif
#ifdef QUARNEL_HAVE_ZSTD
    case compression_format::zstd:
      return zstd_encoder_create(encoder);
#endif
    default:
      return false;
  }
}

// Runs the encoder over `data` (and, with `finish`, to the stream's end),
// handing each full buffer downstream.
bool encode(encoding_sink* sink, const char* data, std::size_t size, bool finish) {
  encode_window window{data, size, sink->buffer, buffer_size};
  for (;;) {
    const std::size_t in_before = window.in_size;
    const std::size_t room_before = window.out_size;
    const encode_status status = sink->encoder.encode(sink->encoder.state, &window, finish);
    if (status == encode_status::out_of_memory) sink->out_of_memory = true;
    if (status == encode_status::failed || status == encode_status::out_of_memory) return false;
    const bool done = status == encode_status::stream_end || (!finish && window.in_size == 0);
    const bool stuck = window.in_size == in_before && window.out_size == room_before;
    if (window.out_size == 0 || done || stuck) {
      const std::size_t produced = buffer_size - window.out_size;
      if (produced != 0 &&
          !sink->downstream.write(sink->downstream.context,
                                  reinterpret_cast<const char*>(sink->buffer), produced))
        return false;
      window.out = sink->buffer;
      window.out_size = buffer_size;
      if (done) return true;
      if (stuck && produced == 0) return false;  // neither took nor gave: never ends
    }
  }
}

bool write_encoded(void* context, const char* data, std::size_t size) {
  return encode(static_cast<encoding_sink*>(context), data, size, false);
}

bool ends_with(const char* name, std::size_t length, const char* ending) {
  const std::size_t size = std::strlen(ending);
  return length > size && std::strcmp(name + length - size, ending) == 0;
}

}  // namespace

compression_format format_of_name(const char* fname) {
  const std::size_t length = std::strlen(fname);
  if (ends_with(fname, length, ".gz")) return compression_format::gzip;
  if (ends_with(fname, length, ".bz2")) return compression_format::bzip2;
  if (ends_with(fname, length, ".xz")) return compression_format::xz;
  if (ends_with(fname, length, ".zst")) return compression_format::zstd;
  return compression_format::none;
}

bool encoding_sink_open(encoding_sink* sink, compression_format format, byte_sink downstream) {
  encoding_sink_close(sink);
  sink->downstream = downstream;
  sink->out_of_memory = false;
  if (!format_decodable(format)) return false;
  sink->buffer = static_cast<unsigned char*>(std::malloc(buffer_size));
  if (sink->buffer == nullptr || !create_encoder(format, &sink->encoder)) {
    sink->out_of_memory = true;
    std::free(sink->buffer);
    sink->buffer = nullptr;
    return false;
  }
  return true;
}

byte_sink encoding_sink_input(encoding_sink* sink) { return {sink, write_encoded}; }

bool encoding_sink_finish(encoding_sink* sink) { return encode(sink, "", 0, true); }

void encoding_sink_close(encoding_sink* sink) {
  if (sink->encoder.release != nullptr) sink->encoder.release(sink->encoder.state);
  std::free(sink->buffer);
  sink->encoder = {nullptr, nullptr, nullptr};
  sink->buffer = nullptr;
}

encoding_sink::~encoding_sink() { encoding_sink_close(this); }

}  // namespace quarnel
