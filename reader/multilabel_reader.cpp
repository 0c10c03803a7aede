#include "multilabel_reader.h"

#include <cstdio>

#include "decoding_source.h"
#include "file_kind.h"
#include "line_reader.h"
#include "utf8_file_calls.h"

namespace quarnel {
namespace {

// The file's text: its bytes as they are, or, for a compressed file, its
// bytes decoded as they are read.
struct text_source {
  std::FILE* file;
  compression_format format;
  decoding_source decoding;
};

// The format named by the file's first bytes; the file is left rewound.
compression_format peek_format(std::FILE* file) {
  unsigned char head[format_signature_size];
  std::size_t count = std::fread(head, 1, sizeof head, file);
  std::rewind(file);  // also clears a read error, met again by the scan
  return recognise_format(head, count);
}

byte_source text_bytes(text_source* text) {
  return text->format == compression_format::none ? file_byte_source(text->file)
                                                  : decoded_bytes(&text->decoding);
}

// Back to the file's start for another scan; false when the decoder cannot
// be made ready again.
bool rewind_text(text_source* text, line_reader* reader) {
  std::rewind(text->file);
  line_reader_restart(reader);
  return text->format == compression_format::none || decoding_source_restart(&text->decoding);
}

// A scan that ended on a failing source: says whether the file could not be
// read, its compressed data is bad, or a decoder ran out of memory.
scan_failure source_failure(const scan_failure& failure, const line_reader& reader,
                            compression_format format) {
  if (failure.kind != failure_kind::read_failed) return failure;
  if (reader.fault == read_fault::corrupt_data) return failure_of(failure_kind::corrupt_data, format);
  if (reader.fault == read_fault::out_of_memory) return failure_of(failure_kind::out_of_memory);
  return failure;
}


// Both scans over the open file.
scan_failure read_text(text_source* text, label_dictionary* dictionary, output_maker maker) {
  line_reader reader;
  if (!line_reader_open(&reader, text_bytes(text))) {
    line_reader_close(&reader);
    return failure_of(failure_kind::out_of_memory);
  }
  problem_sizes sizes;
  scan_failure failure = source_failure(sizing_scan(&reader, &sizes, dictionary), reader, text->format);
  if (failure.kind == failure_kind::malformed)
    failure = damage_after_fault(&reader, failure, text->format);
  if (failure.kind == failure_kind::malformed) {
    if (rewind_text(text, &reader)) failure = first_fault_up_to(&reader, failure);
  } else if (failure.kind == failure_kind::read_failed && reader.bytes_read == 0) {
    // A name that opens but cannot be read at all, such as a directory.
    failure = failure_of(failure_kind::cannot_open);
  } else if (failure.kind == failure_kind::none) {
    sparse_columns labels{};
    sparse_columns pairs{};
    if (!rewind_text(text, &reader) || !maker.make(maker.context, sizes, *dictionary, &labels, &pairs))
      failure = failure_of(failure_kind::out_of_memory);
    else
      failure = source_failure(
          fill_scan(&reader, sizes, *dictionary, labels, pairs, maker.duplicates), reader,
          text->format);
  }
  line_reader_close(&reader);
  return failure;
}

// Recognises the file's format and reads its text.
scan_failure read_open_file(std::FILE* file, label_dictionary* dictionary, output_maker maker) {
  text_source text{file, peek_format(file), decoding_source{}};
  if (text.format == compression_format::none) return read_text(&text, dictionary, maker);
  if (text.format == compression_format::zip) return failure_of(failure_kind::zip_archive);
  if (!format_decodable(text.format)) return failure_of(failure_kind::no_decoder, text.format);
  scan_failure failure = decoding_source_open(&text.decoding, text.format, file_byte_source(file))
                             ? read_text(&text, dictionary, maker)
                             : failure_of(failure_kind::out_of_memory);
  decoding_source_close(&text.decoding);
  return failure;
}

}  // namespace

scan_failure damage_after_fault(line_reader* reader, const scan_failure& fault,
                                compression_format format) {
  if (format == compression_format::none) return fault;
  // The rest as bytes, into the reader's buffer, whose lines are done with.
  read_fault met = reader->fault;
  while (met == read_fault::none &&
         reader->source.read(reader->source.context, reader->buffer, reader->room, &met) != 0) {
  }
  return met == read_fault::corrupt_data ? failure_of(failure_kind::corrupt_data, format) : fault;
}

scan_failure read_multilabel_file(const char* fname, const read_options& /*options*/,
                                  output_maker maker) {
  // Binary: compressed data must reach the decoder byte for byte, and the
  // line reader itself takes CR LF line ends.
  // A pipe or device is refused before the open, which could wait for a
  // writer; the open stream is checked again, as the name may change.
  if (kind_of_named_file(fname) == file_kind::other) return failure_of(failure_kind::not_regular);
  std::FILE* file = open_named_file(fname, "rb");
  if (file == nullptr) return failure_of(failure_kind::cannot_open);
  const file_kind kind = kind_of_open_file(file);
  if (kind == file_kind::directory || kind == file_kind::other) {
    std::fclose(file);
    return failure_of(kind == file_kind::directory ? failure_kind::cannot_open
                                                   : failure_kind::not_regular);
  }
  label_dictionary dictionary;
  scan_failure failure = label_dictionary_create(&dictionary)
                             ? read_open_file(file, &dictionary, maker)
                             : failure_of(failure_kind::out_of_memory);
  label_dictionary_release(&dictionary);
  std::fclose(file);
  return failure;
}

namespace {

// "1 instance", "7 instances".
std::string count_of(std::int64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Why a pair or label breaks the bounds of the header, which gives d or L.
std::string outside_range(const char* what, const scan_failure& failure, const char* nouns) {
  const std::string start = std::string(what) + " " + std::to_string(failure.found) +
                            " is outside the header's range";
  if (failure.header_value == 0) return start + ": the header gives no " + nouns;
  return start + " 0 to " + std::to_string(failure.header_value - 1);
}

std::string malformed_reason(const scan_failure& failure) {
  switch (failure.error) {
    case scan_error::header_instance_count:
      return "the header gives " + count_of(failure.header_value, "instance") + ", the file has " +
             std::to_string(failure.found);
    case scan_error::index_outside_header:
      return outside_range("feature index", failure, "features");
    case scan_error::label_outside_header:
      return outside_range("label", failure, "labels");
    default:
      return describe(failure.error);
  }
}

}  // namespace

std::string failure_message(const scan_failure& failure, const char* fname) {
  const std::string name = fname;
  const std::string format = format_name(failure.format);
  switch (failure.kind) {
    case failure_kind::none:
      return "";
    case failure_kind::cannot_open:
      return "can't open input file " + name + "\n";
    case failure_kind::not_regular:
      return "can't read input file " + name + ": not a regular file\n";
    case failure_kind::malformed:
      return "malformed input in " + name + " at line " + std::to_string(failure.line) +
             ", column " + std::to_string(failure.column) + ": " + malformed_reason(failure) + "\n";
    case failure_kind::read_failed:
      return "error reading input file " + name + "\n";
    case failure_kind::out_of_memory:
      return "not enough memory to read input file " + name + "\n";
    case failure_kind::file_changed:
      return "input file " + name + " changed while it was read\n";
    case failure_kind::no_decoder:
      return "can't read input file " + name + ": it is " + format +
             "-compressed and this build has no " + format + "\n";
    case failure_kind::zip_archive:
      return "can't read input file " + name +
             ": it is a zip archive; extract the data file from it first\n";
    case failure_kind::corrupt_data:
      return "can't read input file " + name + ": its " + format +
             "-compressed data is corrupt or truncated\n";
  }
  return "";
}

}  // namespace quarnel
