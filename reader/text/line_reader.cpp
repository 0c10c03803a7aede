#include "reader/text/line_reader.h"

#include <cstdlib>
#include <cstring>

namespace quarnel {
namespace {

// Reads more bytes into the buffer from `end` up to its room. Returns the
// count, 0 at the end of the data or on a failing source.
std::size_t read_more(line_reader* reader) {
  std::size_t count = reader->source.read(reader->source.context, reader->buffer + reader->end,
                                          reader->room - reader->end, &reader->fault);
  if (reader->fault != read_fault::none) return 0;
  if (count == 0) reader->source_ended = true;
  reader->end += count;
  reader->bytes_read += static_cast<std::int64_t>(count);
  return count;
}

bool grow(line_reader* reader) {
  std::size_t room = reader->room * 2;
  char* grown = static_cast<char*>(std::realloc(reader->buffer, room));
  if (grown == nullptr) {
    reader->out_of_memory = true;
    return false;
  }
  reader->buffer = grown;
  reader->room = room;
  return true;
}

// Moves the bytes from `from` to the buffer's start.
void move_to_start(line_reader* reader, std::size_t from) {
  std::size_t pending = reader->end - from;
  if (from != 0 && pending != 0) std::memmove(reader->buffer, reader->buffer + from, pending);
  reader->begin = 0;
  reader->end = pending;
}

// Moves the unread bytes to the buffer's start, grows the buffer when they
// fill it, and reads more. Returns false when nothing more can be read.
bool refill(line_reader* reader) {
  move_to_start(reader, reader->begin);
  if (reader->end == reader->room && !grow(reader)) return false;
  return read_more(reader) != 0;
}

// Passes over the rest of a line handed out in pieces, up to its newline.
// Returns false on a failing source.
bool skip_rest_of_line(line_reader* reader) {
  reader->line_continues = false;
  for (;;) {
    const char* newline = static_cast<const char*>(
        std::memchr(reader->buffer + reader->begin, '\n', reader->end - reader->begin));
    if (newline != nullptr) {
      reader->begin = static_cast<std::size_t>(newline - reader->buffer) + 1;
      return true;
    }
    reader->begin = 0;
    reader->end = 0;
    if (read_more(reader) == 0) return reader->fault == read_fault::none;
  }
}

// The end of the bytes [0, end) as a piece that does not end its line: a
// carriage return last may be the start of a line end, so it waits for the
// next piece.
std::size_t open_piece_end(const line_reader& reader) {
  return reader.end != 0 && reader.buffer[reader.end - 1] == '\r' ? reader.end - 1 : reader.end;
}

// The end of a line whose last byte is before `line_end`: a carriage return
// before it belongs to the line end.
const char* line_end_at(const line_reader& reader, std::size_t line_end, std::size_t from) {
  if (line_end > from && reader.buffer[line_end - 1] == '\r') --line_end;
  return reader.buffer + line_end;
}

// Hands out the bytes from `begin` up to `line_end` as the next line, less a
// carriage return before its end; the next line starts at `next_begin`.
line_status hand_out(line_reader* reader, std::size_t line_end, std::size_t next_begin,
                     const char** first, const char** last) {
  *first = reader->buffer + reader->begin;
  *last = line_end_at(*reader, line_end, reader->begin);
  reader->begin = next_begin;
  ++reader->line_number;
  return line_status::line;
}

}  // namespace

bool line_reader_open(line_reader* reader, byte_source source, std::size_t block_size,
                      std::size_t whole_lines_up_to) {
  std::free(reader->buffer);
  reader->source = source;
  reader->buffer = static_cast<char*>(std::malloc(block_size));
  reader->room = reader->buffer != nullptr ? block_size : 0;
  reader->whole_room = whole_lines_up_to > block_size ? whole_lines_up_to : block_size;
  line_reader_restart(reader);
  return reader->buffer != nullptr;
}

line_reader::~line_reader() { std::free(buffer); }

void line_reader_restart(line_reader* reader) {
  reader->begin = 0;
  reader->end = 0;
  reader->source_ended = false;
  reader->line_continues = false;
  reader->fault = read_fault::none;
  reader->out_of_memory = false;
  reader->bytes_read = 0;
  reader->line_number = 0;
}

line_status next_line(line_reader* reader, const char** first, const char** last) {
  if (reader->line_continues && !skip_rest_of_line(reader)) return line_status::read_failed;
  std::size_t searched = reader->begin;  // bytes before this hold no newline
  for (;;) {
    const char* newline = static_cast<const char*>(
        std::memchr(reader->buffer + searched, '\n', reader->end - searched));
    if (newline != nullptr) {
      std::size_t line_end = static_cast<std::size_t>(newline - reader->buffer);
      return hand_out(reader, line_end, line_end + 1, first, last);
    }
    // All pending bytes were searched; after the refill moves them to the
    // buffer's start, the search goes on from where they end.
    std::size_t pending = reader->end - reader->begin;
    if (!reader->source_ended && pending == reader->room && reader->room >= reader->whole_room &&
        open_piece_end(*reader) != 0) {
      // The line fills the buffer, grown as far as it may be: its first piece.
      *first = reader->buffer;
      *last = reader->buffer + open_piece_end(*reader);
      reader->begin = static_cast<std::size_t>(*last - reader->buffer);
      reader->line_continues = true;
      ++reader->line_number;
      return line_status::line;
    }
    if (!reader->source_ended && refill(reader)) {
      searched = reader->begin + pending;
      continue;
    }
    if (reader->fault != read_fault::none) return line_status::read_failed;
    if (reader->out_of_memory) return line_status::out_of_memory;
    if (reader->begin == reader->end) return line_status::end_of_data;
    // A last line without a newline.
    return hand_out(reader, reader->end, reader->end, first, last);
  }
}

bool more_of_line(line_reader* reader, line_piece* piece, const char* keep) {
  const std::size_t kept = static_cast<std::size_t>(piece->last - keep);
  piece->offset += keep - piece->first;
  move_to_start(reader, static_cast<std::size_t>(keep - reader->buffer));
  std::size_t searched = kept;  // a carriage return held back may follow the kept bytes
  for (;;) {
    const char* newline = static_cast<const char*>(
        std::memchr(reader->buffer + searched, '\n', reader->end - searched));
    if (newline != nullptr) {
      const std::size_t line_end = static_cast<std::size_t>(newline - reader->buffer);
      piece->last = line_end_at(*reader, line_end, 0);
      piece->ends = true;
      reader->begin = line_end + 1;
      break;
    }
    if (open_piece_end(*reader) > kept) {
      piece->last = reader->buffer + open_piece_end(*reader);
      piece->ends = false;
      reader->begin = static_cast<std::size_t>(piece->last - reader->buffer);
      break;
    }
    if (reader->source_ended) {
      // The data ends within the line.
      piece->last = line_end_at(*reader, reader->end, 0);
      piece->ends = true;
      reader->begin = reader->end;
      break;
    }
    searched = reader->end;
    if ((reader->end == reader->room && !grow(reader)) ||
        (read_more(reader) == 0 && reader->fault != read_fault::none)) {
      piece->first = reader->buffer;
      piece->last = reader->buffer + kept;
      piece->ends = true;
      reader->line_continues = false;
      return false;
    }
  }
  piece->first = reader->buffer;
  reader->line_continues = !piece->ends;
  return true;
}


}  // namespace quarnel
