#include "compression/decoding_source.h"

#include <cstdlib>
#include <cstring>

#include "compression/parallel_decoding.h"

namespace quarnel {
namespace {

// The decoder of `format` this build has, or null.
decoder_create decoder_of(compression_format format) {
  switch (format) {
#if defined(QUARNEL_HAVE_ISAL)
    case compression_format::gzip:
      return isal_gzip_decoder_create;
#elif defined(QUARNEL_HAVE_ZLIB)
    case compression_format::gzip:
      return zlib_gzip_decoder_create;
#endif
#ifdef QUARNEL_HAVE_BZIP2
    case compression_format::bzip2:
      return bzip2_decoder_create;
#endif
#ifdef QUARNEL_HAVE_LZMA
    case compression_format::xz:
      return xz_decoder_create;
#endif
#ifdef QUARNEL_HAVE_ZSTD
    case compression_format::zstd:
      return zstd_decoder_create;
#endif
    default:
      return nullptr;
  }
}

// Moves the undecoded bytes to the block's start and reads more after them.
// Returns false on a read error, with `*fault` set.
bool read_input(decoding_source* source, read_fault* fault) {
  std::size_t pending = source->input_end - source->input_begin;
  if (source->input_begin != 0) {
    if (pending != 0) std::memmove(source->input, source->input + source->input_begin, pending);
    source->input_offset += static_cast<std::int64_t>(source->input_begin);
    source->input_begin = 0;
    source->input_end = pending;
  }
  const byte_source& from =
      source->handed_over.read != nullptr ? source->handed_over : source->compressed;
  std::size_t count = from.read(from.context, reinterpret_cast<char*>(source->input) + pending,
                                source->input_room - pending, fault);
  if (*fault != read_fault::none) return false;
  if (count == 0) source->input_ended = true;
  source->input_end += count;
  return true;
}

// Takes the zero bytes in the input block as padding after the last stream;
// false when a byte that is not zero follows them. No format's stream
// begins with a zero byte, so a zero where a stream could begin is padding.
bool skip_padding(decoding_source* source) {
  source->in_padding = true;
  const unsigned char* end = source->input + source->input_end;
  const unsigned char* at = source->input + source->input_begin;
  while (at != end && *at == 0) ++at;
  source->input_begin = static_cast<std::size_t>(at - source->input);
  return at == end;
}

// Notes in the record being filled that a stream ended at compressed
// offset `end`; a unit ends there once it holds record_grain bytes. A
// record that cannot grow stays as it is: right, only coarser.
void record_stream_end(decoding_source* source, std::int64_t end) {
  stream_record* record = source->record;
  record->end = end;
  if (end - source->recorded_from < record_grain) return;
  if (!record->starts.reserve(record->count + 1)) {
    source->recording = false;
    return;
  }
  record->starts[record->count++] = end;
  source->recorded_from = end;
}

// Decodes into `window` until it is full or the data ends; a failure sets
// `*fault` and ends it early.
void decode_into(decoding_source* source, decode_window* window, read_fault* fault) {
  bool stalled = false;  // the last call took and gave nothing
  while (window->out_size != 0 && !source->finished) {
    bool input_empty = source->input_begin == source->input_end;
    if ((input_empty || stalled) && !source->input_ended) {
      if (stalled && source->input_end - source->input_begin == source->input_room) {
        *fault = read_fault::corrupt_data;  // a full block and still no progress
        return;
      }
      if (!read_input(source, fault)) return;
      stalled = false;
      continue;
    }
    if (input_empty && !source->in_stream) {
      // The compressed bytes end where a stream ended: the data is whole.
      // With no stream at all, the file lost all it held after its start.
      if (!source->stream_ended) *fault = read_fault::corrupt_data;
      source->finished = true;
      return;
    }
    if (!source->in_stream && source->stream_ended &&
        (source->in_padding || source->input[source->input_begin] == 0)) {
      if (!skip_padding(source)) {
        *fault = read_fault::corrupt_data;
        return;
      }
      continue;
    }
    if (stalled) {  // input_ended: the stream was cut short
      *fault = read_fault::corrupt_data;
      return;
    }
    window->in = source->input + source->input_begin;
    window->in_size = source->input_end - source->input_begin;
    char* out_before = window->out;
    decode_status status = source->decoder.decode(source->decoder.state, window,
                                                  source->input_ended);
    std::size_t taken = static_cast<std::size_t>(window->in - (source->input + source->input_begin));
    source->input_begin += taken;
    stalled = taken == 0 && window->out == out_before;
    if (status == decode_status::corrupt) {
      *fault = read_fault::corrupt_data;
      return;
    }
    if (status == decode_status::out_of_memory) {
      *fault = read_fault::out_of_memory;
      return;
    }
    if (status == decode_status::stream_end) {
      // A stream that ends before any byte of it would end again and again.
      if (stalled && !source->in_stream) {
        *fault = read_fault::corrupt_data;
        return;
      }
      source->in_stream = false;
      source->stream_ended = true;
      stalled = false;
      if (source->recording)
        record_stream_end(source, source->input_offset + static_cast<std::int64_t>(source->input_begin));
      // Whatever follows must be another whole stream.
      if (!source->decoder.restart(source->decoder.state)) {
        *fault = read_fault::out_of_memory;
        return;
      }
    } else if (!stalled) {
      source->in_stream = true;
    }
  }
}

std::size_t read_decoded(void* context, char* into, std::size_t size, read_fault* fault) {
  decoding_source* source = static_cast<decoding_source*>(context);
  if (source->parallel != nullptr) return parallel_decoding_read(source, into, size, fault);
  return read_on_one_thread(source, into, size, fault);
}

// Nothing read yet: the state a source starts from, and restarts from.
void start_reading(decoding_source* source) {
  source->input_begin = 0;
  source->input_end = 0;
  source->input_offset = 0;
  source->input_ended = false;
  source->in_stream = false;
  source->stream_ended = false;
  source->in_padding = false;
  source->finished = false;
  source->fault = read_fault::none;
}

// A record to be filled by this decode starts with the first unit's start.
bool start_record(decoding_source* source) {
  stream_record* record = source->record;
  record->count = 0;
  record->end = 0;
  source->recorded_from = 0;
  if (!record->starts.reserve(1)) return false;
  record->starts[record->count++] = 0;
  return true;
}

// Starts the workers where the data can be decoded apart.
void start_parallel(decoding_source* source) {
  if (source->threads > 1) source->parallel = parallel_decoding_start(source);
}

}  // namespace

// The bytes decoded before a failure are handed out first, and the failure
// on the next call: what a scan makes of the data before the fault never
// depends on how much it asked for at a time.
std::size_t read_on_one_thread(decoding_source* source, char* into, std::size_t size,
                               read_fault* fault) {
  if (source->fault != read_fault::none) {
    *fault = source->fault;
    return 0;
  }
  decode_window window{nullptr, 0, into, size};
  decode_into(source, &window, &source->fault);
  std::size_t count = static_cast<std::size_t>(window.out - into);
  if (count == 0) *fault = source->fault;
  return count;
}

bool start_one_thread_after(decoding_source* source, bool whole_streams) {
  start_reading(source);
  source->stream_ended = whole_streams;
  return source->decoder.restart(source->decoder.state);
}

bool decoding_source_open(decoding_source* source, compression_format format,
                          byte_source compressed, std::size_t input_size) {
  const decoder_create create = decoder_of(format);
  if (create == nullptr) {
    decoding_source_close(source);
    return false;
  }
  if (!decoding_source_open_with(source, create, compressed, input_size)) return false;
  source->format = format;
  return true;
}

bool decoding_source_open_threaded(decoding_source* source, compression_format format,
                                   byte_source compressed, int threads, stream_record* record) {
  if (!decoding_source_open(source, format, compressed)) return false;
  if (threads < 2 && record == nullptr) return true;
  source->threads = threads < 1 ? 1 : threads;
#ifdef QUARNEL_HAVE_LZMA
  if (format == compression_format::xz && threads > 1) {
    stream_decoder threaded{};
    if (!xz_threaded_decoder_create(&threaded, threads)) return true;  // one thread will do
    source->decoder.release(source->decoder.state);
    source->decoder = threaded;
    return true;
  }
#endif
  if (record != nullptr &&
      (format == compression_format::gzip || format == compression_format::bzip2)) {
    source->record = record;
    source->recording = record->count == 0;
    if (source->recording && !start_record(source)) source->recording = false;
  }
  if (!source->recording) start_parallel(source);
  return true;
}

bool decoding_source_open_with(decoding_source* source, decoder_create create,
                               byte_source compressed, std::size_t input_size) {
  decoding_source_close(source);
  source->compressed = compressed;
  if (!create(&source->decoder)) {
    source->decoder = stream_decoder{};
    return false;
  }
  source->create = create;
  source->input = static_cast<unsigned char*>(std::malloc(input_size));
  source->input_room = input_size;
  source->decoded_apart = 0;
  start_reading(source);
  return source->input != nullptr;
}

void decoding_source_close(decoding_source* source) {
  // The workers first: they decode with what the source holds.
  parallel_decoding_stop(source->parallel);
  source->parallel = nullptr;
  source->handed_over = byte_source{};
  if (source->decoder.release != nullptr) source->decoder.release(source->decoder.state);
  source->decoder = stream_decoder{};
  source->create = nullptr;
  std::free(source->input);
  source->input = nullptr;
  source->input_room = 0;
  source->format = compression_format::none;
  source->threads = 1;
  source->record = nullptr;
  source->recording = false;
}

decoding_source::~decoding_source() { decoding_source_close(this); }

bool decoding_source_restart(decoding_source* source) {
  parallel_decoding_stop(source->parallel);
  source->parallel = nullptr;
  source->handed_over = byte_source{};
  source->decoded_apart = 0;
  start_reading(source);
  if (source->recording && !start_record(source)) source->recording = false;
  if (!source->decoder.restart(source->decoder.state)) return false;
  if (!source->recording) start_parallel(source);
  return true;
}

byte_source decoded_bytes(decoding_source* source) { return {source, read_decoded}; }

}  // namespace quarnel
