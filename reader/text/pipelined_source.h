// A byte source read ahead on a thread of its own: while the reader scans
// one block, the next ones are read (for a compressed file: decoded) on
// the other core. The blocks are handed over in order, unchanged; a fault
// of the source is reported where it was met.
#pragma once

#include <cstddef>
#include <memory>

#include "io/byte_source.h"

namespace quarnel {

struct pipelined_source;

// Starts reading `inner` ahead, `block_count` blocks of `block_size` bytes
// at most. Null when no thread or memory can be had: the caller then reads
// `inner` itself.
pipelined_source* pipelined_source_open(byte_source inner, std::size_t block_size = std::size_t{1} << 20,
                                        int block_count = 4);

// Stops the reading thread, waits for it and releases everything.
void pipelined_source_close(pipelined_source* source);

byte_source pipelined_bytes(pipelined_source* source);

// A pipelined source closed when its owner goes.
struct pipelined_source_closer {
  void operator()(pipelined_source* source) const { pipelined_source_close(source); }
};
using owned_pipelined_source = std::unique_ptr<pipelined_source, pipelined_source_closer>;

}  // namespace quarnel
