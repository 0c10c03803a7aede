// Calls of Octave functions from the oct-file entry, on the calling thread.
#pragma once

#include <octave/ovl.h>

namespace octave {
class interpreter;
}

namespace quarnel {

// Calls the Octave function `name` with `arguments` for one output. An
// error it raises is taken here, as the MEX entry's trapping call takes it:
// false, and `result` left undefined. Octave's interrupt goes through.
bool call_octave(octave::interpreter& interpreter, const char* name,
                 const octave_value_list& arguments, octave_value* result);

}  // namespace quarnel
