// The decoding source's parallel decode, apart from its header because only
// decoding_source.cpp calls it: the compressed data cut into units of whole
// streams (zstd frames found by their sizes, gzip members and bzip2 streams
// where a record says), each decoded on a worker thread by a decoder of its
// own, the text handed out in order by the calling thread. The first unit
// that does not decode whole, and everything after it, is handed over to
// the one-threaded decode, which the text handed out so far is a part of.
#pragma once

#include <cstddef>

#include "io/byte_source.h"

namespace quarnel {

struct decoding_source;
struct parallel_decoding;

// Starts the workers for `source`, opened with several threads. Null when
// its data is not to be decoded apart or no memory or thread can be had:
// the source then decodes on the calling thread.
parallel_decoding* parallel_decoding_start(decoding_source* source);

// Stops and joins the workers and releases everything.
void parallel_decoding_stop(parallel_decoding* parallel);

// The decoded bytes, as decoded_bytes hands them out.
std::size_t parallel_decoding_read(decoding_source* source, char* into, std::size_t size,
                                   read_fault* fault);

// The one-threaded decode, for the parallel one to hand over to.
std::size_t read_on_one_thread(decoding_source* source, char* into, std::size_t size,
                               read_fault* fault);
// Makes the one-threaded decode ready to read from the start of
// source->handed_over, after `whole_streams` streams (any, or none) ended
// whole. False when the decoder cannot be made ready again.
bool start_one_thread_after(decoding_source* source, bool whole_streams);

}  // namespace quarnel
