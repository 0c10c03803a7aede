// The second pass over the file: writes the entries of both sparse outputs,
// one column per instance, straight into the arrays the caller provides.
#pragma once

#include <cstdint>

#include "label_dictionary.h"
#include "line_reader.h"
#include "scan_failure.h"
#include "sizing_scan.h"

namespace quarnel {

// A sparse matrix in compressed-column layout: column c holds the entries
// at positions [starts[c], starts[c + 1]); rows are 0-based.
struct sparse_columns {
  double* values;         // `room` of them
  std::uint64_t* rows;    // `room` of them
  std::uint64_t* starts;  // one per column, and one more
  std::int64_t room;
};

// Told of every further occurrence of a label within one instance.
struct duplicate_label_sink {
  void* context;
  void (*report)(void* context, std::int32_t label, std::int64_t instance_number);
};

// Reads the lines that the sizing scan measured into `sizes` and
// `dictionary`, writing label entries (row: the label's position, value 1)
// into `labels` and pair entries (row: index - min_index, value as read)
// into `pairs`. A repeated label is reported and not written again. Content
// that differs from what the sizing scan saw ends the scan with
// failure_kind::file_changed; the arrays are then only partly written.
scan_failure fill_scan(line_reader* reader, const problem_sizes& sizes,
                       const label_dictionary& dictionary, sparse_columns labels,
                       sparse_columns pairs, duplicate_label_sink duplicates);

// The sizing scan only delimits values, so a value that is not a number can
// stand before the fault it reports, on an earlier line or earlier on the
// same one. Reads the lines of `reader` (rewound) up to `fault` and returns
// the first such value as the fault, or `fault` when there is none. A
// header's instance count, found wrong only at the end, is named only when
// no value of the file is bad.
scan_failure first_fault_up_to(line_reader* reader, const scan_failure& fault);

}  // namespace quarnel
