#include "reader/sizing/column_tally.h"

#include <cstdlib>

namespace quarnel {

namespace {

void release_pages(tally_directory* directories) {
  if (directories == nullptr) return;
  for (std::uint32_t d = 0; d < tally_directory_size; ++d) {
    const tally_directory directory = directories[d];
    if (directory == nullptr) continue;
    for (std::uint32_t p = 0; p < tally_directory_size; ++p) std::free(directory[p]);
    std::free(directory);
  }
  std::free(directories);
}

}  // namespace

column_tally& column_tally::operator=(column_tally&& other) noexcept {
  if (this != &other) {
    release_pages(directories);
    directories = other.directories;
    other.directories = nullptr;
  }
  return *this;
}

column_tally::~column_tally() { release_pages(directories); }

tally_page column_tally_make_page(column_tally* tally, std::uint32_t key) {
  if (tally->directories == nullptr) {
    tally->directories =
        static_cast<tally_directory*>(std::calloc(tally_directory_size, sizeof(tally_directory)));
    if (tally->directories == nullptr) return nullptr;
  }
  tally_directory& directory = tally->directories[key >> (tally_page_bits + tally_directory_bits)];
  if (directory == nullptr) {
    directory = static_cast<tally_directory>(std::calloc(tally_directory_size, sizeof(tally_page)));
    if (directory == nullptr) return nullptr;
  }
  tally_page& page = directory[(key >> tally_page_bits) & (tally_directory_size - 1)];
  if (page == nullptr) page = static_cast<tally_page>(std::calloc(1, sizeof(tally_page_columns)));
  return page;
}

std::int64_t column_tally_bytes(const column_tally& tally) {
  if (tally.directories == nullptr) return 0;
  std::int64_t bytes = std::int64_t{tally_directory_size} * sizeof(tally_directory);
  for (std::uint32_t d = 0; d < tally_directory_size; ++d) {
    const tally_directory directory = tally.directories[d];
    if (directory == nullptr) continue;
    bytes += std::int64_t{tally_directory_size} * sizeof(tally_page);
    for (std::uint32_t p = 0; p < tally_directory_size; ++p)
      if (directory[p] != nullptr) bytes += sizeof(tally_page_columns);
  }
  return bytes;
}

}  // namespace quarnel
