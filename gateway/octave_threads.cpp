#include "gateway/octave_threads.h"

#include <thread>

#include <octave/ovl.h>

#include "gateway/call_options.h"
#include "gateway/octave_calls.h"

namespace quarnel {

namespace {

// The count a function without arguments answers, or 0 when it fails
// (Octave has no maxNumCompThreads) or answers no count.
int count_from_octave(octave::interpreter& interpreter, const char* function) {
  octave_value answer;
  if (!call_octave(interpreter, function, octave_value_list(), &answer)) return 0;
  if (!(answer.isnumeric() || answer.islogical()) || answer.iscomplex() || answer.numel() != 1)
    return 0;
  const double count = answer.double_value();
  if (!(count >= 1)) return 0;
  return count > max_threads ? max_threads : static_cast<int>(count);
}

}  // namespace

int octave_thread_count(octave::interpreter& interpreter) {
  int count = count_from_octave(interpreter, "maxNumCompThreads");
  if (count == 0) count = count_from_octave(interpreter, "nproc");
  if (count == 0) {
    const unsigned processors = std::thread::hardware_concurrency();
    count = processors == 0 ? 1 : processors > max_threads ? max_threads : static_cast<int>(processors);
  }
  return count;
}

}  // namespace quarnel
