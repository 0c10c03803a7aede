// The compression core's public face: a compressed file recognised by its
// first bytes or a name by its ending (compression_format.h), the decoders
// behind one byte source that the reader reads text from
// (decoding_source.h), and the encoders behind one byte sink that the
// writer writes through (encoding_sink.h). The files of each library's
// decoder and encoder are the core's own.
#pragma once

#include "compression/compression_format.h"
#include "compression/decoding_source.h"
#include "compression/encoding_sink.h"
