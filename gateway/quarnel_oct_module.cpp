// quarnel.oct's own sources, Octave's entry and its adapters, as one
// translation unit: Octave's C++ headers, parsed once instead of once per
// file, are most of their compile time (6 s of processor time against 16).
// Every build compiles this file, with call_options.cpp, host_interrupt.cpp
// and the core, into quarnel.oct.
#include "gateway/octave_arguments.cpp"
#include "gateway/octave_calls.cpp"
#include "gateway/octave_names.cpp"
#include "gateway/octave_outputs.cpp"
#include "gateway/octave_read.cpp"
#include "gateway/octave_threads.cpp"
#include "gateway/quarnel_oct_entry.cpp"
