// Times the decoding source alone over a compressed file, as the reader
// decodes it: twice, the second time with the record the first made (the
// sizing pass, then the fill), each on THREADS threads (default 1). Prints
// for each pass the median of RUNS runs (default 5) of seconds and MB/s of
// text, the processor time of all its threads, the share of the text the workers decoded, and a checksum of the
// text, which must not change with the thread count; then the process's
// peak resident memory.
//
//   decode_driver [--threads N] FILE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/resource.h>

#include "compression/compression.h"

using namespace quarnel;

namespace {

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct pass {
  double seconds;
  double cpu;  // processor time of every thread
  std::int64_t text_bytes;
  std::int64_t apart;
  std::uint64_t checksum;  // FNV-1a of the text's words, read 1 MiB at a time
  read_fault fault;
};

pass decode_once(const char* path, compression_format format, int threads, stream_record* record) {
  pass result{0, 0, 0, 0, 1469598103934665603ull, read_fault::none};
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return result;
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = cpu_seconds();
  decoding_source source;
  if (!decoding_source_open_threaded(&source, format, file_byte_source(file), threads, record)) {
    result.fault = read_fault::out_of_memory;
  } else {
    const byte_source text = decoded_bytes(&source);
    std::vector<char> buffer(std::size_t{1} << 20);
    for (std::size_t count; (count = text.read(text.context, buffer.data(), buffer.size(), &result.fault)) != 0;) {
      // By words, so as to take little of the time measured.
      std::size_t i = 0;
      for (std::uint64_t word; i + 8 <= count; i += 8) {
        std::memcpy(&word, buffer.data() + i, 8);
        result.checksum = (result.checksum ^ word) * 1099511628211ull;
      }
      for (; i < count; ++i)
        result.checksum = (result.checksum ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
      result.text_bytes += static_cast<std::int64_t>(count);
    }
    result.apart = source.decoded_apart;
  }
  decoding_source_close(&source);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpu = cpu_seconds() - cpu_start;
  std::fclose(file);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int threads = 1;
  int at = 1;
  if (at + 1 < argc && std::strcmp(argv[at], "--threads") == 0) {
    threads = std::atoi(argv[at + 1]);
    at += 2;
  }
  if (at >= argc || threads < 1) {
    std::fprintf(stderr, "usage: decode_driver [--threads N] FILE [RUNS]\n");
    return 2;
  }
  const char* path = argv[at];
  const int runs = at + 1 < argc ? std::max(1, std::atoi(argv[at + 1])) : 5;
  unsigned char head[format_signature_size] = {};
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::perror(path);
    return 1;
  }
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  const compression_format format = recognise_format(head, got);
  if (!format_decodable(format)) {
    std::fprintf(stderr, "%s: not a compressed file this build decodes\n", path);
    return 1;
  }
  for (const char* name : {"first", "second"}) {
    std::vector<pass> timed;
    for (int run = 0; run < runs; ++run) {
      stream_record record;
      if (name[0] == 's') decode_once(path, format, 1, &record);  // the first pass's record
      timed.push_back(decode_once(path, format, threads, &record));
    }
    std::sort(timed.begin(), timed.end(), [](const pass& a, const pass& b) { return a.seconds < b.seconds; });
    const pass& median = timed[timed.size() / 2];
    std::printf("%s %s pass, %d threads: %.3f s [%.3f-%.3f], %.0f MB/s of text, %.3f cpu s, "
                "%.0f%% decoded apart, text %016llx%s\n",
                format_name(format), name, threads, median.seconds, timed.front().seconds,
                timed.back().seconds, median.text_bytes / 1e6 / median.seconds, median.cpu,
                median.text_bytes != 0 ? 100.0 * median.apart / median.text_bytes : 0.0,
                static_cast<unsigned long long>(median.checksum),
                median.fault != read_fault::none ? " (failed)" : "");
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
  return 0;
}
