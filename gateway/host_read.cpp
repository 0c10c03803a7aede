#include "gateway/host_read.h"

#include "gateway/host_arrays.h"
#include "gateway/host_interrupt.h"

namespace quarnel {

bool mex_read_host::make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                                 sparse_columns* label_columns, sparse_columns* pair_columns) {
  // Instances as rows: the outputs in their final shapes. Nothing of the
  // read is open or running here, so a host allocation may raise.
  outputs_[0] = create_sparse(sizes.instance_count, sizes.label_count, label_entries(sizes),
                              label_columns);
  if (outputs_[0] == nullptr) return false;
  outputs_[1] = create_sparse(sizes.instance_count, feature_count(sizes), sizes.element_count,
                              pair_columns);
  if (outputs_[1] == nullptr) return false;
  outputs_[2] = mxCreateDoubleMatrix(static_cast<mwSize>(sizes.label_count), 1, mxREAL);
  if (outputs_[2] == nullptr) return false;
  double* label_map = mxGetPr(outputs_[2]);
  for (std::int64_t i = 0; i < sizes.label_count; ++i) label_map[i] = labels[i];
  return true;
}

bool mex_read_host::make_query_ids(std::int64_t instance_count, double** ids) {
  outputs_[3] = mxCreateDoubleMatrix(static_cast<mwSize>(instance_count), 1, mxREAL);
  if (outputs_[3] == nullptr) return false;
  *ids = mxGetPr(outputs_[3]);
  return true;
}

void mex_read_host::report_duplicate(std::int32_t label, std::int64_t instance_number) {
  if (raised_) return;
  try {
    mexPrintf("ERROR: duplicate label %d in %lld-th instance\n", static_cast<int>(label),
              static_cast<long long>(instance_number));
  } catch (...) {
    raised_ = true;
  }
}

// Prints the line and has the host show it now, while the call runs:
// Octave's output is buffered until flushed; MATLAB's command window is
// updated by drawnow. The trapping call hands back an error instead of
// raising it; what raises all the same (Octave's interrupt) stops the read.
void mex_read_host::show_progress(const char* line) {
  if (raised_) return;
  try {
    mexPrintf("%s\n", line);
#if defined(HAVE_OCTAVE)
    mxArray* error = mexEvalStringWithTrap("fflush(stdout);");
#else
    mxArray* error = mexEvalStringWithTrap("drawnow;");
#endif
    if (error != nullptr) mxDestroyArray(error);
  } catch (...) {
    raised_ = true;
  }
}

bool mex_read_host::interrupted() {
  if (raised_) return true;
  try {
    return host_interrupt_pending();
  } catch (...) {
    raised_ = true;
    return true;
  }
}

}  // namespace quarnel
