// The writer's public face. Its whole sequence, free of any host: checks
// the matrices and the label map, regroups their entries by instance, and
// writes the data file's text, one line per instance, to a byte sink; with
// the file that replaces another only once complete (file_replacement.h)
// and the matrices seen as plain views (row_order.h).
#pragma once

#include <cstdint>
#include <string>

#include "io/byte_sink.h"
#include "writer/file_replacement.h"
#include "writer/row_order.h"

namespace quarnel {

struct write_options {
  bool header;      // first line "n d L"
  bool zero_based;  // column j written as index j - 1 (else j)
};

struct multilabel_data {
  matrix_view labels;     // N by K: a non-zero at (i, j) gives instance i label_map[j]
  matrix_view instances;  // N by D: every stored entry of a compressed one is written
  const double* label_map;
  std::int64_t label_map_count;
};

enum class write_failure_kind : unsigned char {
  none,
  rows_disagree,      // label_vector and instance_matrix differ in their number of rows
  label_map_size,     // label_map does not hold one value per column of label_vector
  label_not_integer,  // a value of label_map is not an integer; `position`, `value` say which
  label_out_of_range, // a value of label_map is beyond the 32-bit signed range
  label_negative,     // a negative label where the header asks for labels from 0
  index_out_of_range, // an index, or a number of the header, is beyond the 32-bit signed range
  header_one_based,   // the header was asked for with one-based indices
  bad_structure,      // a compressed matrix names a row outside its rows
  out_of_memory,      // the regrouped entries or the text buffer could not be allocated
  write_failed,       // the sink refused bytes
};

struct write_failure {
  write_failure_kind kind;
  std::int64_t position;  // 1-based place in label_map, for the label failures
  double value;           // the value there
};

// Writes `data` as text through `sink`. Nothing is written unless the data
// passes every check; a failure of the sink ends the writing part way.
write_failure write_multilabel(const multilabel_data& data, write_options options, byte_sink sink);

// The reason of a failure, one line without a newline.
std::string write_failure_message(const write_failure& failure);

}  // namespace quarnel
