// A byte sink that compresses what it is given and hands the compressed
// bytes on to another sink: the writer's text into a compressed file.
#pragma once

#include "compression/compression_format.h"
#include "compression/stream_encoder.h"
#include "io/byte_sink.h"

namespace quarnel {

// The format a file's name asks for by its ending (".gz", ".bz2", ".xz",
// ".zst"), or compression_format::none.
compression_format format_of_name(const char* fname);

// Its encoder and buffer are released when it goes, or by close.
struct encoding_sink {
  stream_encoder encoder{};
  byte_sink downstream{};
  unsigned char* buffer = nullptr;  // encoded bytes on their way downstream
  bool out_of_memory = false;       // why the last call failed, when it did

  encoding_sink() = default;
  encoding_sink(const encoding_sink&) = delete;
  encoding_sink& operator=(const encoding_sink&) = delete;
  ~encoding_sink();
};

// Makes `sink` encode in `format` into `downstream`, releasing what it held;
// false when the format is not one this build encodes or memory runs out
// (`out_of_memory` says).
bool encoding_sink_open(encoding_sink* sink, compression_format format, byte_sink downstream);

// The sink to write the text to.
byte_sink encoding_sink_input(encoding_sink* sink);

// Ends the stream and hands on all that is left; false when that fails.
bool encoding_sink_finish(encoding_sink* sink);

// Frees the encoder's state and the buffer, finished or not.
void encoding_sink_close(encoding_sink* sink);

}  // namespace quarnel
