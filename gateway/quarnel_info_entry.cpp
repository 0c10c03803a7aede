// The summary module's entry: checks the call as quarnel does, has the
// reader core size the named file without making its outputs, and returns
// what it found as a struct. Ctrl-C ends it as it ends quarnel.
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

// The call's outputs: the summary, and the message of a failure when the
// caller asks for it as a second output rather than printed; and, when
// the host interrupted the call, the message it ends with. Plain storage:
// nothing is left to release when the host leaves the function.
struct answer {
  mxArray* outputs[2] = {nullptr, nullptr};
  bool message_wanted = false;
  bool stopped = false;
  char stop_message[4096];
};

// A failed call: an empty summary, and the message printed or returned.
void answer_failure(answer* call, std::string message) {
  while (!message.empty() && message.back() == '\n') message.pop_back();
  call->outputs[0] = empty_matrix();
  if (call->message_wanted)
    call->outputs[1] = mxCreateString(message.c_str());
  else
    mexPrintf("%s\n", message.c_str());
}

mxArray* scalar(double value) { return mxCreateDoubleScalar(value); }

mxArray* summary_struct(const file_summary& summary) {
  const char* fields[] = {"instances", "pairs",  "label_tokens", "label_map",    "min_index",
                          "max_index", "width",  "header",       "has_query_id", "bytes"};
  mxArray* info = mxCreateStructMatrix(1, 1, sizeof fields / sizeof *fields, fields);
  mxSetField(info, 0, "instances", scalar(static_cast<double>(summary.instances)));
  mxSetField(info, 0, "pairs", scalar(static_cast<double>(summary.pairs)));
  mxSetField(info, 0, "label_tokens", scalar(static_cast<double>(summary.label_tokens)));
  mxArray* label_map =
      mxCreateDoubleMatrix(static_cast<mwSize>(summary.label_map.size()), 1, mxREAL);
  double* labels = mxGetPr(label_map);
  for (std::size_t i = 0; i < summary.label_map.size(); ++i) labels[i] = summary.label_map[i];
  mxSetField(info, 0, "label_map", label_map);
  mxSetField(info, 0, "min_index", scalar(summary.min_index));
  mxSetField(info, 0, "max_index", scalar(static_cast<double>(summary.max_index)));
  mxSetField(info, 0, "width",
             scalar(static_cast<double>(summary.max_index - summary.min_index + 1)));
  mxArray* header = empty_matrix();
  if (summary.header.present) {
    mxDestroyArray(header);
    header = mxCreateDoubleMatrix(1, 3, mxREAL);
    double* figures = mxGetPr(header);
    figures[0] = summary.header.instances;
    figures[1] = summary.header.features;
    figures[2] = summary.header.labels;
  }
  mxSetField(info, 0, "header", header);
  mxSetField(info, 0, "has_query_id", mxCreateLogicalScalar(summary.query_ids > 0));
  mxSetField(info, 0, "bytes", scalar(static_cast<double>(summary.bytes)));
  return info;
}

void summarize(const char* fname, const read_options& options, answer* call) {
  file_summary summary{};
  // The host as a read sees it, asked for no output: progress lines and
  // the interrupt.
  mxArray* no_outputs[4] = {nullptr, nullptr, nullptr, nullptr};
  mex_read_host host(no_outputs, false);
  const read_failure failure = summarize_multilabel_file(fname, options, host, &summary);
  if (failure.error == read_error::interrupted || host.raised()) {
    call->stopped = true;
    std::snprintf(call->stop_message, sizeof call->stop_message, "%s",
                  failure_message(failure_of(read_error::interrupted), fname).c_str());
    return;
  }
  if (failure.error != read_error::none) {
    answer_failure(call, failure_message(failure, fname));
    return;
  }
  call->outputs[0] = summary_struct(summary);
  if (call->message_wanted) call->outputs[1] = mxCreateString("");
}

void answer_call(int nrhs, const mxArray* prhs[], answer* call) {
  // quarnel_info(fname) or quarnel_info(fname, name, value, ...), as quarnel.
  if (nrhs < 1 || nrhs == 2) {
    answer_failure(call, "Usage: info = quarnel_info(fname);");
    return;
  }
  host_name name;
  const name_kind kind = name_of(prhs[0], &name);
  read_options options;
  if (kind == name_kind::not_a_name) {
    answer_failure(call, "Usage: info = quarnel_info(fname);");
    return;
  }
  const std::string bad_option = options_of_call(nrhs - 1, prhs + 1, &options);
  if (!bad_option.empty())
    answer_failure(call, bad_option);
  else if (kind == name_kind::holds_nul)
    answer_failure(call, std::string("can't open input file ") + name.text +
                             ": the name holds a NUL character");
  else if (kind == name_kind::out_of_memory)
    answer_failure(call, "not enough memory for the input file's name");
  else
    summarize(name.text, options, call);
}

}  // namespace

extern "C" QUARNEL_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  answer call;
  call.message_wanted = nlhs >= 2;
  answer_call(nrhs, prhs, &call);
  // An interrupted call assigns nothing and ends as the host's functions do.
  if (call.stopped) raise_host_interrupt(call.stop_message);
  hand_over(call.outputs, 2, nlhs, plhs);
}
