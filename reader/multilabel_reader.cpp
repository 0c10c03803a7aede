#include "multilabel_reader.h"

#include <cstdint>
#include <cstdio>

#include "fill_scan.h"
#include "label_dictionary.h"
#include "line_reader.h"
#include "sizing_scan.h"

namespace {

using namespace quarnel;

static_assert(sizeof(mwIndex) == sizeof(std::uint64_t), "the host must use 64-bit indices");

// What a failed call returns: the caller's slots never hold partial results.
void place_failure_outputs(mxArray* plhs[]) {
  plhs[0] = mxCreateDoubleMatrix(0, 0, mxREAL);
  plhs[1] = mxCreateDoubleMatrix(0, 0, mxREAL);
  plhs[2] = nullptr;
}

void report_failure(const scan_failure& failure, const line_reader& reader, const char* fname) {
  switch (failure.kind) {
    case failure_kind::none:
      break;
    case failure_kind::malformed:
      mexPrintf("malformed input in %s at line %lld, column %lld: %s\n", fname,
                static_cast<long long>(failure.line), static_cast<long long>(failure.column),
                describe(failure.error));
      break;
    case failure_kind::read_failed:
      // A name that opens but cannot be read at all, such as a directory.
      if (reader.bytes_read == 0)
        mexPrintf("can't open input file %s\n", fname);
      else
        mexPrintf("error reading input file %s\n", fname);
      break;
    case failure_kind::out_of_memory:
      mexPrintf("not enough memory to read input file %s\n", fname);
      break;
    case failure_kind::file_changed:
      mexPrintf("input file %s changed while it was read\n", fname);
      break;
  }
}

void print_duplicate_label(void*, std::int32_t label, std::int64_t instance_number) {
  mexPrintf("ERROR: duplicate label %d in %lld-th instance\n", static_cast<int>(label),
            static_cast<long long>(instance_number));
}

sparse_columns columns_of(mxArray* matrix, std::int64_t room) {
  return {mxGetPr(matrix), reinterpret_cast<std::uint64_t*>(mxGetIr(matrix)),
          reinterpret_cast<std::uint64_t*>(mxGetJc(matrix)), room};
}

// Creates the three outputs at their final sizes and writes label_map.
void create_outputs(const problem_sizes& sizes, const label_dictionary& dictionary,
                    mxArray* plhs[]) {
  const mwSize instances = static_cast<mwSize>(sizes.instance_count);
  const mwSize labels = static_cast<mwSize>(sizes.label_count);
  plhs[0] = mxCreateSparse(labels, instances, static_cast<mwSize>(sizes.label_entry_count), mxREAL);
  plhs[1] = mxCreateSparse(static_cast<mwSize>(feature_count(sizes)), instances,
                           static_cast<mwSize>(sizes.element_count), mxREAL);
  plhs[2] = mxCreateDoubleMatrix(labels, 1, mxREAL);
  double* label_map = mxGetPr(plhs[2]);
  for (std::int64_t i = 0; i < dictionary.label_count; ++i) label_map[i] = dictionary.labels[i];
}

// Replaces the matrix in `slot` by its transpose; false when the host fails.
bool transpose_in_place(mxArray** slot) {
  mxArray* transposed = nullptr;
  mxArray* error = mexCallMATLABWithTrap(1, &transposed, 1, slot, "transpose");
  if (error != nullptr) return false;
  *slot = transposed;
  return true;
}

// Both scans over the open file. Returns false after reporting a failure.
bool read_file(std::FILE* file, const char* fname, label_dictionary* dictionary, mxArray* plhs[]) {
  line_reader reader;
  if (!line_reader_open(&reader, file_byte_source(file))) {
    report_failure(scan_failure{failure_kind::out_of_memory, scan_error::none, 0, 0}, reader, fname);
    return false;
  }
  problem_sizes sizes;
  scan_failure failure = sizing_scan(&reader, &sizes, dictionary);
  if (failure.kind == failure_kind::malformed) {
    std::rewind(file);
    line_reader_restart(&reader);
    failure = first_fault_up_to(&reader, failure);
  } else if (failure.kind == failure_kind::none) {
    std::rewind(file);
    line_reader_restart(&reader);
    create_outputs(sizes, *dictionary, plhs);
    failure = fill_scan(&reader, sizes, *dictionary, columns_of(plhs[0], sizes.label_entry_count),
                        columns_of(plhs[1], sizes.element_count),
                        duplicate_label_sink{nullptr, print_duplicate_label});
  }
  line_reader_close(&reader);
  if (failure.kind != failure_kind::none) {
    report_failure(failure, reader, fname);
    return false;
  }
  return true;
}

}  // namespace

void load_multilabel_file(const char* fname, mxArray* plhs[]) {
  std::FILE* file = std::fopen(fname, "r");
  label_dictionary dictionary;
  const bool have_dictionary = label_dictionary_create(&dictionary);
  bool read = false;
  if (file == nullptr) {
    mexPrintf("can't open input file %s\n", fname);
  } else if (!have_dictionary) {
    mexPrintf("not enough memory to read input file %s\n", fname);
  } else {
    read = read_file(file, fname, &dictionary, plhs);
  }
  if (file != nullptr) std::fclose(file);
  label_dictionary_release(&dictionary);
  if (!read) {
    place_failure_outputs(plhs);
    return;
  }
  if (!transpose_in_place(&plhs[0])) {
    mexPrintf("Error: cannot transpose labels\n");
    return;
  }
  if (!transpose_in_place(&plhs[1])) {
    mexPrintf("Error: cannot transpose problem\n");
    return;
  }
}
