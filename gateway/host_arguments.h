// The options of a quarnel call, read from the host's arguments on the
// calling thread.
#pragma once

#include <string>

#include "gateway/call_options.h"
#include "mex.h"

namespace quarnel {

// One argument of a call as plain values: its text when it is a name (a
// character row vector or a string scalar, without a NUL), its numbers
// when it is a real, full numeric or logical vector. Throws std::bad_alloc
// when there is no memory for either.
call_argument argument_of(const mxArray* array);

// Reads the `count` arguments after the file name into `options`, with the
// host's thread count where the call names none, and the test-only range
// size of QUARNEL_RANGE_BYTES. Returns the empty string, or the one-line
// message (no newline) to print instead of reading.
std::string options_of_call(int count, const mxArray* const arguments[], read_options* options);

}  // namespace quarnel
