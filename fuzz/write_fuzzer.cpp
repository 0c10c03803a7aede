// A round-trip fuzz target for the writer core.
//
// Builds small matrices from the input bytes (sizes, full or compressed,
// double or logical labels, label values, raw value bits, the options),
// writes them with write_multilabel and reads the text back with the
// reader's core. The reader must find exactly the instances, labels and
// values written, bit for bit (a NaN keeps its sign only), and each value's
// text must be the shortest form that reads back. Any disagreement aborts.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "numbers/number_conversion.h"
#include "read_harness.h"
#include "writer/multilabel_writer.h"
#include "writer/value_text.h"

namespace {

using namespace quarnel_fuzz;
using quarnel::element_kind;
using quarnel::matrix_view;

// Hands out the input's bytes, then zeros.
struct byte_reader {
  const std::uint8_t* next;
  const std::uint8_t* last;
  std::uint8_t byte() { return next < last ? *next++ : 0; }
  std::uint64_t bits() {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | byte();
    return value;
  }
};

double value_from(byte_reader* in) {
  static const double common[] = {0.0, -0.0, 1.0, 0.5, 1e-3, 99999.99999999999, 0.1 + 0.2,
                                  1e15, 123456.0, INFINITY, -INFINITY, 5e-324, 1e308};
  const std::uint8_t kind = in->byte();
  if (kind < 64) return common[kind % (sizeof common / sizeof common[0])];
  if (kind < 128) return static_cast<double>(static_cast<std::int32_t>(in->bits())) / std::pow(10.0, kind % 12);
  double value;
  const std::uint64_t bits = in->bits();
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool same_value(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The text must read back to the value and be the shortest form: that of
// std::to_chars, where this build's C++ library has it for floating point
// (the fuzzer is never loaded into MATLAB, so it may use it).
void check_value_text(double value) {
  char text[quarnel::longest_number_text];
  const char* const end = quarnel::write_value(text, value);
  double back = 0;
  const quarnel::number_read read = quarnel::convert_double(text, end, &back);
  REQUIRE(read.error == quarnel::number_error::none && read.end == end);
  REQUIRE(same_value(back, value));
#if defined(__cpp_lib_to_chars)
  if (!std::isnan(value)) {
    char shortest[64];
    const char* const shortest_end = std::to_chars(shortest, shortest + sizeof shortest, value).ptr;
    REQUIRE(std::string(static_cast<const char*>(text), end) ==
            std::string(static_cast<const char*>(shortest), shortest_end));
  }
#endif
}

struct matrices {
  std::int64_t rows, columns, label_count;
  bool full_instances, full_labels, logical_labels;
  std::vector<double> values;                 // full: rows * columns; compressed: stored
  std::vector<std::uint64_t> row_indices, starts;
  std::vector<double> label_values;           // full or compressed, as the instances
  std::vector<unsigned char> label_flags;     // logical labels
  std::vector<std::uint64_t> label_rows, label_starts;
  std::vector<double> label_map;
  // What each row holds: (column, value) and its label values.
  std::vector<std::vector<std::pair<std::int64_t, double>>> entries;
  std::vector<std::multiset<std::int32_t>> labels_of;
};

matrices build(byte_reader* in, bool header) {
  matrices m{};
  m.rows = in->byte() % 9;
  m.columns = in->byte() % 9;
  m.label_count = in->byte() % 5;
  const std::uint8_t shape = in->byte();
  m.full_instances = shape & 1;
  m.full_labels = shape & 2;
  m.logical_labels = shape & 4;
  m.entries.resize(m.rows);
  m.labels_of.resize(m.rows);
  for (std::int64_t j = 0; j < m.label_count; ++j) {
    const std::int32_t label = static_cast<std::int32_t>(in->bits() >> 32) % (header ? 50 : 2147483647);
    m.label_map.push_back(header ? std::abs(label) : label);
  }
  // Instances, column by column.
  m.starts.push_back(0);
  for (std::int64_t c = 0; c < m.columns; ++c) {
    for (std::int64_t r = 0; r < m.rows; ++r) {
      const bool present = in->byte() & 1;
      const double value = present ? value_from(in) : 0.0;
      if (m.full_instances) {
        m.values.push_back(value);
        if (value != 0) m.entries[r].emplace_back(c, value);
      } else if (present) {
        m.values.push_back(value);
        m.row_indices.push_back(static_cast<std::uint64_t>(r));
        m.entries[r].emplace_back(c, value);  // stored zeros too
      }
    }
    m.starts.push_back(m.row_indices.size());
  }
  // Labels: a stored zero of a compressed label matrix is no label.
  m.label_starts.push_back(0);
  for (std::int64_t c = 0; c < m.label_count; ++c) {
    for (std::int64_t r = 0; r < m.rows; ++r) {
      const std::uint8_t choice = in->byte() % 3;  // absent, stored zero, one
      const bool stored = m.full_labels || choice != 0;
      if (!stored) continue;
      if (m.logical_labels) m.label_flags.push_back(choice == 2);
      else m.label_values.push_back(choice == 2 ? 1.0 : 0.0);
      if (!m.full_labels) m.label_rows.push_back(static_cast<std::uint64_t>(r));
      if (choice == 2) m.labels_of[r].insert(static_cast<std::int32_t>(m.label_map[c]));
    }
    m.label_starts.push_back(m.label_rows.size());
  }
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  byte_reader in{data, data + size};
  const std::uint8_t flags = in.byte();
  const quarnel::write_options options{(flags & 1) != 0, (flags & 1) != 0 || (flags & 2) != 0};
  const matrices m = build(&in, options.header);

  const matrix_view instances{m.rows, m.columns, element_kind::real_double, m.values.data(),
                              m.full_instances ? nullptr : m.row_indices.data(),
                              m.full_instances ? nullptr : m.starts.data()};
  const void* label_data = m.logical_labels ? static_cast<const void*>(m.label_flags.data())
                                            : static_cast<const void*>(m.label_values.data());
  const matrix_view labels{m.rows, m.label_count,
                           m.logical_labels ? element_kind::logical : element_kind::real_double,
                           label_data, m.full_labels ? nullptr : m.label_rows.data(),
                           m.full_labels ? nullptr : m.label_starts.data()};
  std::string written;
  const quarnel::write_failure failure = quarnel::write_multilabel(
      {labels, instances, m.label_map.data(), m.label_count}, options,
      quarnel::string_byte_sink(&written));
  REQUIRE(failure.kind == quarnel::write_failure_kind::none);

  // A small first buffer: the read fuzzer shows every size reads alike.
  const outcome result = read({written.data(), written.size()}, {written.data(), written.size()},
                              {4096, 0, 0, 0, 1});
  REQUIRE(result.sizing.error == read_error::none);
  REQUIRE(result.fill.error == read_error::none);
  REQUIRE(result.sizes.instance_count == m.rows);
  // Column c was written as index c + offset; the reader's row is index - min_index.
  const std::int64_t offset = options.zero_based ? 0 : 1;
  const std::int64_t min_index = result.sizes.min_index;
  if (options.header) REQUIRE(quarnel::feature_count(result.sizes) == m.columns);
  // Each instance's entries and labels, gathered from the columns.
  std::vector<std::vector<std::pair<std::int64_t, double>>> got_entries(m.rows);
  for (std::size_t c = 0; c + 1 < result.pairs.starts.size(); ++c)
    for (std::uint64_t k = result.pairs.starts[c]; k < result.pairs.starts[c + 1]; ++k)
      got_entries[result.pairs.rows[k]].emplace_back(static_cast<std::int64_t>(c) + min_index - offset,
                                                     result.pairs.values[k]);
  std::vector<std::multiset<std::int32_t>> got_label_sets(m.rows);
  for (std::size_t c = 0; c + 1 < result.labels.starts.size(); ++c)
    for (std::uint64_t k = result.labels.starts[c]; k < result.labels.starts[c + 1]; ++k)
      got_label_sets[result.labels.rows[k]].insert(result.label_map[c]);
  for (std::int64_t r = 0; r < m.rows; ++r) {
    const auto& got = got_entries[r];
    const auto& expected = m.entries[r];
    REQUIRE(got.size() == expected.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
      REQUIRE(got[k].first == expected[k].first);
      REQUIRE(same_value(got[k].second, expected[k].second));
      check_value_text(expected[k].second);
    }
    const std::multiset<std::int32_t>& got_labels = got_label_sets[r];
    // A label_map value given twice is one label to the reader.
    const std::set<std::int32_t> expected_set(m.labels_of[r].begin(), m.labels_of[r].end());
    REQUIRE(std::set<std::int32_t>(got_labels.begin(), got_labels.end()) == expected_set);
  }
  return 0;
}
