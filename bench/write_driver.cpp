// Times the writer's core with plain arrays and no host: reads FILE with the
// reader's core into the host's layout (instances as rows), then writes it
// RUNS times (default 5) to a sink that only counts bytes, and once more
// into OUTPUT when given. Prints the medians as key=value lines: seconds
// and MB/s of text, and, apart, the regrouping of entries by row alone.
//
//   write_driver FILE [RUNS] [OUTPUT]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "reader/multilabel_reader.h"
#include "writer/multilabel_writer.h"

using namespace quarnel;

namespace {

// Processor time of this process: on a shared machine it varies far less
// than the time on the wall.
struct moment {
  std::chrono::steady_clock::time_point wall;
  std::clock_t processor;
};

moment now() { return {std::chrono::steady_clock::now(), std::clock()}; }

double seconds_since(moment start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start.wall).count();
}

double processor_seconds_since(moment start) {
  return static_cast<double>(std::clock() - start.processor) / CLOCKS_PER_SEC;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The reader's outputs in their final shapes: one row per instance.
struct columns {
  std::vector<double> values;
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> starts;
};

struct read_outputs final : read_host {
  std::int64_t instances = 0;
  columns labels;
  columns pairs;
  std::vector<double> label_map;

  bool make_outputs(const problem_sizes& sizes, const std::int32_t* map,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override;
};

void size_columns(columns* matrix, std::int64_t columns_count, std::int64_t room,
                  sparse_columns* out) {
  matrix->values.resize(room + 1);
  matrix->rows.resize(room + 1);
  matrix->starts.resize(columns_count + 1);
  *out = {matrix->values.data(), matrix->rows.data(), matrix->starts.data(), room};
}

bool read_outputs::make_outputs(const problem_sizes& sizes, const std::int32_t* map,
                                sparse_columns* label_columns, sparse_columns* pair_columns) {
  instances = sizes.instance_count;
  size_columns(&labels, sizes.label_count, label_entries(sizes), label_columns);
  size_columns(&pairs, feature_count(sizes), sizes.element_count, pair_columns);
  label_map.assign(map, map + sizes.label_count);
  return true;
}

matrix_view view_of(const columns& matrix, std::int64_t rows) {
  return {rows, static_cast<std::int64_t>(matrix.starts.size()) - 1, element_kind::real_double,
          matrix.values.data(), matrix.rows.data(), matrix.starts.data()};
}

bool count_bytes(void* context, const char*, std::size_t size) {
  *static_cast<std::uint64_t*>(context) += size;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: write_driver FILE [RUNS] [OUTPUT]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  read_outputs outputs;
  const read_failure failure =
      read_multilabel_file(argv[1], read_options{}, outputs);
  if (failure.error != read_error::none) {
    std::fprintf(stderr, "%s", failure_message(failure, argv[1]).c_str());
    return 1;
  }
  const std::int64_t instances = outputs.instances;
  const multilabel_data data{view_of(outputs.labels, instances), view_of(outputs.pairs, instances),
                             outputs.label_map.data(),
                             static_cast<std::int64_t>(outputs.label_map.size())};

  std::vector<double> write_times, write_cpu_times, gather_times;
  std::uint64_t bytes = 0;
  for (int run = 0; run < runs; ++run) {
    bytes = 0;
    moment start = now();
    write_multilabel(data, {false, false}, {&bytes, count_bytes});
    write_times.push_back(seconds_since(start));
    write_cpu_times.push_back(processor_seconds_since(start));
    row_walk rows;
    start = now();
    row_walk_open(&rows, data.instances, entry_choice::stored, true);
    while (rows.end_row < instances) row_walk_next(&rows);
    gather_times.push_back(processor_seconds_since(start));
    row_walk_close(&rows);
  }
  std::printf("bytes=%llu\n", static_cast<unsigned long long>(bytes));
  std::printf("write_seconds=%.4f\nwrite_mb_per_s=%.0f\n", median(write_times),
              bytes / 1e6 / median(write_times));
  std::printf("write_processor_seconds=%.4f\nwrite_processor_mb_per_s=%.0f\n",
              median(write_cpu_times), bytes / 1e6 / median(write_cpu_times));
  std::printf("gather_processor_seconds=%.4f\n", median(gather_times));
  if (argc > 3) {
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) return 1;
    const moment start = now();
    const write_failure written = write_multilabel(data, {false, false}, file_byte_sink(file));
    const bool closed = std::fclose(file) == 0;
    const double seconds = seconds_since(start);
    if (written.kind != write_failure_kind::none || !closed) return 1;
    std::printf("file_seconds=%.4f\nfile_mb_per_s=%.0f\n", seconds, bytes / 1e6 / seconds);
  }
  return 0;
}
