// The module's entry: checks the call and has the reader core read the
// named file into outputs made through the host in their final shapes.
#include <cstdint>
#include <cstdio>
#include <string>

#include "gateway/host_arguments.h"
#include "gateway/host_arrays.h"
#include "gateway/host_interrupt.h"
#include "gateway/host_names.h"
#include "gateway/host_read.h"
#include "gateway/module_export.h"
#include "mex.h"
#include "reader/multilabel_reader.h"

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

// How a call ends: normally, with its outputs handed over, or stopped by
// the host's interrupt, which is raised once everything of the call is
// released. Plain storage: nothing is left to release when the host leaves
// the function.
struct call_ending {
  bool stopped = false;
  char message[4096];
};

// Reads the file `fname` into label_vector, instance_matrix, label_map and,
// when `query_ids` is set, query_id. On failure it prints one message and
// leaves empty 0-by-0 matrices in the first two outputs and nothing in the
// others; when the host interrupts the read, it leaves nothing at all.
void load_multilabel_file(const char* fname, const read_options& options, bool query_ids,
                          mxArray* outputs[4], call_ending* ending) {
  mex_read_host host(outputs, query_ids);
  const read_failure failure = read_multilabel_file(fname, options, host);
  if (failure.error == read_error::none && !host.raised()) return;
  for (int i = 0; i < 4; ++i) {
    if (outputs[i] != nullptr) mxDestroyArray(outputs[i]);
    outputs[i] = nullptr;
  }
  if (failure.error == read_error::interrupted || host.raised()) {
    ending->stopped = true;
    std::snprintf(ending->message, sizeof ending->message, "%s",
                  failure_message(failure_of(read_error::interrupted), fname).c_str());
    return;
  }
  mexPrintf("%s", failure_message(failure, fname).c_str());
  outputs[0] = empty_matrix();
  outputs[1] = empty_matrix();
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
void answer_call(int nlhs, int nrhs, const mxArray* prhs[], mxArray* outputs[4],
                 call_ending* ending) {
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
    load_multilabel_file(name.text, options, nlhs >= 4, outputs, ending);
  }
}

}  // namespace

extern "C" QUARNEL_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  call_ending ending;
  {
    // The outputs are made in slots of our own: the host's plhs may hold fewer.
    mxArray* outputs[4] = {nullptr, nullptr, nullptr, nullptr};
    answer_call(nlhs, nrhs, prhs, outputs, &ending);
    if (!ending.stopped) hand_over(outputs, 4, nlhs, plhs);
  }
  // An interrupted call assigns nothing and ends as the host's functions do.
  if (ending.stopped) raise_host_interrupt(ending.message);
}
