#include "reader/text/file_ranges.h"

#include "io/utf8_file_calls.h"

namespace quarnel {
namespace {

bool seek_to(std::FILE* file, std::int64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::size_t read_at(void* context, std::int64_t offset, char* into, std::size_t size) {
  std::FILE* file = static_cast<std::FILE*>(context);
  if (!seek_to(file, offset)) return 0;
  return std::fread(into, 1, size, file);
}

// Reads a plain range, no further than its end.
std::size_t read_range(void* context, char* into, std::size_t size, read_fault* fault) {
  file_range* range = static_cast<file_range*>(context);
  if (static_cast<std::int64_t>(size) > range->left) size = static_cast<std::size_t>(range->left);
  if (size == 0) return 0;
  const std::size_t count = std::fread(into, 1, size, range->file.get());
  if (count < size && std::ferror(range->file.get())) *fault = read_fault::io_error;
  range->left -= static_cast<std::int64_t>(count);
  range->consumed->fetch_add(static_cast<std::int64_t>(count), std::memory_order_relaxed);
  return count;
}

// Reads the compressed bytes of a compressed file, counting them.
std::size_t read_compressed(void* context, char* into, std::size_t size, read_fault* fault) {
  file_range* range = static_cast<file_range*>(context);
  const byte_source file = file_byte_source(range->file.get());
  const std::size_t count = file.read(file.context, into, size, fault);
  range->consumed->fetch_add(static_cast<std::int64_t>(count), std::memory_order_relaxed);
  return count;
}

std::int64_t consumed_in_range(void* context, int k) {
  return static_cast<file_ranges*>(context)->consumed[k].load(std::memory_order_relaxed);
}

read_error open_range(void* context, int k, byte_source* source) {
  file_ranges* ranges = static_cast<file_ranges*>(context);
  file_range& range = ranges->ranges[k];
  range.file.reset(open_named_file(ranges->fname, "rb"));
  if (!range.file) return read_error::file_changed;
  range.consumed = &ranges->consumed[k];
  range.consumed->store(0, std::memory_order_relaxed);
  if (ranges->format != compression_format::none) {
    stream_record* record = ranges->decode_threads > 1 ? &ranges->record : nullptr;
    if (!decoding_source_open_threaded(&range.decoding, ranges->format, {&range, read_compressed},
                                       ranges->decode_threads, record))
      return read_error::out_of_memory;
    *source = decoded_bytes(&range.decoding);
    return read_error::none;
  }
  // The file is opened again for each scan: it must still be the file
  // that was split.
  if (size_of_open_file(range.file.get()) != ranges->size) return read_error::file_changed;
  const std::int64_t first = k == 0 ? ranges->part.first : ranges->starts[k - 1];
  const std::int64_t last =
      k == static_cast<int>(ranges->starts.size()) ? ranges->part.last : ranges->starts[k];
  if (!seek_to(range.file.get(), first)) return read_error::read_failed;
  range.left = ranges->size < 0 ? INT64_MAX : last - first;  // a size unknown: to the end
  *source = {&range, read_range};
  return read_error::none;
}

void close_range(void* context, int k) {
  file_range& range = static_cast<file_ranges*>(context)->ranges[k];
  decoding_source_close(&range.decoding);
  range.file.reset();
}

}  // namespace

std::int64_t size_of_open_file(std::FILE* file) {
#if defined(_WIN32)
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  const std::int64_t size = _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const std::int64_t size = static_cast<std::int64_t>(ftello(file));
#endif
  std::rewind(file);
  return size;
}

read_error split_file(const char* fname, compression_format format, std::int64_t size,
                        std::int64_t offset, std::int64_t length, std::int64_t range_bytes,
                        file_ranges* ranges) {
  ranges->fname = fname;
  ranges->format = format;
  ranges->size = size;
  ranges->part = {0, size};
  ranges->starts.clear();
  const bool in_part = offset > 0 || length > 0;
  if (in_part && format != compression_format::none) return read_error::part_of_compressed;
  if (format == compression_format::none && size > 0 &&
      (in_part || (range_bytes > 0 && size > range_bytes))) {
    const owned_file file(open_named_file(fname, "rb"));
    if (!file) return read_error::cannot_open;
    if (in_part) ranges->part = part_of_text(size, offset, length, file.get(), read_at);
    if (ranges->part.first >= 0 && ranges->part.last >= 0)
      ranges->starts = line_aligned_starts(ranges->part, range_bytes, file.get(), read_at);
    if (ranges->part.first < 0 || ranges->part.last < 0) return read_error::read_failed;
  }
  ranges->ranges = std::vector<file_range>(ranges->starts.size() + 1);
  ranges->consumed.reset(new std::atomic<std::int64_t>[ranges->ranges.size()]);
  return read_error::none;
}

namespace {

// The stream the blocks are cut from: the file's one range, decoded.
read_error open_stream(void* context, byte_source* source) {
  return open_range(context, 0, source);
}

void close_stream(void* context) { close_range(context, 0); }

std::int64_t stream_consumed(void* context) { return consumed_in_range(context, 0); }

}  // namespace

bool cut_into_blocks(file_ranges* ranges, int workers, std::int64_t block_bytes) {
  block_cutting cutting;
  cutting.workers = workers;
  // A text file compresses some three to ten times.
  cutting.expected_bytes = 4 * (ranges->size > 0 ? ranges->size : 0);
  cutting.block_bytes = block_bytes;
  cutting.format = ranges->format;
  cutting.total_bytes = ranges->size;
  ranges->decode_threads = workers;
  ranges->blocks = open_decoded_blocks({ranges, open_stream, close_stream, stream_consumed}, cutting);
  if (!ranges->blocks) return false;
  ranges->whole = whole_decoded_text(ranges->blocks.get());
  return true;
}

text_ranges file_text_ranges(file_ranges* ranges) {
  if (ranges->blocks) {
    text_ranges text = decoded_block_ranges(ranges->blocks.get());
    text.whole = &ranges->whole;
    return text;
  }
  text_ranges text{ranges, static_cast<int>(ranges->ranges.size()), ranges->format, open_range,
                   close_range};
  text.from_first_line = ranges->part.first == 0;
  text.to_last_line = ranges->part.last == ranges->size;
  text.consumed = consumed_in_range;
  text.total_bytes = ranges->part.last - ranges->part.first;
  return text;
}

}  // namespace quarnel
