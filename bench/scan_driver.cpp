// Times the reader's two scans over a file with plain arrays and no host,
// and, as the floor, one read of the file counting lines with memchr over
// the same buffer size. Prints the median of RUNS runs (default 5): seconds
// and MB/s; with --machine, key=value lines instead (for bench/run), with
// each median's fastest and slowest run and the file's longest line.
//
//   scan_driver [--machine] FILE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fill_scan.h"
#include "label_dictionary.h"
#include "line_reader.h"
#include "sizing_scan.h"

using namespace quarnel;

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One read of the file, counting newlines: what any reader must pay. Also
// measures the longest line, newline included, which bounds the reader's
// buffer.
double read_floor(const char* path, std::int64_t* lines, std::int64_t* longest_line) {
  auto start = std::chrono::steady_clock::now();
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return -1;
  std::vector<char> buffer(default_block_size);
  *lines = 0;
  *longest_line = 0;
  std::int64_t offset = 0;      // of the buffer's first byte in the file
  std::int64_t line_start = 0;  // offset of the current line's first byte
  std::size_t count;
  while ((count = std::fread(buffer.data(), 1, buffer.size(), file)) != 0) {
    const char* first = buffer.data();
    const char* p = first;
    const char* end = p + count;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr) {
      ++*lines;
      ++p;
      const std::int64_t next_start = offset + (p - first);
      *longest_line = std::max(*longest_line, next_start - line_start);
      line_start = next_start;
    }
    offset += static_cast<std::int64_t>(count);
  }
  *longest_line = std::max(*longest_line, offset - line_start);
  std::fclose(file);
  return seconds_since(start);
}

void ignore_duplicate(void*, std::int32_t, std::int64_t) {}

// Both scans; returns false on a failure.
bool scan_both(const char* path, double* sizing_seconds, double* fill_seconds,
               problem_sizes* sizes) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return false;
  label_dictionary dictionary;
  label_dictionary_create(&dictionary);
  line_reader reader;
  line_reader_open(&reader, file_byte_source(file));
  auto start = std::chrono::steady_clock::now();
  scan_failure failure = sizing_scan(&reader, sizes, &dictionary);
  *sizing_seconds = seconds_since(start);
  bool ok = failure.kind == failure_kind::none;
  if (ok) {
    std::vector<double> label_values(sizes->label_entry_count + 1);
    std::vector<std::uint64_t> label_rows(sizes->label_entry_count + 1);
    std::vector<std::uint64_t> label_starts(sizes->instance_count + 1);
    std::vector<double> pair_values(sizes->element_count + 1);
    std::vector<std::uint64_t> pair_rows(sizes->element_count + 1);
    std::vector<std::uint64_t> pair_starts(sizes->instance_count + 1);
    start = std::chrono::steady_clock::now();
    std::rewind(file);
    line_reader_restart(&reader);
    failure = fill_scan(&reader, *sizes, dictionary,
                        {label_values.data(), label_rows.data(), label_starts.data(),
                         sizes->label_entry_count},
                        {pair_values.data(), pair_rows.data(), pair_starts.data(),
                         sizes->element_count},
                        {nullptr, ignore_duplicate});
    *fill_seconds = seconds_since(start);
    ok = failure.kind == failure_kind::none;
  }
  line_reader_close(&reader);
  label_dictionary_release(&dictionary);
  std::fclose(file);
  return ok;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const bool machine = argc > 1 && std::strcmp(argv[1], "--machine") == 0;
  if (machine) {
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: scan_driver [--machine] FILE [RUNS]\n");
    return 2;
  }
  const char* path = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot open %s\n", path);
    return 2;
  }
  std::fseek(file, 0, SEEK_END);
  const double megabytes = static_cast<double>(std::ftell(file)) / 1e6;
  std::fclose(file);

  std::vector<double> floors, sizings, fills, boths;
  problem_sizes sizes{};
  std::int64_t lines = 0, longest_line = 0;
  for (int run = 0; run < runs; ++run) {
    floors.push_back(read_floor(path, &lines, &longest_line));
    double sizing = 0, fill = 0;
    if (!scan_both(path, &sizing, &fill, &sizes)) {
      std::fprintf(stderr, "scan failed on %s\n", path);
      return 1;
    }
    sizings.push_back(sizing);
    fills.push_back(fill);
    boths.push_back(sizing + fill);
  }
  const double floor = median(floors), both = median(boths);
  if (machine) {
    std::printf("megabytes=%.6f\nlines=%lld\nlongest_line=%lld\ninstances=%lld\nlabels=%lld\n"
                "label_entries=%lld\npairs=%lld\nfeatures=%lld\nruns=%d\n",
                megabytes, static_cast<long long>(lines), static_cast<long long>(longest_line),
                static_cast<long long>(sizes.instance_count),
                static_cast<long long>(sizes.label_count),
                static_cast<long long>(sizes.label_entry_count),
                static_cast<long long>(sizes.element_count),
                static_cast<long long>(feature_count(sizes)), runs);
    const struct {
      const char* name;
      const std::vector<double>& seconds;
    } timings[] = {{"floor", floors}, {"sizing", sizings}, {"fill", fills}, {"both", boths}};
    for (const auto& timing : timings)
      std::printf("%s_median=%.6f\n%s_min=%.6f\n%s_max=%.6f\n", timing.name,
                  median(timing.seconds), timing.name,
                  *std::min_element(timing.seconds.begin(), timing.seconds.end()), timing.name,
                  *std::max_element(timing.seconds.begin(), timing.seconds.end()));
    return 0;
  }
  std::printf("file %.1f MB, %lld instances, %lld labels, %lld pairs\n", megabytes,
              static_cast<long long>(sizes.instance_count),
              static_cast<long long>(sizes.label_count),
              static_cast<long long>(sizes.element_count));
  std::printf("read floor   %.4f s  %7.0f MB/s\n", floor, megabytes / floor);
  std::printf("sizing scan  %.4f s  %7.0f MB/s\n", median(sizings), megabytes / median(sizings));
  std::printf("fill scan    %.4f s  %7.0f MB/s\n", median(fills), megabytes / median(fills));
  std::printf("both scans   %.4f s  %7.0f MB/s  (%.2f x floor)\n", both, megabytes / both,
              both / floor);
  return 0;
}
