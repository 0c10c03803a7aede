// Ctrl-C while a call runs: whether the user pressed it, asked only on the
// thread the host called the module on, and how the call then ends.
#pragma once

namespace quarnel {

// Whether an interrupt (Ctrl-C) is pending in the host.
bool host_interrupt_pending();

// Ends the call as the host's own functions end on Ctrl-C: in Octave, the
// host's interrupt; in MATLAB, which leaves that to the function, an error
// with `message` (identifier quarnel:interrupted). Call it only once
// everything of the call is released, as the call's last act: the host
// leaves the function through it.
void raise_host_interrupt(const char* message);

}  // namespace quarnel
