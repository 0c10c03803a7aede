// Names from Octave, for the oct-file entry: the file name and option
// names alike, a character row vector or an object of a class named
// "string", taken as UTF-8 text as the MEX entry takes them.
#pragma once

#include <string>

#include <octave/ov.h>

namespace octave {
class interpreter;
}

namespace quarnel {

enum class octave_name_kind : unsigned char {
  text,        // the name is in `text`
  not_a_name,  // neither a character row vector nor a string scalar
  holds_nul,   // a NUL character in the name; `text` holds what comes before it
};

// Reads the name `input` into `text`. An object of class string becomes
// characters through Octave's "char" first. Throws std::bad_alloc when
// there is no memory for the text.
octave_name_kind octave_name_of(octave::interpreter& interpreter, const octave_value& input,
                                std::string* text);

}  // namespace quarnel
