#include "line_reader.h"

#include <cstdlib>
#include <cstring>

#include "line_scanner.h"

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

// Moves the unread bytes to the buffer's start, grows the buffer when they
// fill it, and reads more. Returns false when nothing more can be read.
bool refill(line_reader* reader) {
  std::size_t pending = reader->end - reader->begin;
  if (reader->begin != 0) {
    if (pending != 0) std::memmove(reader->buffer, reader->buffer + reader->begin, pending);
    reader->begin = 0;
    reader->end = pending;
  }
  if (pending == reader->room) {
    std::size_t room = reader->room * 2;
    char* grown = static_cast<char*>(std::realloc(reader->buffer, room));
    if (grown == nullptr) {
      reader->out_of_memory = true;
      return false;
    }
    reader->buffer = grown;
    reader->room = room;
  }
  return read_more(reader) != 0;
}

// The comment line whose start fills the buffer: drops what is held of it
// and reads on, block by block, until its newline, keeping only the bytes
// after it. Returns false on a failing source.
bool skip_comment_line(line_reader* reader) {
  for (;;) {
    reader->begin = 0;
    reader->end = 0;
    if (read_more(reader) == 0) break;
    const char* newline = static_cast<const char*>(std::memchr(reader->buffer, '\n', reader->end));
    if (newline != nullptr) {
      reader->begin = static_cast<std::size_t>(newline - reader->buffer) + 1;
      break;
    }
  }
  ++reader->line_number;
  return reader->fault == read_fault::none;
}

// Hands out the bytes from `begin` up to `line_end` as the next line, less a
// carriage return before its end; the next line starts at `next_begin`.
line_status hand_out(line_reader* reader, std::size_t line_end, std::size_t next_begin,
                     const char** first, const char** last) {
  const char* start = reader->buffer + reader->begin;
  const char* end = reader->buffer + line_end;
  if (end > start && end[-1] == '\r') --end;
  *first = start;
  *last = end;
  reader->begin = next_begin;
  ++reader->line_number;
  return line_status::line;
}

}  // namespace

bool line_reader_open(line_reader* reader, byte_source source, std::size_t block_size) {
  *reader = line_reader{};
  reader->source = source;
  reader->buffer = static_cast<char*>(std::malloc(block_size));
  reader->room = block_size;
  return reader->buffer != nullptr;
}

void line_reader_close(line_reader* reader) {
  std::free(reader->buffer);
  reader->buffer = nullptr;
}

void line_reader_restart(line_reader* reader) {
  reader->begin = 0;
  reader->end = 0;
  reader->source_ended = false;
  reader->fault = read_fault::none;
  reader->out_of_memory = false;
  reader->bytes_read = 0;
  reader->line_number = 0;
}

line_status next_line(line_reader* reader, const char** first, const char** last) {
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
    if (!reader->source_ended && pending == reader->room) {
      // The line fills the buffer: before it grows, its first byte may
      // already tell that its bytes need not be kept.
      char start = reader->buffer[reader->begin];
      if (start == '#') {
        if (!skip_comment_line(reader)) return line_status::read_failed;
        searched = reader->begin;
        continue;
      }
      if (!can_begin_line(start)) {
        *first = reader->buffer + reader->begin;
        *last = reader->buffer + reader->end;
        ++reader->line_number;
        return line_status::bad_start;
      }
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

}  // namespace quarnel
