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

extern "C" QUARNEL_EXPORT void mexFunction(int, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  if (nrhs != 1 || !is_file_name(prhs[0])) {
    answer_usage(plhs);
    return;
  }
  // The buffer is sized to the name, so a name of any length fits; a host
  // that encodes characters as multibyte sequences needs up to 4 bytes each.
  const std::size_t length = static_cast<std::size_t>(mxGetN(prhs[0])) * 4;
  char* fname = static_cast<char*>(std::malloc(length + 1));
  if (fname == nullptr) {
    answer_usage(plhs);
    return;
  }
  mxGetString(prhs[0], fname, static_cast<mwSize>(length + 1));
  load_multilabel_file(fname, plhs);
  std::free(fname);
}
