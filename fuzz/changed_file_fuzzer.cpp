// A fuzz target for a file that changes between the two scans.
//
// The input holds two contents, split at the first line "~~~~" (a line no
// data file can hold): the sizing scan reads the first, the fill scan the
// second, as when another process rewrites the file between them. An input
// without that line is skipped.
//
// The fill must end in one of three ways, and which one is fixed by a fresh
// read of the second content alone:
// - it fits what was sized (same instance lines, label tokens and pairs,
//   every label in the first content's map, every index within its range,
//   the same header or none):
//   the fill succeeds with the fresh read's arrays, rows expressed in the
//   first content's labels and index range, or stops at the same bad value
//   (arrays cut short are discarded by the module, and their partial
//   column starts depend on the label order, so they are not compared);
// - otherwise it ends as a changed file, or at a bad value before the
//   difference shows; never as a success.
// Every way of delivering the bytes must agree, and no write may pass the
// room that the first content asked for. Any disagreement aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "read_harness.h"

namespace {

using namespace quarnel_fuzz;

constexpr char separator[] = "~~~~\n";
constexpr std::size_t separator_size = sizeof separator - 1;

bool split(text input, text* sized, text* filled) {
  for (std::size_t at = 0; at + separator_size <= input.size; ++at) {
    const bool line_start = at == 0 || input.data[at - 1] == '\n';
    if (line_start && std::memcmp(input.data + at, separator, separator_size) == 0) {
      *sized = {input.data, at};
      *filled = {input.data + at + separator_size, input.size - at - separator_size};
      return true;
    }
  }
  return false;
}

// Whether the second content fits what the first content's sizing scan
// counted: the same header, instances, label tokens and pairs, and exactly
// as many entries in every label's column and every index's column, so
// that every entry has its place.
bool fits(const outcome& sized, const outcome& fresh) {
  const problem_sizes& a = sized.sizes;
  const problem_sizes& b = fresh.sizes;
  return a.header == b.header && b.instance_count == a.instance_count &&
         b.label_entry_count == a.label_entry_count && b.repeated_labels == a.repeated_labels &&
         b.element_count == a.element_count && sized.label_counts == fresh.label_counts &&
         sized.index_counts == fresh.index_counts;
}

// The changed fill wrote what the fresh read wrote: the same repeats, each
// label's column as the fresh read's column of that label, and the same
// feature columns (the index counts are the same, so are the columns).
void require_fresh_content(const outcome& changed, const outcome& fresh) {
  REQUIRE(changed.duplicates == fresh.duplicates);
  REQUIRE(changed.label_map.size() == fresh.label_map.size());
  for (std::size_t c = 0; c < changed.label_map.size(); ++c) {
    const auto fresh_column = std::find(fresh.label_map.begin(), fresh.label_map.end(),
                                        changed.label_map[c]);
    REQUIRE(fresh_column != fresh.label_map.end());
    const std::size_t f = static_cast<std::size_t>(fresh_column - fresh.label_map.begin());
    const std::uint64_t count = changed.labels.starts[c + 1] - changed.labels.starts[c];
    REQUIRE(count == fresh.labels.starts[f + 1] - fresh.labels.starts[f]);
    for (std::uint64_t i = 0; i < count; ++i) {
      REQUIRE(changed.labels.rows[changed.labels.starts[c] + i] ==
              fresh.labels.rows[fresh.labels.starts[f] + i]);
      REQUIRE(same_values({changed.labels.values[changed.labels.starts[c] + i]},
                          {fresh.labels.values[fresh.labels.starts[f] + i]}));
    }
  }
  REQUIRE(changed.sizes.min_index == fresh.sizes.min_index);
  REQUIRE(changed.pairs.starts == fresh.pairs.starts);
  REQUIRE(same_values(changed.pairs.values, fresh.pairs.values));
  REQUIRE(changed.pairs.rows == fresh.pairs.rows);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  text sized{}, filled{};
  if (!split({reinterpret_cast<const char*>(data), size}, &sized, &filled)) return 0;

  const outcome changed = read(sized, filled, deliveries[0]);
  if (changed.sizing.error != read_error::none || changed.reported.error != read_error::none)
    return 0;
  // Ranges are laid out on the first content, so only whole reads compare.
  for (std::size_t i = 1; i < std::size(deliveries); ++i)
    if (deliveries[i].range_bytes == 0) require_same(changed, read(sized, filled, deliveries[i]));

  const read_failure& fill = changed.fill;
  const bool bad_value =
      is_malformed(fill.error) && fill.error == read_error::value_not_number;
  REQUIRE(fill.error == read_error::none || fill.error == read_error::file_changed || bad_value);
  if (bad_value) check_failure_place(fill, filled, split_lines(filled));
  if (fill.error == read_error::none) check_success(changed);

  const outcome fresh = read(filled, filled, deliveries[0]);
  if (fresh.sizing.error == read_error::none && fresh.reported.error == read_error::none &&
      fits(changed, fresh)) {
    REQUIRE(same_failure(fill, fresh.fill));
    if (fill.error == read_error::none) require_fresh_content(changed, fresh);
  } else {
    REQUIRE(fill.error != read_error::none);
  }
  return 0;
}
