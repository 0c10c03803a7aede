#include "reader/range_reading.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "compression/compression.h"
#include "platform/available_memory.h"
#include "platform/task_threads.h"
#include "reader/fault_search.h"
#include "reader/fill/fill_scan.h"
#include "reader/memory_guard.h"
#include "reader/read_watch.h"
#include "reader/sizing/index_bounds.h"
#include "reader/sizing/scan_merge.h"
#include "reader/sizing/sizing_scan.h"
#include "reader/syntax/line_loop.h"
#include "reader/text/line_reader.h"

namespace quarnel {
namespace {

// Above this many repeated labels the fill runs in file order on the
// calling thread, reporting them as it goes, rather than keeping them.
constexpr std::int64_t most_kept_repeats = 1 << 16;

// One range opened for a scan: its source, read through a watched source,
// and its line reader, released on every path. A scan whose progress is
// shown publishes its counts in `slot`.
struct open_range {
  const text_ranges* text;
  int k;
  line_reader reader{};
  watched_source watched{};
  bool opened = false;
  open_range(const text_ranges* text, int k, read_watch* watch,
             std::atomic<std::int64_t>* slot = nullptr)
      : text(text), k(k) {
    watched.watch = watch;
    watched.slot = slot;
  }
  open_range(const open_range&) = delete;
  open_range& operator=(const open_range&) = delete;
  // Returns read_error::none when the range's lines can be read.
  read_error open() {
    byte_source source{};
    const read_error opened_as = text->open(text->context, k, &source);
    opened = true;
    if (opened_as != read_error::none) return opened_as;
    watched = {source, watched.watch, watched.slot, text->consumed, text->context, k, 0};
    source = watched_bytes(&watched);
    const bool reader_open =
        text->block_size != 0
            ? line_reader_open(&reader, source, text->block_size, text->whole_lines_up_to)
            : line_reader_open(&reader, source, default_block_size, longest_whole_line);
    return reader_open ? read_error::none : read_error::out_of_memory;
  }
  ~open_range() {
    if (opened) text->close(text->context, k);
  }
};

// A scan that ended on a failing source: says whether the file could not be
// read, its compressed data is bad, or a decoder ran out of memory.
read_failure source_failure(const read_failure& failure, const line_reader& reader,
                            compression_format format) {
  if (failure.error != read_error::read_failed) return failure;
  if (reader.fault == read_fault::corrupt_data) return failure_of(read_error::corrupt_data, format);
  if (reader.fault == read_fault::out_of_memory) return failure_of(read_error::out_of_memory);
  if (reader.fault == read_fault::stopped) return failure_of(read_error::interrupted);
  return failure;
}

// One read's state. Everything in it is owned by objects that release it,
// also when a host allocation inside make_outputs raises and unwinds
// through the read.
struct reading {
  const text_ranges* text = nullptr;
  const read_options* options = nullptr;
  read_watch watch;
  // The ranges: `text->count`, or for a text cut as it is read, as many as
  // its sizing pass cut.
  int count = 0;
  // The text cut as it is read met a line too long to cut it at: it must be
  // read again as one range.
  bool gave_way = false;
  file_header header{};  // the file's first line, for the ranges after the first
  std::vector<range_tally> tallies;
  std::vector<read_failure> failures;
  // The fill.
  problem_sizes sizes{};
  label_dictionary dictionary;
  std::vector<growable_array<std::int64_t>> label_columns;  // of each range's own labels
  std::vector<std::int64_t> first_instances;
  sparse_columns labels{};
  sparse_columns pairs{};
  double* query_ids = nullptr;
  placing how = placing::in_order;
  std::vector<std::vector<std::pair<std::int32_t, std::int64_t>>> repeats;

};

// Whether range `k` starts with the file's first line, which may be a header.
bool holds_first_line(const text_ranges& text, int k) { return k == 0 && text.from_first_line; }

void tick(void* context) { watch_tick(&static_cast<reading*>(context)->watch); }

// For a text cut as it is read: waits until range `k` of the pass can be
// opened, ticking meanwhile (on the calling thread, which may wait here);
// false when it never will.
bool range_ready(void* context, int k) {
  reading* read = static_cast<reading*>(context);
  for (;;) {
    const range_state state = read->text->ready(read->text->context, k);
    if (state != range_state::pending) return state == range_state::ready;
    watch_tick(&read->watch);
    if (stop_requested(read->watch)) return false;
  }
}

// The tasks of one pass over every range.
task_list pass_tasks(reading* read, void (*run)(void* context, int k)) {
  task_list tasks{read, read->count, run, tick, &read->watch.stop};
  if (read->text->ready != nullptr) tasks.ready = range_ready;
  return tasks;
}

// Runs `scan` over range `k` in pass `pass` (0 the sizing, 1 the fill),
// opened on its own, and keeps how it ended, its source's faults named.
template <class Scan>
void scan_range(reading* read, int k, int pass, Scan scan) {
  open_range range(read->text, k, &read->watch, progress_slot(&read->watch, pass, k));
  read_failure& failure = read->failures[k];
  const read_error opened = range.open();
  failure = opened != read_error::none
                ? failure_of(opened)
                : source_failure(scan(&range.reader), range.reader, read->text->format);
}

void size_range(void* context, int k) {
  reading* read = static_cast<reading*>(context);
  if (!range_tally_create(&read->tallies[k])) {
    read->failures[k] = failure_of(read_error::out_of_memory);
    return;
  }
  const range_bounds bounds{holds_first_line(*read->text, k), read->header, read->options->base,
                            read->options->width};
  scan_range(read, k, 0, [&](line_reader* reader) {
    read_failure failure = sizing_scan(reader, bounds, &read->tallies[k]);
    if (is_malformed(failure.error))
      return damage_after_fault(reader, failure, read->text->format);
    // A name that opens but cannot be read at all, such as a directory.
    if (failure.error == read_error::read_failed && reader->fault == read_fault::io_error &&
        k == 0 && reader->bytes_read == 0)
      return failure_of(read_error::cannot_open);
    return failure;
  });
}

void keep_repeat(void* context, std::int32_t label, std::int64_t instance_number) {
  static_cast<std::vector<std::pair<std::int32_t, std::int64_t>>*>(context)->emplace_back(
      label, instance_number);
}

void fill_range(reading* read, int k, duplicate_label_sink repeats) {
  const range_fill fill{&read->sizes,      &read->dictionary,        &read->tallies[k],
                        read->label_columns[k].data(), read->first_instances[k],
                        holds_first_line(*read->text, k),
                        read->how,         read->labels,             read->pairs,
                        repeats,           read->query_ids};
  scan_range(read, k, 1, [&](line_reader* reader) { return fill_scan(reader, fill); });
}

void fill_range_kept(void* context, int k) {
  reading* read = static_cast<reading*>(context);
  try {
    fill_range(read, k, {&read->repeats[k], keep_repeat});
  } catch (const std::bad_alloc&) {
    read->failures[k] = failure_of(read_error::out_of_memory);
  }
}

// The line within the whole text of a failure whose line counts within
// range `k`.
read_failure in_file(read_failure failure, const reading& read, int k) {
  if (!is_malformed(failure.error)) return failure;
  for (int r = 0; r < k; ++r) failure.line += read.tallies[r].line_count;
  return failure;
}

// The file's first line, when it is a header, for the ranges after the first.
file_header peek_header(reading* read) {
  file_header header{};
  // A text cut as it is read is looked at as one range, from its start.
  const text_ranges* text = read->text->whole != nullptr ? read->text->whole : read->text;
  open_range range(text, 0, &read->watch);
  if (range.open() != read_error::none) return header;
  const read_failure read_to = for_each_line(
      &range.reader, {true, 1},
      [&](const file_header& first, const read_failure&) {
        header = first;
        return no_failure();
      },
      [](line_piece, auto, std::int64_t) { return no_failure(); });
  return read_to.error == read_error::none ? header : file_header{};
}

// The text read again as one range holds the fault `fault` (lines in the
// whole text): a value that is not a number before it comes first.
read_failure first_fault_in_whole(reading& read, const read_failure& fault) {
  const bool whole = fault.error == read_error::header_instance_count;
  open_range range(read.text->whole, 0, &read.watch);
  if (range.open() != read_error::none) return fault;
  const read_failure bad = first_bad_value(&range.reader, whole ? INT64_MAX : fault.line,
                                           whole ? 1 : fault.column,
                                           read.text->whole->from_first_line);
  return bad.error != read_error::none ? bad : fault;
}

// Ranges 0 to `k` hold the fault `fault` (lines within range k): a value
// that is not a number before it comes first.
read_failure first_fault(reading& read, int k, const read_failure& fault) {
  const bool whole = fault.error == read_error::header_instance_count;
  if (read.text->whole != nullptr)
    return first_fault_in_whole(read, whole ? fault : in_file(fault, read, k));
  for (int r = 0; r <= k; ++r) {
    open_range range(read.text, r, &read.watch);
    if (range.open() != read_error::none) break;
    const bool last_range = r == k && !whole;
    const read_failure bad = first_bad_value(&range.reader, last_range ? fault.line : INT64_MAX,
                                             last_range ? fault.column : 1,
                                             holds_first_line(*read.text, r));
    if (bad.error != read_error::none) return in_file(bad, read, r);
  }
  return whole ? fault : in_file(fault, read, k);
}

// A width counted from the file's own base bounds indices known only once
// the whole file is sized: the first index above it, in file order, unless
// a value that is not a number comes first.
read_failure check_width(reading& read) {
  int k = first_range_above_width(read.tallies.data(), read.count, read.sizes);
  if (k < 0) return no_failure();
  // A text cut as it is read is searched as one range, from its start.
  const text_ranges* text = read.text;
  if (text->whole != nullptr) {
    text = text->whole;
    k = 0;
  }
  read_failure above = no_failure();
  {
    // Closed before first_fault opens the ranges again: a range is open
    // once at a time.
    open_range range(text, k, &read.watch);
    const read_error opened = range.open();
    if (opened != read_error::none) return failure_of(opened);
    above = first_index_above(&range.reader, read.sizes.min_index, read.sizes.max_index,
                              read.options->width, holds_first_line(*text, k));
  }
  // The sizing scan saw such an index here: a file without it has changed.
  if (above.error == read_error::none) return failure_of(read_error::file_changed);
  return text == read.text ? first_fault(read, k, above) : first_fault_in_whole(read, above);
}

// A file with a header holds exactly the instances it gives; the count is
// known only at the end, but the fault is the header's, on line 1. A part
// that ends before the file does holds fewer.
read_failure check_instance_count(const problem_sizes& sizes, const text_ranges& text) {
  if (!sizes.header.present || !text.to_last_line || sizes.instance_count == sizes.header.instances)
    return no_failure();
  return bound_broken(read_error::header_instance_count, 1, 1,
                      {sizes.instance_count, 0, sizes.header.instances});
}

// For a text cut as it is read: the pass over its ranges, and afterwards
// the count it cut; the text is read again as one range if it gave way.
struct text_pass {
  reading* read;
  explicit text_pass(reading* read) : read(read) {
    if (read->text->begin_pass != nullptr) read->text->begin_pass(read->text->context);
  }
  text_pass(const text_pass&) = delete;
  text_pass& operator=(const text_pass&) = delete;
  ~text_pass() {
    if (read->text->end_pass != nullptr) read->text->end_pass(read->text->context);
  }
};

read_failure size_all(reading* read, int threads) {
  const text_ranges& text = *read->text;
  if (read->count > 1 && text.from_first_line) read->header = peek_header(read);
  {
    const text_pass pass(read);
    run_tasks(pass_tasks(read, size_range), threads);
    if (text.ranges_read != nullptr) {
      read->gave_way = text.gave_way(text.context);
      read->count = text.ranges_read(text.context);
      read->tallies.resize(static_cast<std::size_t>(read->count));
      read->failures.resize(static_cast<std::size_t>(read->count));
      read->label_columns.resize(static_cast<std::size_t>(read->count));
    }
  }
  if (read->gave_way) return no_failure();
  const int count = read->count;
  for (int k = 0; k < count; ++k) {
    const read_failure& failure = read->failures[k];
    if (is_malformed(failure.error)) {
      // Damage further on in compressed data can make garbage of the text
      // before it: it comes first.
      for (int later = k + 1; later < count && text.whole != nullptr; ++later)
        if (read->failures[later].error == read_error::corrupt_data) return read->failures[later];
      return first_fault(*read, k, failure);
    }
    if (failure.error != read_error::none) return failure;
  }
  // The first range read line 1 itself; the others took it from a first look.
  if (count > 1 && !(read->tallies[0].header == read->header))
    return failure_of(read_error::file_changed);
  return no_failure();
}

void report_to_host(void* context, std::int32_t label, std::int64_t instance_number) {
  static_cast<read_host*>(context)->report_duplicate(label, instance_number);
}

read_failure fill_all(reading* read, int threads, read_host& host) {
  const int count = read->count;
  const text_pass pass(read);
  if (read->how == placing::by_range) {
    read->repeats.resize(static_cast<std::size_t>(count));
    run_tasks(pass_tasks(read, fill_range_kept), threads);
    // The repeats in file order, up to the first range that failed.
    for (int k = 0; k < count; ++k) {
      for (const auto& repeat : read->repeats[k]) host.report_duplicate(repeat.first, repeat.second);
      if (read->failures[k].error != read_error::none) return in_file(read->failures[k], *read, k);
    }
    return no_failure();
  }
  for (int k = 0; k < count; ++k) {
    if (read->text->ready != nullptr && !range_ready(read, k)) return failure_of(read_error::interrupted);
    fill_range(read, k, {&host, report_to_host});
    if (read->failures[k].error != read_error::none) return in_file(read->failures[k], *read, k);
  }
  return failure_of(columns_filled_as_counted(read->tallies.data(), count, read->sizes,
                                              read->label_columns.data(), read->labels,
                                              read->pairs));
}

// What the module itself holds while it fills: the tallies of every range,
// and for each thread its buffers and, for a worker, its stack and arena.
std::uint64_t working_bytes(const reading& read, int threads) {
  std::uint64_t bytes = 0;
  for (const range_tally& tally : read.tallies) bytes += tally_bytes(tally);
  // A text cut as it is read holds its blocks as it is filled.
  if (read.text->held_bytes != nullptr)
    bytes += static_cast<std::uint64_t>(read.text->held_bytes(read.text->context));
  const int workers = threads < read.count ? threads : read.count;
  const std::uint64_t per_thread =
      fill_thread_bytes(label_entries(read.sizes), read.sizes.element_count) +
      (workers > 1 ? worker_reserve_bytes : 0);
  return bytes + per_thread * static_cast<std::uint64_t>(workers < 1 ? 1 : workers);
}

// Refuses a read whose outputs would not fit in the memory this process
// can really have, before anything of them is allocated: a large request
// that the system grants may still end the process when its pages are
// touched. Where no figure can be had, the read goes on.
read_failure check_memory(const reading& read, int threads, bool query_ids) {
  const std::optional<std::uint64_t> available = available_memory();
  if (!available) return no_failure();
  const problem_sizes& sizes = read.sizes;
  const output_counts counts{sizes.label_count, feature_count(sizes), label_entries(sizes),
                             sizes.element_count, query_ids ? sizes.instance_count : 0};
  const std::uint64_t need =
      peak_memory_need(counts, read.options->host_copies_outputs, working_bytes(read, threads));
  if (need <= *available) return no_failure();
  read_failure failure = failure_of(read_error::too_large);
  failure.memory = {need, *available};
  return failure;
}

// The sizing scan of every range, the merge in file order and the checks
// that need the whole text: read->sizes and read->dictionary.
read_failure size_and_merge(reading* read) {
  read->count = read->text->count;
  const int threads = read->options->threads < 1 ? 1 : read->options->threads;
  read->tallies = std::vector<range_tally>(static_cast<std::size_t>(read->count));
  read->failures.assign(static_cast<std::size_t>(read->count), no_failure());
  read->label_columns =
      std::vector<growable_array<std::int64_t>>(static_cast<std::size_t>(read->count));
  read_failure failure = size_all(read, threads);
  if (failure.error != read_error::none || read->gave_way) return failure;
  const int count = read->count;

  if (!label_dictionary_create(&read->dictionary) ||
      !merge_tallies(read->tallies.data(), count, *read->options, &read->sizes, &read->dictionary,
                     read->label_columns.data()))
    return failure_of(read_error::out_of_memory);
  failure = check_width(*read);
  if (failure.error != read_error::none) return failure;
  failure = check_instance_count(read->sizes, *read->text);
  if (failure.error != read_error::none) return first_fault(*read, count - 1, failure);
  return no_failure();
}

read_failure read_all(reading* read, read_host& host) {
  read_failure failure = size_and_merge(read);
  if (failure.error != read_error::none || read->gave_way) return failure;
  const int count = read->count;
  const int threads = read->options->threads < 1 ? 1 : read->options->threads;
  read->first_instances.assign(static_cast<std::size_t>(count), 0);
  for (int k = 1; k < count; ++k)
    read->first_instances[k] = read->first_instances[k - 1] + read->tallies[k - 1].instance_count;

  failure = check_memory(*read, threads, host.wants_query_ids());
  if (failure.error != read_error::none) return failure;
  watch_tick(&read->watch);
  if (stop_requested(read->watch)) return failure_of(read_error::interrupted);
  if (!host.make_outputs(read->sizes, read->dictionary.labels.data(), &read->labels, &read->pairs))
    return failure_of(read_error::out_of_memory);
  if (host.wants_query_ids() &&
      !host.make_query_ids(read->sizes.instance_count, &read->query_ids))
    return failure_of(read_error::out_of_memory);
  read->how = count > 1 && threads > 1 && read->sizes.repeated_labels <= most_kept_repeats
                  ? placing::by_range
                  : placing::in_order;
  if (!lay_out_columns(read->tallies.data(), count, read->sizes, read->label_columns.data(),
                       read->labels, read->pairs, read->how)) {
    read->how = placing::in_order;
    lay_out_columns(read->tallies.data(), count, read->sizes, read->label_columns.data(),
                    read->labels, read->pairs, read->how);
  }
  for (read_failure& range_failure : read->failures) range_failure = no_failure();
  failure = fill_all(read, threads, host);
  if (failure.error == read_error::none) progress_end(&read->watch, read->sizes.instance_count);
  return failure;
}

}  // namespace

namespace {

// Runs `run` over a read of `text`; again over the text as one range when
// the text, cut as it is read, met a line too long to cut it at.
template <class Run>
read_failure with_reading(const text_ranges& text, const read_options& options, read_host& host,
                          int passes, Run run) {
  for (const text_ranges* chosen = &text;; chosen = text.whole) {
    reading read;
    read.text = chosen;
    read.options = &options;
    read_failure failure;
    try {
      if (!watch_start(&read.watch, &host, options.progress, chosen->count, chosen->total_bytes,
                       passes))
        return failure_of(read_error::out_of_memory);
      failure = run(&read);
    } catch (const std::bad_alloc&) {
      failure = failure_of(read_error::out_of_memory);
    }
    // Whatever a stopped scan ended with, the read was interrupted.
    if (stop_requested(read.watch)) return failure_of(read_error::interrupted);
    if (!read.gave_way) return failure;
  }
}

}  // namespace

read_failure size_ranges(const text_ranges& text, const read_options& options, read_host& host,
                         text_sizes* sized) {
  return with_reading(text, options, host, 1, [&](reading* read) {
    const read_failure failure = size_and_merge(read);
    if (failure.error == read_error::none && !read->gave_way && !stop_requested(read->watch)) {
      sized->sizes = read->sizes;
      sized->labels.assign(read->dictionary.labels.data(),
                           read->dictionary.labels.data() + read->dictionary.label_count);
      // The summary itself holds the closing line's figures: it closes only
      // a pass long enough to have shown progress.
      if (read->watch.any_line) progress_end(&read->watch, read->sizes.instance_count);
    }
    return failure;
  });
}

read_failure read_ranges(const text_ranges& text, const read_options& options, read_host& host) {
  return with_reading(text, options, host, 2,
                      [&](reading* read) { return read_all(read, host); });
}

}  // namespace quarnel
