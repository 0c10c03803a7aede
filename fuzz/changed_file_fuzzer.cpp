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
//   the fill succeeds, or stops at the same bad value, and its arrays are
//   the fresh read's, rows expressed in the first content's labels and
//   index range;
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

bool contains(const std::vector<std::int32_t>& labels, std::int32_t label) {
  return std::find(labels.begin(), labels.end(), label) != labels.end();
}

// Whether what the fresh read of the second content measured fits the room,
// labels and index range that the first content's sizing scan set.
bool fits(const outcome& sized, const outcome& fresh) {
  const problem_sizes& a = sized.sizes;
  const problem_sizes& b = fresh.sizes;
  if (!(a.header == b.header) || b.instance_count != a.instance_count || b.label_entry_count != a.label_entry_count ||
      b.element_count != a.element_count)
    return false;
  for (std::int32_t label : fresh.label_map)
    if (!contains(sized.label_map, label)) return false;
  return b.element_count == 0 || (b.min_index >= a.min_index && b.max_index <= a.max_index);
}

// The changed fill wrote what the fresh read wrote: the same column starts,
// values and repeats, label rows naming the same labels, and pair rows the
// same indices.
void require_fresh_content(const outcome& changed, const outcome& fresh) {
  REQUIRE(changed.duplicates == fresh.duplicates);
  REQUIRE(changed.labels.starts == fresh.labels.starts);
  REQUIRE(changed.labels.values == fresh.labels.values);
  REQUIRE(changed.labels.rows.size() == fresh.labels.rows.size());
  for (std::size_t i = 0; i < changed.labels.rows.size(); ++i) {
    const std::uint64_t row = changed.labels.rows[i];
    const std::uint64_t fresh_row = fresh.labels.rows[i];
    if (row == 999999 && fresh_row == 999999) continue;  // past a failed fill's last entry
    REQUIRE(row < changed.label_map.size() && fresh_row < fresh.label_map.size());
    REQUIRE(changed.label_map[row] == fresh.label_map[fresh_row]);
  }

  REQUIRE(changed.pairs.starts == fresh.pairs.starts);
  REQUIRE(same_values(changed.pairs.values, fresh.pairs.values));
  REQUIRE(changed.pairs.rows.size() == fresh.pairs.rows.size());
  const std::int64_t shift = std::int64_t{fresh.sizes.min_index} - changed.sizes.min_index;
  for (std::size_t i = 0; i < changed.pairs.rows.size(); ++i) {
    const std::uint64_t row = changed.pairs.rows[i];
    const std::uint64_t fresh_row = fresh.pairs.rows[i];
    if (row == 999999 && fresh_row == 999999) continue;
    REQUIRE(static_cast<std::int64_t>(row) == static_cast<std::int64_t>(fresh_row) + shift);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  text sized{}, filled{};
  if (!split({reinterpret_cast<const char*>(data), size}, &sized, &filled)) return 0;

  const outcome changed = read(sized, filled, deliveries[0]);
  if (changed.sizing.kind != failure_kind::none) return 0;
  for (std::size_t i = 1; i < std::size(deliveries); ++i)
    require_same(changed, read(sized, filled, deliveries[i]));

  const scan_failure& fill = changed.fill;
  const bool bad_value =
      fill.kind == failure_kind::malformed && fill.error == scan_error::value_not_number;
  REQUIRE(fill.kind == failure_kind::none || fill.kind == failure_kind::file_changed || bad_value);
  if (bad_value) check_failure_place(fill, filled, split_lines(filled));
  if (fill.kind == failure_kind::none) check_success(changed);

  const outcome fresh = read(filled, filled, deliveries[0]);
  if (fresh.sizing.kind == failure_kind::none && fits(changed, fresh)) {
    REQUIRE(same_failure(fill, fresh.fill));
    require_fresh_content(changed, fresh);
  } else {
    REQUIRE(fill.kind != failure_kind::none);
  }
  return 0;
}
