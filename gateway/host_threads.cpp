#include "gateway/host_threads.h"

#include <thread>

#include "gateway/call_options.h"
#include "mex.h"

namespace quarnel {

namespace {

// The count a host function without arguments answers, or 0 when it fails
// (Octave has no maxNumCompThreads, MATLAB no nproc) or answers no count.
int count_from_host(const char* function) {
  mxArray* result = nullptr;
  mxArray* error = mexCallMATLABWithTrap(1, &result, 0, nullptr, function);
  int count = 0;
  if (error != nullptr) {
    mxDestroyArray(error);
  } else if (result != nullptr && (mxIsNumeric(result) || mxIsLogical(result)) &&
             !mxIsComplex(result) && mxGetNumberOfElements(result) == 1) {
    const double answer = mxGetScalar(result);
    if (answer >= 1) count = answer > max_threads ? max_threads : static_cast<int>(answer);
  }
  if (result != nullptr) mxDestroyArray(result);
  return count;
}

}  // namespace

int host_thread_count() {
  int count = count_from_host("maxNumCompThreads");
  if (count == 0) count = count_from_host("nproc");
  if (count == 0) {
    const unsigned processors = std::thread::hardware_concurrency();
    count = processors == 0 ? 1 : processors > max_threads ? max_threads : static_cast<int>(processors);
  }
  return count;
}

}  // namespace quarnel
