// The module's entry: checks the call and has the reader core read the
// named file into outputs made through the host in their final shapes.
#include <cstdint>
#include <string>

#include "host_arguments.h"
#include "host_arrays.h"
#include "host_names.h"
#include "mex.h"
#include "module_export.h"
#include "multilabel_reader.h"

namespace {

using namespace quarnel;

// Prints a failure of the call itself and leaves the two empty outputs.
void answer_failure(mxArray* outputs[4], const std::string& message) {
  mexPrintf("%s\n", message.c_str());
  outputs[0] = empty_matrix();
  outputs[1] = empty_matrix();
}

void answer_usage(mxArray* outputs[4]) {
  answer_failure(outputs, "Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);");
}

void print_duplicate_label(void*, std::int32_t label, std::int64_t instance_number) {
  mexPrintf("ERROR: duplicate label %d in %lld-th instance\n", static_cast<int>(label),
            static_cast<long long>(instance_number));
}

// Prints a progress line and has the host show it now, while the call runs:
// Octave's output is buffered until flushed; MATLAB's command window is
// updated by drawnow.
void print_progress(void*, const char* text) {
  mexPrintf("%s\n", text);
#if defined(HAVE_OCTAVE)
  mexEvalString("fflush(stdout);");
#else
  mexEvalString("drawnow;");
#endif
}

// Creates the three outputs in their final shapes, instances as rows, and
// writes label_map.
bool make_outputs(void* context, const problem_sizes& sizes, const label_dictionary& dictionary,
                  sparse_columns* labels, sparse_columns* pairs) {
  mxArray** outputs = static_cast<mxArray**>(context);
  outputs[0] = create_sparse(sizes.instance_count, sizes.label_count, label_entries(sizes), labels);
  if (outputs[0] == nullptr) return false;
  outputs[1] = create_sparse(sizes.instance_count, feature_count(sizes), sizes.element_count, pairs);
  if (outputs[1] == nullptr) return false;
  outputs[2] = mxCreateDoubleMatrix(static_cast<mwSize>(sizes.label_count), 1, mxREAL);
  if (outputs[2] == nullptr) return false;
  double* label_map = mxGetPr(outputs[2]);
  for (std::int64_t i = 0; i < dictionary.label_count; ++i) label_map[i] = dictionary.labels[i];
  return true;
}

// Creates the fourth output, query_id: a dense column, one row per instance.
bool make_query_ids(void* context, std::int64_t instance_count, double** ids) {
  mxArray** outputs = static_cast<mxArray**>(context);
  outputs[3] = mxCreateDoubleMatrix(static_cast<mwSize>(instance_count), 1, mxREAL);
  if (outputs[3] == nullptr) return false;
  *ids = mxGetPr(outputs[3]);
  return true;
}

// Reads the file `fname` into label_vector, instance_matrix, label_map and,
// when `query_ids` is set, query_id. On failure it prints one message and
// leaves empty 0-by-0 matrices in the first two outputs and nothing in the
// others.
void load_multilabel_file(const char* fname, const read_options& options, bool query_ids,
                          mxArray* outputs[4]) {
  output_maker maker{outputs, make_outputs, duplicate_label_sink{nullptr, print_duplicate_label},
                     query_ids ? make_query_ids : nullptr,
                     progress_sink{nullptr, print_progress}};
  const scan_failure failure = read_multilabel_file(fname, options, maker);
  if (failure.kind != failure_kind::none) {
    mexPrintf("%s", failure_message(failure, fname).c_str());
    for (int i = 0; i < 4; ++i) {
      if (outputs[i] != nullptr) mxDestroyArray(outputs[i]);
      outputs[i] = nullptr;
    }
    outputs[0] = empty_matrix();
    outputs[1] = empty_matrix();
  }
}

// Reads the name-value options after the file name; a bad one is answered
// by its message and the two empty outputs.
bool read_call_options(int count, const mxArray* const inputs[], read_options* options,
                       mxArray* outputs[4]) {
  const std::string failure = options_of_call(count, inputs, options);
  if (failure.empty()) return true;
  answer_failure(outputs, failure);
  return false;
}

// Fills the first three outputs, whatever the caller asked for, and the
// fourth, query_id, when asked for.
void answer_call(int nlhs, int nrhs, const mxArray* prhs[], mxArray* outputs[4]) {
  // quarnel(fname) or quarnel(fname, name, value, ...): a lone option name
  // is a wrong call, as before there were options.
  if (nrhs < 1 || nrhs == 2) {
    answer_usage(outputs);
    return;
  }
  host_name name;
  const name_kind kind = name_of(prhs[0], &name);
  read_options options;
  if (kind == name_kind::not_a_name) {
    answer_usage(outputs);
  } else if (!read_call_options(nrhs - 1, prhs + 1, &options, outputs)) {
    return;
  } else if (kind == name_kind::holds_nul) {
    answer_failure(outputs, std::string("can't open input file ") + name.text +
                                ": the name holds a NUL character");
  } else if (kind == name_kind::out_of_memory) {
    answer_failure(outputs, "not enough memory for the input file's name");
  } else {
#if defined(HAVE_OCTAVE)
    // Octave copies every output once more as the call returns; MATLAB
    // takes the arrays over.
    options.host_copies_outputs = true;
#endif
    load_multilabel_file(name.text, options, nlhs >= 4, outputs);
  }
}

}  // namespace

extern "C" QUARNEL_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  // The outputs are made in slots of our own: the host's plhs may hold fewer.
  mxArray* outputs[4] = {nullptr, nullptr, nullptr, nullptr};
  answer_call(nlhs, nrhs, prhs, outputs);
  hand_over(outputs, 4, nlhs, plhs);
}
