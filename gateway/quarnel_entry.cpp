// The module's entry: checks the call and hands the file name to the reader.
#include <cstdlib>

#include "mex.h"
#include "multilabel_reader.h"

namespace {

void answer_usage(mxArray* plhs[]) {
  mexPrintf("Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);\n");
  plhs[0] = mxCreateDoubleMatrix(0, 0, mxREAL);
  plhs[1] = mxCreateDoubleMatrix(0, 0, mxREAL);
}

// The host gives max(nlhs, 1) output slots, fewer than the three the reader
// fills when the caller asks for fewer: hand over only what fits.
void hand_over(mxArray* outputs[3], int nlhs, mxArray* plhs[]) {
  const int room = nlhs < 1 ? 1 : nlhs;
  for (int i = 0; i < 3; ++i) {
    if (i < room)
      plhs[i] = outputs[i];
    else if (outputs[i] != nullptr)
      mxDestroyArray(outputs[i]);
  }
}

// A file name is a character row vector (or the empty string).
bool is_file_name(const mxArray* input) {
  return mxIsChar(input) && mxGetNumberOfDimensions(input) == 2 &&
         (mxGetM(input) == 1 || mxIsEmpty(input));
}

}  // namespace

#if defined(_WIN32)
#define QUARNEL_EXPORT __declspec(dllexport)
#else
#define QUARNEL_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// Fills all three outputs, whatever the caller asked for.
void answer_call(int nrhs, const mxArray* prhs[], mxArray* outputs[3]) {
  if (nrhs != 1 || !is_file_name(prhs[0])) {
    answer_usage(outputs);
    return;
  }
  // The buffer is sized to the name, so a name of any length fits; a host
  // that encodes characters as multibyte sequences needs up to 4 bytes each.
  const std::size_t length = static_cast<std::size_t>(mxGetN(prhs[0])) * 4;
  char* fname = static_cast<char*>(std::malloc(length + 1));
  if (fname == nullptr) {
    answer_usage(outputs);
    return;
  }
  mxGetString(prhs[0], fname, static_cast<mwSize>(length + 1));
  load_multilabel_file(fname, outputs);
  std::free(fname);
}

}  // namespace

extern "C" QUARNEL_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  // The outputs are made in slots of our own: the host's plhs may hold fewer.
  mxArray* outputs[3] = {nullptr, nullptr, nullptr};
  answer_call(nrhs, prhs, outputs);
  hand_over(outputs, nlhs, plhs);
}
