// The options of a quarnel call, read from Octave's arguments on the
// calling thread, for the oct-file entry.
#pragma once

#include <string>

#include <octave/ovl.h>

namespace octave {
class interpreter;
}

#include "gateway/call_options.h"

namespace quarnel {

// One argument of a call as plain values, as the MEX entry sees it: its
// text when it is a name (a character row vector or a string scalar,
// without a NUL), its numbers when it is a real, full numeric or logical
// array of two dimensions that is a vector. Throws std::bad_alloc when
// there is no memory for either.
call_argument octave_argument_of(octave::interpreter& interpreter, const octave_value& value);

// Reads the arguments after the file name, arguments(1) on, into
// `options`, with Octave's thread count where the call names none, and the
// test-only range size of QUARNEL_RANGE_BYTES. Returns the empty string, or
// the one-line message (no newline) to print instead of reading.
std::string octave_options_of_call(octave::interpreter& interpreter,
                                   const octave_value_list& arguments, read_options* options);

}  // namespace quarnel
