// A differential fuzz target for the reader core.
//
// Runs the sizing scan and then the fill scan over the input bytes once per
// way of delivering them: several first sizes of the line reader's buffer,
// and reads that hand out only a few bytes at a time. All runs must end the
// same way (same failure kind, error, line and column) and, when the sizing
// scan succeeds, agree exactly on the sizes, the label map, the reported
// repeated labels and every array entry. A successful read must also keep
// what the compressed-column arrays promise, and filling from content other
// than what was sized must end cleanly. Any disagreement aborts.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "read_harness.h"

namespace {

using namespace quarnel_fuzz;

// Content that differs from what was sized may fail only as a changed file
// or a bad value, and must never be written past the room it was given.
void check_changed_fill(text input, text changed) {
  outcome result = read(input, changed, deliveries[0]);
  if (result.sizing.kind != failure_kind::none) return;
  const failure_kind kind = result.fill.kind;
  REQUIRE(kind == failure_kind::none || kind == failure_kind::file_changed ||
          (kind == failure_kind::malformed && result.fill.error == scan_error::value_not_number));
  if (kind == failure_kind::none) check_success(result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const text input{reinterpret_cast<const char*>(data), size};
  const outcome first = read(input, input, deliveries[0]);
  for (std::size_t i = 1; i < std::size(deliveries); ++i)
    require_same(first, read(input, input, deliveries[i]));

  // The same content twice: the memory source cannot fail, and the fill
  // scan can only find a value the sizing scan did not convert.
  const std::vector<line_span> lines = split_lines(input);
  REQUIRE(first.sizing.kind == failure_kind::none || first.sizing.kind == failure_kind::malformed);
  if (first.sizing.kind == failure_kind::malformed) {
    REQUIRE(first.sizing.error != scan_error::value_not_number);
    check_failure_place(first.sizing, input, lines);
    // The module names the sizing scan's fault, or a bad value before it;
    // a header's instance count, checked at the end, comes after any.
    const scan_failure& named = first.reported;
    if (!same_failure(named, first.sizing)) {
      REQUIRE(named.kind == failure_kind::malformed && named.error == scan_error::value_not_number);
      REQUIRE(first.sizing.error == scan_error::header_instance_count ||
              named.line < first.sizing.line ||
              (named.line == first.sizing.line && named.column < first.sizing.column));
      check_failure_place(named, input, lines);
    }
  } else {
    std::int64_t instances = 0;
    for (const line_span& line : lines) instances += is_comment(input, line) ? 0 : 1;
    if (first.sizes.header.present) --instances;  // the first line
    REQUIRE(first.sizes.instance_count == instances);
    if (first.fill.kind == failure_kind::none) {
      check_success(first);
    } else {
      REQUIRE(first.fill.kind == failure_kind::malformed);
      REQUIRE(first.fill.error == scan_error::value_not_number);
      check_failure_place(first.fill, input, lines);
    }

    // A file that shrank, and one with a byte changed in the middle.
    check_changed_fill(input, {input.data, size / 2});
    if (size != 0) {
      std::vector<char> changed(input.data, input.data + size);
      changed[size / 2] = static_cast<char>(changed[size / 2] ^ 1);
      check_changed_fill(input, {changed.data(), size});
    }
  }
  return 0;
}
