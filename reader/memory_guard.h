// What a read needs at its peak, from the counts of the sizing scan, so
// that a file whose outputs cannot fit is refused before anything is
// allocated: a request the system grants may still get the process killed
// when its pages are touched. Each figure is taken from the structures it
// measures.
#pragma once

#include <cstdint>

#include "reader/sizing/sizing_scan.h"

namespace quarnel {

// The outputs' shapes as the sizing scan counts them.
struct output_counts {
  std::int64_t label_count;        // columns of label_vector, rows of label_map
  std::int64_t feature_count;      // columns of instance_matrix
  std::int64_t label_entry_count;  // entries of label_vector (or more)
  std::int64_t pair_entry_count;   // entries of instance_matrix
  std::int64_t query_id_count = 0;  // rows of query_id, when it is made
};

// The bytes of the outputs: each sparse matrix holds a double and a 64-bit
// row index per entry (room for one entry at least) and a 64-bit start per
// column and one more; label_map and query_id a double per row. Rows cost
// nothing. Saturates at the largest value instead of wrapping, whatever
// the counts; a negative count counts as none.
std::uint64_t output_bytes(const output_counts& counts);

// The most the call holds at once: the outputs, the host's copy of them
// where the host copies outputs as the call returns (Octave does; MATLAB
// takes the arrays over), and the module's own `working_bytes`. Saturates.
std::uint64_t peak_memory_need(const output_counts& counts, bool host_copies_outputs,
                               std::uint64_t working_bytes);

// The bytes a range's tally holds while the outputs are filled: its pages
// of column counts, its label slots and its dictionary.
std::uint64_t tally_bytes(const range_tally& tally);

// The bytes each thread of a fill holds: its line reader's buffer, grown to
// hold a line of up to longest_whole_line whole. It writes every entry
// straight to its place, so outputs of any `label_room` and `pair_room`
// entries add nothing to it.
std::uint64_t fill_thread_bytes(std::int64_t label_room, std::int64_t pair_room);

}  // namespace quarnel
