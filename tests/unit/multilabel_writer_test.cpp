// The writer's core on plain arrays: the text it writes, what it refuses,
// the row walk across blocks, and the file that replaces another only whole.
#include "writer/multilabel_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "test_support.h"
#include "writer/file_replacement.h"
#include "writer/row_order.h"

namespace {

using namespace quarnel;

// A compressed matrix built from (row, column, value) triples in column order.
struct compressed {
  std::int64_t rows;
  std::int64_t columns;
  std::vector<double> values;
  std::vector<std::uint64_t> row_indices;
  std::vector<std::uint64_t> starts;
  matrix_view view() const {
    return {rows, columns, element_kind::real_double, values.data(), row_indices.data(),
            starts.data()};
  }
};

compressed make_compressed(std::int64_t rows, std::int64_t columns,
                           const std::vector<std::tuple<std::uint64_t, std::int64_t, double>>& entries) {
  compressed matrix{rows, columns, {}, {}, std::vector<std::uint64_t>(columns + 1, 0)};
  for (const auto& [row, column, value] : entries) {
    matrix.row_indices.push_back(row);
    matrix.values.push_back(value);
    ++matrix.starts[column + 1];
  }
  for (std::int64_t c = 0; c < columns; ++c) matrix.starts[c + 1] += matrix.starts[c];
  return matrix;
}

std::string write_text(const multilabel_data& data, write_options options,
                       write_failure* failure = nullptr) {
  std::string text;
  const write_failure result = write_multilabel(data, options, string_byte_sink(&text));
  if (failure != nullptr) *failure = result;
  else EXPECT_EQ(result.kind, write_failure_kind::none) << write_failure_message(result);
  return text;
}

TEST(MultilabelWriter, WritesLinesLabelsFirstWithOrWithoutHeader) {
  // The example file's matrices, with a fourth instance holding nothing.
  const compressed labels = make_compressed(4, 2, {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}});
  const compressed pairs =
      make_compressed(4, 4, {{0, 0, 0.5}, {1, 1, 1}, {2, 2, 7}, {0, 3, 2}});
  const double label_map[] = {3, 1};
  const multilabel_data data{labels.view(), pairs.view(), label_map, 2};
  EXPECT_EQ(write_text(data, {false, false}), "3,1 1:0.5 4:2\n1 2:1\n 3:7\n \n");
  EXPECT_EQ(write_text(data, {false, true}), "3,1 0:0.5 3:2\n1 1:1\n 2:7\n \n");
  EXPECT_EQ(write_text(data, {true, true}), "4 4 4\n3,1 0:0.5 3:2\n1 1:1\n 2:7\n \n");
}

TEST(MultilabelWriter, TakesStoredZerosOfSparseAndNonZerosOfFullAndLogicalMatrices) {
  // A stored zero is a value of instance_matrix but not a label.
  const compressed labels = make_compressed(2, 2, {{0, 0, 0}, {1, 0, 2}, {0, 1, 1}});
  const compressed pairs = make_compressed(2, 3, {{0, 1, 0}, {1, 2, -0.0}});
  const double label_map[] = {5, 6};
  EXPECT_EQ(write_text({labels.view(), pairs.view(), label_map, 2}, {false, false}),
            "6 2:0\n5 3:-0\n");

  const double full[] = {0, 1.5, std::nan(""), 0, 0, -INFINITY};  // 2 by 3
  const unsigned char flags[] = {1, 0, 1, 1};                     // 2 by 2, logical
  const matrix_view full_view{2, 3, element_kind::real_double, full, nullptr, nullptr};
  const matrix_view flag_view{2, 2, element_kind::logical, flags, nullptr, nullptr};
  EXPECT_EQ(write_text({flag_view, full_view, label_map, 2}, {false, false}),
            "5,6 2:nan\n6 1:1.5 3:-inf\n");
}

