// The second pass over the file: writes the entries of both sparse outputs
// straight into their final places, instances as rows: each entry goes to
// the next free place of its column, so that rows ascend in every column.
#pragma once

#include <cstdint>

#include "reader/problem_sizes.h"
#include "reader/read_failure.h"
#include "reader/sizing/label_dictionary.h"
#include "reader/sizing/scan_merge.h"
#include "reader/sizing/sizing_scan.h"
#include "reader/sparse_columns.h"
#include "reader/syntax/file_header.h"
#include "reader/text/line_reader.h"

namespace quarnel {

// Told of every further occurrence of a label within one instance.
struct duplicate_label_sink {
  void* context;
  void (*report)(void* context, std::int32_t label, std::int64_t instance_number);
};

// What the fill scan of one range of the file needs.
struct range_fill {
  const problem_sizes* sizes;
  const label_dictionary* dictionary;  // the file's labels: a label's position is its column
  range_tally* tally;                  // the range's counts; by_range takes its places there
  const std::int64_t* label_columns;   // column of each of the range's own labels
  std::int64_t first_instance;         // row of the range's first instance
  bool holds_first_line;
  placing how;
  sparse_columns labels;
  sparse_columns pairs;
  duplicate_label_sink duplicates;
  double* query_ids;  // one per instance of the file, by row; null when not wanted
};

// Reads the lines of one range, which the sizing scan measured into
// `fill.tally`, writing label entries (column: the label's position, value
// 1) and pair entries (column: index - min_index, value as read), each in
// the row of its instance, and, when `fill.query_ids` is given, each
// instance's query id in its row (NaN for a line without one). A repeated label is reported and not written
// again. Content that differs from what the sizing scan saw ends the scan
// with read_error::file_changed; the arrays are then only partly
// written, never past their room. Lines in failures count within the range.
read_failure fill_scan(line_reader* reader, const range_fill& fill);

}  // namespace quarnel
