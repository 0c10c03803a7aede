// The part of one line that the reader's buffer holds: a short line whole,
// a long one in pieces, each handed out as the one before it is done with.
#pragma once

#include <cstdint>

namespace quarnel {

struct line_piece {
  const char* first;
  const char* last;
  std::int64_t offset;  // 0-based column of *first in its line
  bool ends;            // `last` is the line's end
};

// A whole line: there is nothing more to read of it.
struct whole_line {
  static constexpr bool streams = false;
  bool operator()(line_piece*, const char*) const { return false; }
};

}  // namespace quarnel