TEST(MultilabelWriter, RefusesBadLabelsAndSizesBeforeWritingAnything) {
  const compressed labels = make_compressed(1, 1, {{0, 0, 1}});
  const compressed pairs = make_compressed(1, 1, {{0, 0, 1}});
  const compressed other_rows = make_compressed(2, 1, {});
  struct refusal {
    double label;
    write_options options;
    const compressed* instances;
    std::int64_t map_count;
    write_failure_kind kind;
  };
  const refusal refusals[] = {
      {1.5, {false, false}, &pairs, 1, write_failure_kind::label_not_integer},
      {NAN, {false, false}, &pairs, 1, write_failure_kind::label_not_integer},
      {2147483648.0, {false, false}, &pairs, 1, write_failure_kind::label_out_of_range},
      {-INFINITY, {false, false}, &pairs, 1, write_failure_kind::label_out_of_range},
      {-1, {true, true}, &pairs, 1, write_failure_kind::label_negative},
      {1, {true, false}, &pairs, 1, write_failure_kind::header_one_based},
      {1, {false, false}, &other_rows, 1, write_failure_kind::rows_disagree},
      {1, {false, false}, &pairs, 0, write_failure_kind::label_map_size},
  };
  for (const refusal& r : refusals) {
    write_failure failure;
    const std::string text =
        write_text({labels.view(), r.instances->view(), &r.label, r.map_count}, r.options, &failure);
    EXPECT_EQ(failure.kind, r.kind) << r.label;
    EXPECT_EQ(text, "");
    EXPECT_FALSE(write_failure_message(failure).empty());
  }
  // The extremes of the label range are labels.
  const double extremes[] = {-2147483648.0, 2147483647.0};
  const compressed two = make_compressed(1, 2, {{0, 0, 1}, {0, 1, 1}});
  EXPECT_EQ(write_text({two.view(), pairs.view(), extremes, 2}, {false, false}),
            "-2147483648,2147483647 1:1\n");

  // Rows out of order within a column are not a host's sparse matrix.
  const compressed unordered = make_compressed(3, 1, {{2, 0, 1}, {0, 0, 1}});
  const compressed none = make_compressed(3, 0, {});
  write_failure failure;
  write_text({none.view(), unordered.view(), nullptr, 0}, {false, false}, &failure);
  EXPECT_EQ(failure.kind, write_failure_kind::bad_structure);
}

TEST(MultilabelWriter, StopsWhenTheSinkFails) {
  std::vector<std::tuple<std::uint64_t, std::int64_t, double>> entries;
  for (std::uint64_t row = 0; row < 300000; ++row) entries.emplace_back(row, 0, 0.25);
  const compressed pairs = make_compressed(300000, 1, entries);
  const compressed labels = make_compressed(300000, 0, {});
  int calls = 0;
  const byte_sink failing{&calls, [](void* context, const char*, std::size_t) {
                            return ++*static_cast<int*>(context) < 2;
                          }};
  const write_failure failure =
      write_multilabel({labels.view(), pairs.view(), nullptr, 0}, {false, false}, failing);
  EXPECT_EQ(failure.kind, write_failure_kind::write_failed);
  EXPECT_EQ(calls, 2);
}

TEST(RowWalk, GivesEveryRowItsEntriesAcrossManyBlocks) {
  // Rows of varied length in blocks of 2,000 entries: many blocks, a long
  // row, and empty rows and columns between.
  const std::int64_t rows = 700, columns = 600;
  std::vector<std::vector<std::pair<std::int64_t, double>>> expected(rows);
  std::vector<std::tuple<std::uint64_t, std::int64_t, double>> entries;
  for (std::int64_t c = 0; c < columns; ++c) {
    for (std::int64_t r = 0; r < rows; ++r) {
      const bool long_row = r == 123;
      if (c % 7 == 3 || !(long_row || (r * 31 + c * 17) % 5 == 0)) continue;
      const double value = static_cast<double>(r * columns + c);
      entries.emplace_back(r, c, value);
      expected[r].emplace_back(c, value);
    }
  }
  const compressed matrix = make_compressed(rows, columns, entries);
  row_walk walk;
  ASSERT_EQ(row_walk_open(&walk, matrix.view(), entry_choice::stored, true, 2000),
            walk_result::done);
  int blocks = 0;
  while (walk.end_row < rows) {
    ASSERT_TRUE(row_walk_next(&walk));
    ++blocks;
    const std::uint64_t base = walk.row_starts[walk.first_row];
    for (std::int64_t r = walk.first_row; r < walk.end_row; ++r) {
      std::vector<std::pair<std::int64_t, double>> got;
      for (std::uint64_t k = walk.row_starts[r]; k < walk.row_starts[r + 1]; ++k)
        got.emplace_back(walk.columns[k - base], walk.values[k - base]);
      ASSERT_EQ(got, expected[r]) << "row " << r;
    }
  }
  EXPECT_GT(blocks, 2);
  EXPECT_EQ(walk.last_column, columns - 1);
  row_walk_close(&walk);

  // A full row longer than a block gets a block of its own.
  const double full[] = {1, 0, 2, 3, 4, 0, 5, 6, 7, 0};  // 2 by 5
  const matrix_view view{2, 5, element_kind::real_double, full, nullptr, nullptr};
  ASSERT_EQ(row_walk_open(&walk, view, entry_choice::non_zero, true, 3), walk_result::done);
  ASSERT_TRUE(row_walk_next(&walk));
  EXPECT_EQ(walk.end_row, 1);
  EXPECT_EQ(std::vector<double>(walk.values, walk.values + 5), (std::vector<double>{1, 2, 4, 5, 7}));
  ASSERT_TRUE(row_walk_next(&walk));
  EXPECT_EQ(std::vector<std::uint32_t>(walk.columns, walk.columns + 2), (std::vector<std::uint32_t>{1, 3}));
  EXPECT_EQ(std::vector<double>(walk.values, walk.values + 2), (std::vector<double>{3, 6}));
  row_walk_close(&walk);
}

