#include "gateway/octave_calls.h"

#include <octave/interpreter.h>

namespace quarnel {

bool call_octave(octave::interpreter& interpreter, const char* name,
                 const octave_value_list& arguments, octave_value* result) {
  try {
    const octave_value_list answers = interpreter.feval(name, arguments, 1);
    if (answers.length() > 0) *result = answers(0);
    return true;
  } catch (const octave::execution_exception&) {
    interpreter.recover_from_exception();
    return false;
  }
}

}  // namespace quarnel
