#include "gateway/host_names.h"

namespace quarnel {
namespace {

// An array the host made for the module, destroyed with its holder.
struct owned_array {
  mxArray* array;
  ~owned_array() {
    if (array != nullptr) mxDestroyArray(array);
  }
};

// The characters of a string array, made by the host's "char"; null when
// the host fails, its error released.
mxArray* chars_of_string(const mxArray* text) {
  mxArray* chars = nullptr;
  // The host only reads its inputs; its interface takes them as non-const.
  mxArray* input = const_cast<mxArray*>(text);
  mxArray* error = mexCallMATLABWithTrap(1, &chars, 1, &input, "char");
  if (error == nullptr) return chars;
  mxDestroyArray(error);
  return nullptr;
}

bool is_char_row(const mxArray* array) {
  return mxIsChar(array) && mxGetNumberOfDimensions(array) == 2 &&
         (mxGetM(array) == 1 || mxIsEmpty(array));
}

// A NUL among the characters, which would end the name early for the
// system and name another file.
bool holds_nul(const mxArray* chars) {
  const mxChar* characters = mxGetChars(chars);
  const std::size_t count = mxGetNumberOfElements(chars);
  for (std::size_t i = 0; i < count; ++i)
    if (characters[i] == 0) return true;
  return false;
}

}  // namespace

host_name::~host_name() {
  if (text != nullptr) mxFree(text);
}

name_kind name_of(const mxArray* input, host_name* name) {
  const bool is_string = mxIsClass(input, "string");
  const owned_array chars{is_string ? chars_of_string(input) : nullptr};
  const mxArray* characters = is_string ? chars.array : input;
  if (characters == nullptr || !is_char_row(characters)) return name_kind::not_a_name;
#if defined(HAVE_OCTAVE)
  // Octave's characters are the bytes of UTF-8 text already (and its mex.h
  // has no mxArrayToUTF8String).
  name->text = mxArrayToString(characters);
#else
  // MATLAB's are UTF-16; mxArrayToString would give the locale's encoding.
  name->text = mxArrayToUTF8String(characters);
#endif
  if (name->text == nullptr) return name_kind::out_of_memory;
  return holds_nul(characters) ? name_kind::holds_nul : name_kind::text;
}

}  // namespace quarnel