TEST(FileReplacement, ReplacesTheFileOnlyWhenCompleteAndLeavesNothingBehind) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("quarnel_replace_" + std::to_string(::getpid()));
  fs::create_directories(folder / "taken");
  const std::string target = (folder / "data.txt").string();
  std::ofstream(target) << "earlier";
  auto content = [](const std::string& name) {
    std::ifstream in(name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  file_replacement replacement;
  ASSERT_EQ(begin_replacement(&replacement, target.c_str()), replace_failure::none);
  std::fputs("partial", replacement.file);
  abandon_replacement(&replacement);
  EXPECT_EQ(content(target), "earlier");

  const std::string taken = (folder / "taken").string();  // a folder cannot be replaced
  ASSERT_EQ(begin_replacement(&replacement, taken.c_str()), replace_failure::none);
  std::fputs("new", replacement.file);
  EXPECT_EQ(finish_replacement(&replacement), replace_failure::cannot_rename);
  EXPECT_TRUE(fs::is_directory(taken));

  const std::string missing = (folder / "none" / "data.txt").string();
  EXPECT_EQ(begin_replacement(&replacement, missing.c_str()), replace_failure::cannot_create);
  EXPECT_NE(replace_failure_message(replacement, replace_failure::cannot_create, missing.c_str())
                .find("No such file"), std::string::npos);

  ASSERT_EQ(begin_replacement(&replacement, target.c_str()), replace_failure::none);
  std::fputs("new", replacement.file);
  EXPECT_EQ(finish_replacement(&replacement), replace_failure::none);
  EXPECT_EQ(content(target), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
  fs::remove_all(folder);
}

// What replacing keeps of the name: a link stays a link to the rewritten
// file, a private file stays private, and the longest name a folder takes
// still has room for the temporary one beside it.
TEST(FileReplacement, KeepsLinksPermissionsAndLongNames) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("quarnel_keep_" + std::to_string(::getpid()));
  fs::create_directories(folder / "data");
  auto replace = [](const fs::path& name, const char* text) {
    file_replacement replacement;
    if (begin_replacement(&replacement, name.c_str()) != replace_failure::none) return false;
    std::fputs(text, replacement.file);
    return finish_replacement(&replacement) == replace_failure::none;
  };
  auto content = [](const fs::path& name) {
    std::ifstream in(name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  const fs::path target = folder / "data" / "private.txt";
  std::ofstream(target) << "earlier";
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("data/private.txt", folder / "link.txt");
  fs::create_symlink("link.txt", folder / "link_to_link.txt");
  ASSERT_TRUE(replace(folder / "link_to_link.txt", "new"));
  EXPECT_TRUE(fs::is_symlink(folder / "link_to_link.txt"));
  EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
  EXPECT_EQ(content(target), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  fs::create_symlink("data/absent.txt", folder / "dangling.txt");
  ASSERT_TRUE(replace(folder / "dangling.txt", "made"));
  EXPECT_EQ(content(folder / "data" / "absent.txt"), "made");

  const fs::path longest = folder / (std::string(249, 'n') + ".txt");
  ASSERT_TRUE(replace(longest, "long"));
  EXPECT_EQ(content(longest), "long");
  fs::remove_all(folder);
}

}  // namespace
