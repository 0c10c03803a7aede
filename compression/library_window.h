// One call of a streaming library (zlib, libbz2, liblzma) over a window of
// bytes, for the decoders and the encoders alike: the library's stream is
// pointed at the window, as much of it as the library's counts hold, the
// call runs, and the window moves on past the bytes it took and gave; what
// the library's result code means for the decoder or encoder; and the
// library's stream in memory of its own, made and ended.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <type_traits>

namespace quarnel {

// Points `stream` (next_in, avail_in, next_out, avail_out, counted in
// `Count`) at `window` and returns call(whole), `whole` saying whether the
// window's input fits in one call; then advances the window.
template <class Count, class Stream, class Window, class Call>
auto call_on_window(Stream* stream, Window* window, Call call) {
  constexpr std::size_t most = std::numeric_limits<Count>::max();
  const Count in_size = static_cast<Count>(window->in_size < most ? window->in_size : most);
  const Count out_size = static_cast<Count>(window->out_size < most ? window->out_size : most);
  // The libraries name their bytes differently, and zlib and libbz2 take
  // input that they never write through pointers to non-const bytes.
  stream->next_in = static_cast<std::remove_reference_t<decltype(stream->next_in)>>(
      const_cast<void*>(static_cast<const void*>(window->in)));
  stream->avail_in = in_size;
  stream->next_out = static_cast<std::remove_reference_t<decltype(stream->next_out)>>(
      static_cast<void*>(window->out));
  stream->avail_out = out_size;
  const auto result = call(static_cast<std::size_t>(in_size) == window->in_size);
  const std::size_t taken = in_size - stream->avail_in;
  const std::size_t given = out_size - stream->avail_out;
  window->in += taken;
  window->in_size -= taken;
  window->out += given;
  window->out_size -= given;
  return result;
}

// The status (decode_status or encode_status) of a library's result `code`:
// progress for the codes that say bytes were taken or given (or that none
// could be, which the caller sees for itself), the stream's end, no memory,
// and `otherwise` for any other code: bad data for a decoder, a refusal
// for an encoder.
template <class Status, class Code>
Status status_of(Code code, std::initializer_list<Code> progress, Code stream_end,
                 Code out_of_memory, Status otherwise) {
  for (const Code going : progress)
    if (code == going) return Status::progress;
  if (code == stream_end) return Status::stream_end;
  if (code == out_of_memory) return Status::out_of_memory;
  return otherwise;
}

// A library's stream in zeroed memory of its own (all zero is how zlib,
// libbz2 and liblzma want a stream before it starts), made ready by
// `start`, which returns whether it could. Null when there is no memory or
// `start` fails.
template <class Stream, class Start>
Stream* started_stream(Start start) {
  Stream* stream = static_cast<Stream*>(std::calloc(1, sizeof(Stream)));
  if (stream != nullptr && !start(stream)) {
    std::free(stream);
    return nullptr;
  }
  return stream;
}

// Ends the library's stream at `state` with `end` and frees its memory.
template <class Stream, class End>
void end_stream(void* state, End end) {
  Stream* stream = static_cast<Stream*>(state);
  end(stream);
  std::free(stream);
}

}  // namespace quarnel
