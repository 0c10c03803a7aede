#include "gateway/octave_names.h"

#include <octave/chNDArray.h>
#include <octave/ovl.h>

#include "gateway/octave_calls.h"

namespace quarnel {

namespace {

bool is_char_row(const octave_value& value) {
  return value.is_string() && value.ndims() == 2 && (value.rows() == 1 || value.isempty());
}

}  // namespace

octave_name_kind octave_name_of(octave::interpreter& interpreter, const octave_value& input,
                                std::string* text) {
  octave_value chars = input;
  if (input.class_name() == "string" && !call_octave(interpreter, "char", ovl(input), &chars))
    return octave_name_kind::not_a_name;
  if (!is_char_row(chars)) return octave_name_kind::not_a_name;
  // Octave's characters are the bytes of UTF-8 text already.
  const charNDArray characters = chars.char_array_value();
  text->assign(characters.data(), static_cast<std::size_t>(characters.numel()));
  // A NUL would end the name early for the system and name another file.
  const std::size_t nul = text->find('\0');
  if (nul == std::string::npos) return octave_name_kind::text;
  text->resize(nul);
  return octave_name_kind::holds_nul;
}

}  // namespace quarnel
