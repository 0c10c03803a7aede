// The reader's public face: the whole read of one named file, free of any
// host, into outputs the caller makes at their final shapes (read_host.h),
// with the options of read_options.h; and a file's summary without its
// outputs. A failure is a read_failure, which failure_message turns into
// the one line the caller prints. Everything else under reader/ is the
// reader's own.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/read_failure.h"
#include "reader/read_host.h"
#include "reader/read_options.h"
#include "reader/syntax/file_header.h"

namespace quarnel {

// Reads the file `fname`. Returns no_failure() when the outputs are made and
// filled; otherwise the failure, which failure_message turns into text.
read_failure read_multilabel_file(const char* fname, const read_options& options,
                                  read_host& host);

// A file's summary: what a read of it would find in its sizing pass, the
// merge of its ranges and the checks after it, with the read's own
// failures. Memory does not grow with the file: no value is stored and no
// output is made.
struct file_summary {
  std::int64_t instances;     // rows of the outputs
  std::int64_t pairs;         // index:value pairs: entries of instance_matrix
  std::int64_t label_tokens;  // labels written, repeats within a line included
  std::vector<std::int32_t> label_map;  // the labels in the order of their columns
  // The indices of the first and the last feature column; the width is
  // max_index - min_index + 1.
  std::int32_t min_index;
  std::int64_t max_index;
  file_header header;
  std::int64_t query_ids;  // instances with a query id
  std::int64_t bytes;      // of the file, or of the part read (compressed bytes if compressed)
};

// Summarises the file `fname` read with `options` ('offset' and 'length'
// included) as read_multilabel_file reads it, on options.threads threads,
// asking `host` about an interrupt and showing progress through it; no
// output is asked of it. Returns no_failure(), or the failure a read of it
// meets first, which failure_message turns into the same text.
read_failure summarize_multilabel_file(const char* fname, const read_options& options,
                                       read_host& host, file_summary* summary);

}  // namespace quarnel
