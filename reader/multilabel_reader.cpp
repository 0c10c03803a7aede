#include "reader/multilabel_reader.h"

#include <utility>

#include "reader/file_reading.h"
#include "reader/range_reading.h"

namespace quarnel {

read_failure read_multilabel_file(const char* fname, const read_options& options,
                                  read_host& host) {
  file_ranges ranges;
  const read_failure opened = open_file_ranges(fname, options, &ranges);
  if (opened.error != read_error::none) return opened;
  return in_part(read_ranges(file_text_ranges(&ranges), options, host), options);
}

read_failure summarize_multilabel_file(const char* fname, const read_options& options,
                                       read_host& host, file_summary* summary) {
  file_ranges ranges;
  const read_failure opened = open_file_ranges(fname, options, &ranges);
  if (opened.error != read_error::none) return opened;
  const text_ranges text = file_text_ranges(&ranges);
  text_sizes sized;
  const read_failure failure = in_part(size_ranges(text, options, host, &sized), options);
  if (failure.error != read_error::none) return failure;
  const problem_sizes& sizes = sized.sizes;
  summary->instances = sizes.instance_count;
  summary->pairs = sizes.element_count;
  summary->label_tokens = sizes.label_entry_count;
  summary->label_map = std::move(sized.labels);
  summary->min_index = sizes.min_index;
  summary->max_index = sizes.max_index;
  summary->header = sizes.header;
  summary->query_ids = sizes.query_id_count;
  summary->bytes = text.total_bytes;
  return no_failure();
}

}  // namespace quarnel
