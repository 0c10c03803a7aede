// Hands out the lines of a byte source, read in large blocks into a buffer
// of the reader's own. The buffer grows only when one line is longer than
// it, so memory stays bounded by the longest line, whatever the file's size.
// Before it grows for a line, the line's first byte is looked at: a comment
// line streams past without being held, and a line that no token can begin
// is reported at once, so that an endless line of such bytes (/dev/zero, a
// file of holes) cannot take the machine's memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byte_source.h"

namespace quarnel {

struct line_reader {
  byte_source source;
  char* buffer;
  std::size_t room;
  std::size_t begin;  // first byte not yet handed out
  std::size_t end;    // end of the bytes read into the buffer
  bool source_ended;
  read_fault fault;  // why the source failed, if it did
  bool out_of_memory;
  std::int64_t bytes_read;
  // 1-based number of the last line handed out; comment lines skipped
  // unseen are counted too.
  std::int64_t line_number;
};

constexpr std::size_t default_block_size = std::size_t{1} << 20;

// Returns false when the first buffer cannot be allocated.
bool line_reader_open(line_reader* reader, byte_source source,
                      std::size_t block_size = default_block_size);
void line_reader_close(line_reader* reader);

// Starts over with a source that has been rewound, keeping the buffer.
void line_reader_restart(line_reader* reader);

enum class line_status : unsigned char {
  line,           // [*first, *last) holds the next line
  end_of_data,    // no more lines
  read_failed,    // the source failed; `fault` says why
  out_of_memory,  // a line too long for any buffer we could allocate
  bad_start,      // line `line_number` outgrew the buffer, and no token can begin with its first byte
};

// The next line, without its line end: a newline, or a carriage return
// and a newline, ends a line; a carriage return at the very end of the data
// is dropped too. A last line without a newline that holds anything is a
// line like any other. The characters stay valid until the next call.
// A comment line longer than the buffer is skipped without being handed out.
line_status next_line(line_reader* reader, const char** first, const char** last);

}  // namespace quarnel
