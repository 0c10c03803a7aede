#include "gateway/host_interrupt.h"

#include "mex.h"

#if defined(HAVE_OCTAVE)
// Octave's mex.h has no call for it: its signal handler counts a pending
// interrupt in octave_interrupt_state, and octave_quit raises it.
#include "quit.h"
#else
// MATLAB's library libut (linked with -lut) has the calls MEX files have
// long used for it; mex.h does not declare them.
extern "C" bool utIsInterruptPending(void);
extern "C" bool utSetInterruptPending(bool pending);
#endif

namespace quarnel {

#if defined(HAVE_OCTAVE)

bool host_interrupt_pending() { return octave_interrupt_state > 0; }

void raise_host_interrupt(const char*) {
  // Raises the pending interrupt as Octave's own functions do.
  octave_quit();
  // Already taken by a host call since: raise one all the same.
  throw octave::interrupt_exception();
}

#else

bool host_interrupt_pending() { return utIsInterruptPending(); }

void raise_host_interrupt(const char* message) {
  // Taken here, so that it does not stop the user's next command too.
  utSetInterruptPending(false);
  mexErrMsgIdAndTxt("quarnel:interrupted", "%s", message);
}

#endif

}  // namespace quarnel
