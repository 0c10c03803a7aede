// Hands out the lines of a byte source, read in large blocks into a buffer
// of the reader's own. A line that fits in the buffer is handed out whole,
// the buffer growing for it up to a bound the reader is opened with; a
// longer one in pieces, so that memory stays bounded, whatever the length
// of a line or of the file: the reader of the pieces keeps from each only
// the bytes it still needs (a token that crosses the piece's end), and the
// buffer grows past the bound only when those fill it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/byte_source.h"
#include "reader/text/line_piece.h"

namespace quarnel {

// Its buffer is released when it goes.
struct line_reader {
  byte_source source{};
  char* buffer = nullptr;
  std::size_t room = 0;   // the buffer's size: it never shrinks, so this is its peak
  std::size_t whole_room = 0;  // the buffer grows up to this size to hold a line whole
  std::size_t begin = 0;  // first byte not yet handed out
  std::size_t end = 0;    // end of the bytes read into the buffer
  bool source_ended = false;
  bool line_continues = false;  // the piece handed out last does not end its line
  read_fault fault = read_fault::none;  // why the source failed, if it did
  bool out_of_memory = false;
  std::int64_t bytes_read = 0;
  // 1-based number of the last line handed out.
  std::int64_t line_number = 0;

  line_reader() = default;
  line_reader(const line_reader&) = delete;
  line_reader& operator=(const line_reader&) = delete;
  ~line_reader();
};

constexpr std::size_t default_block_size = std::size_t{1} << 20;
// The longest line the reader's users hold whole: wide real sets have
// lines of a few MB, which the scans read fastest whole.
constexpr std::size_t longest_whole_line = std::size_t{1} << 22;

// Starts reading `source`. Returns false when the first buffer cannot be
// allocated. Lines longer than `whole_lines_up_to` (at least the block)
// come in pieces.
bool line_reader_open(line_reader* reader, byte_source source,
                      std::size_t block_size = default_block_size,
                      std::size_t whole_lines_up_to = 0);

// Starts over with a source that has been rewound, keeping the buffer.
void line_reader_restart(line_reader* reader);

enum class line_status : unsigned char {
  line,           // [*first, *last) holds the next line, or its first piece
  end_of_data,    // no more lines
  read_failed,    // the source failed; `fault` says why
  out_of_memory,  // no room for a piece that must be kept
};

// The next line, without its line end: a newline, or a carriage return
// and a newline, ends a line; a carriage return at the very end of the data
// is dropped too. A last line without a newline that holds anything is a
// line like any other. The characters stay valid until the next call.
// When the line fills the buffer, [*first, *last) is its first piece (never
// empty) and `line_continues` is set: more_of_line reads on. Whatever is
// left of a line in pieces is passed over by the next call.
line_status next_line(line_reader* reader, const char** first, const char** last);

// Reads on in the line whose piece is `*piece`, keeping its bytes from
// `keep` (within the piece, or at its end): the new piece starts with them
// and holds at least one byte more, or ends the line. Earlier pointers into
// the piece are invalid afterwards. Returns false when the source failed or
// the kept bytes found no room; the piece is then the kept bytes, ending
// the line, and the reader's `fault` or `out_of_memory` says why.
bool more_of_line(line_reader* reader, line_piece* piece, const char* keep);

// A line in pieces from `reader`, for the scanner's walk.
struct pieces_of {
  static constexpr bool streams = true;
  line_reader* reader;
  bool operator()(line_piece* piece, const char* keep) const {
    return more_of_line(reader, piece, keep);
  }
};

// Calls `read(more)` with the way to read on in `line`, the line `reader`
// handed out last: whole_line when it is whole, its pieces otherwise.
template <class Read>
auto read_line_with(line_reader* reader, const line_piece& line, Read&& read) {
  return line.ends ? read(whole_line{}) : read(pieces_of{reader});
}

}  // namespace quarnel
