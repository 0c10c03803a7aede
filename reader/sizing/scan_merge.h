// Joins the sizing scan's ranges, in file order, into what one scan over
// the whole file gives, and lays out the outputs' columns from their counts.
#pragma once

#include <cstdint>

#include "reader/problem_sizes.h"
#include "reader/read_failure.h"
#include "reader/read_options.h"
#include "reader/sizing/label_dictionary.h"
#include "reader/sizing/sizing_scan.h"
#include "reader/sparse_columns.h"

namespace quarnel {

// How the fill scan finds the next free place of a column.
enum class placing : unsigned char {
  // One pass over the ranges in order: the next place of column c is kept
  // in starts[c + 1], which ends as the start of column c + 1.
  in_order,
  // The ranges at once: each range's places hold its own first place in
  // each column, relative to the column's start, and the end of its share.
  by_range,
};

// The file's sizes and labels from the tallies of its `count` ranges:
// the labels of options.label_map first, in its order, then the file's
// others in order of first appearance in the file, and for each range the
// column of each of its labels (`label_columns[r][local position]`). The
// feature columns follow the options' base and width, or a header. False when out of memory.
bool merge_tallies(const range_tally* tallies, int count, const read_options& options,
                   problem_sizes* sizes, label_dictionary* dictionary,
                   growable_array<std::int64_t>* label_columns);

// The first range whose indices pass sizes.max_index, or -1: a width counted
// from the file's own base, which the sizing scan could not check.
int first_range_above_width(const range_tally* tallies, int count, const problem_sizes& sizes);

// Writes the column starts of both outputs from the tallies' counts and
// readies them for `how`; by_range also gives every range its places in
// each column. False when a column holds too many entries for by_range's
// 32-bit places; the caller then fills in_order.
bool lay_out_columns(range_tally* tallies, int count, const problem_sizes& sizes,
                     const growable_array<std::int64_t>* label_columns, sparse_columns labels,
                     sparse_columns pairs, placing how);

// After an in_order fill: read_error::none when every column received
// exactly the entries the tallies counted, file_changed when one did not
// (the file changed between the scans), out_of_memory when the counts
// could not be gathered.
read_error columns_filled_as_counted(const range_tally* tallies, int count,
                                     const problem_sizes& sizes,
                                     const growable_array<std::int64_t>* label_columns,
                                     const sparse_columns& labels, const sparse_columns& pairs);

}  // namespace quarnel
