// Times the reader's two scans over a file with plain arrays and no host,
// the outputs built in their final shapes as the module builds them, and,
// as the floor, one read of the file counting lines with memchr over the
// same buffer size. Prints the median of RUNS runs (default 5): seconds and
// MB/s; with --machine, key=value lines instead (for bench/run), with each
// median's fastest and slowest run, the file's longest line, the outputs'
// bytes, the process's peak resident memory and its resident memory before
// any read (the program and its libraries). --threads N scans with N
// threads (default 1).
//
//   scan_driver [--machine] [--threads N] FILE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/resource.h>

#include "platform/memory_advice.h"
#include "reader/multilabel_reader.h"
#include "reader/text/line_reader.h"

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

// Outputs as plain arrays, allocated uninitialised as the module's are.
struct plain_outputs final : read_host {
  std::chrono::steady_clock::time_point made_at;
  problem_sizes sizes{};
  std::vector<void*> arrays;
  std::int64_t bytes = 0;

  bool make_outputs(const problem_sizes& made_sizes, const std::int32_t* labels,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override;
};

void* uninitialised(plain_outputs* outputs, std::int64_t count, std::size_t size) {
  const std::size_t bytes = static_cast<std::size_t>(count < 1 ? 1 : count) * size;
  void* memory = std::malloc(bytes);
  advise_huge_pages(memory, bytes);  // as the module's arrays are
  outputs->arrays.push_back(memory);
  outputs->bytes += static_cast<std::int64_t>(bytes);
  return memory;
}

sparse_columns plain_sparse(plain_outputs* outputs, std::int64_t columns, std::int64_t room) {
  return {static_cast<double*>(uninitialised(outputs, room, sizeof(double))),
          static_cast<std::uint64_t*>(uninitialised(outputs, room, sizeof(std::uint64_t))),
          static_cast<std::uint64_t*>(uninitialised(outputs, columns + 1, sizeof(std::uint64_t))),
          room};
}

bool plain_outputs::make_outputs(const problem_sizes& made_sizes, const std::int32_t*,
                                 sparse_columns* label_columns, sparse_columns* pair_columns) {
  made_at = std::chrono::steady_clock::now();
  sizes = made_sizes;
  *label_columns = plain_sparse(this, sizes.label_count, label_entries(sizes));
  *pair_columns = plain_sparse(this, feature_count(sizes), sizes.element_count);
  uninitialised(this, sizes.label_count, sizeof(double));  // label_map
  return true;
}

// Both scans; returns false on a failure.
bool scan_both(const char* path, int threads, double* sizing_seconds, double* fill_seconds,
               problem_sizes* sizes, std::int64_t* output_bytes) {
  plain_outputs outputs;
  read_options options;
  options.threads = threads;
  auto start = std::chrono::steady_clock::now();
  const read_failure failure =
      read_multilabel_file(path, options, outputs);
  *sizing_seconds = std::chrono::duration<double>(outputs.made_at - start).count();
  *fill_seconds = seconds_since(outputs.made_at);
  *sizes = outputs.sizes;
  *output_bytes = outputs.bytes;
  for (void* array : outputs.arrays) std::free(array);
  return failure.error == read_error::none;
}

// The process's peak resident memory so far.
long long peak_resident_bytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<long long>(usage.ru_maxrss) * 1024;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const long long start_bytes = peak_resident_bytes();
  const bool machine = argc > 1 && std::strcmp(argv[1], "--machine") == 0;
  if (machine) {
    --argc;
    ++argv;
  }
  int threads = 1;
  if (argc > 2 && std::strcmp(argv[1], "--threads") == 0) {
    threads = std::max(1, std::atoi(argv[2]));
    argc -= 2;
    argv += 2;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: scan_driver [--machine] [--threads N] FILE [RUNS]\n");
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
  std::int64_t lines = 0, longest_line = 0, output_bytes = 0;
  for (int run = 0; run < runs; ++run) {
    floors.push_back(read_floor(path, &lines, &longest_line));
    double sizing = 0, fill = 0;
    if (!scan_both(path, threads, &sizing, &fill, &sizes, &output_bytes)) {
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
                "label_entries=%lld\npairs=%lld\nfeatures=%lld\nruns=%d\nthreads=%d\n"
                "output_bytes=%lld\npeak_bytes=%lld\nstart_bytes=%lld\n",
                megabytes, static_cast<long long>(lines), static_cast<long long>(longest_line),
                static_cast<long long>(sizes.instance_count),
                static_cast<long long>(sizes.label_count),
                static_cast<long long>(sizes.label_entry_count),
                static_cast<long long>(sizes.element_count),
                static_cast<long long>(feature_count(sizes)), runs, threads,
                static_cast<long long>(output_bytes), peak_resident_bytes(), start_bytes);
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
