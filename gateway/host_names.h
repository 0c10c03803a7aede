// Names from the host, the file name and option names alike: a character
// row vector or, in MATLAB, a string scalar, taken as UTF-8 text.
#pragma once

#include "mex.h"

namespace quarnel {

enum class name_kind : unsigned char {
  text,           // the name is in the holder's text
  not_a_name,     // neither a character row vector nor a string scalar
  holds_nul,      // a NUL character in the name; the text holds what comes before it
  out_of_memory,  // the host had no memory for the text
};

// The text of a name, in memory of the host's that the holder releases.
struct host_name {
  char* text = nullptr;
  host_name() = default;
  host_name(const host_name&) = delete;
  host_name& operator=(const host_name&) = delete;
  ~host_name();
};

// Reads the name `input` into `name` as UTF-8. A string scalar becomes
// characters through the host's own "char" first.
name_kind name_of(const mxArray* input, host_name* name);

}  // namespace quarnel
