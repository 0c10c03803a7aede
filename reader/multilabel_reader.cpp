#include "multilabel_reader.h"

#include <cstdio>

#include "line_reader.h"

namespace quarnel {
namespace {

// Both scans over the open file.
scan_failure read_open_file(std::FILE* file, label_dictionary* dictionary, output_maker maker) {
  line_reader reader;
  if (!line_reader_open(&reader, file_byte_source(file))) {
    line_reader_close(&reader);
    return failure_of(failure_kind::out_of_memory);
  }
  problem_sizes sizes;
  scan_failure failure = sizing_scan(&reader, &sizes, dictionary);
  if (failure.kind == failure_kind::malformed) {
    std::rewind(file);
    line_reader_restart(&reader);
    failure = first_fault_up_to(&reader, failure);
  } else if (failure.kind == failure_kind::read_failed && reader.bytes_read == 0) {
    // A name that opens but cannot be read at all, such as a directory.
    failure = failure_of(failure_kind::cannot_open);
  } else if (failure.kind == failure_kind::none) {
    std::rewind(file);
    line_reader_restart(&reader);
    sparse_columns labels{};
    sparse_columns pairs{};
    if (!maker.make(maker.context, sizes, *dictionary, &labels, &pairs))
      failure = failure_of(failure_kind::out_of_memory);
    else
      failure = fill_scan(&reader, sizes, *dictionary, labels, pairs, maker.duplicates);
  }
  line_reader_close(&reader);
  return failure;
}

}  // namespace

scan_failure read_multilabel_file(const char* fname, output_maker maker) {
  std::FILE* file = std::fopen(fname, "r");
  if (file == nullptr) return failure_of(failure_kind::cannot_open);
  label_dictionary dictionary;
  scan_failure failure = label_dictionary_create(&dictionary)
                             ? read_open_file(file, &dictionary, maker)
                             : failure_of(failure_kind::out_of_memory);
  label_dictionary_release(&dictionary);
  std::fclose(file);
  return failure;
}

std::string failure_message(const scan_failure& failure, const char* fname) {
  const std::string name = fname;
  switch (failure.kind) {
    case failure_kind::none:
      return "";
    case failure_kind::cannot_open:
      return "can't open input file " + name + "\n";
    case failure_kind::malformed:
      return "malformed input in " + name + " at line " + std::to_string(failure.line) +
             ", column " + std::to_string(failure.column) + ": " + describe(failure.error) + "\n";
    case failure_kind::read_failed:
      return "error reading input file " + name + "\n";
    case failure_kind::out_of_memory:
      return "not enough memory to read input file " + name + "\n";
    case failure_kind::file_changed:
      return "input file " + name + " changed while it was read\n";
  }
  return "";
}

}  // namespace quarnel
