// Runs saved inputs through the fuzz target without libFuzzer, so that any
// compiler can build it and the seed corpus can run as an ordinary test.
//
//   read_fuzz_replay FILE_OR_DIRECTORY...
//
// A directory stands for every regular file in it, in name order. A failed
// check aborts inside the target; reading nothing at all is an error too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool run_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  std::fprintf(stderr, "%s (%zu bytes)\n", path.c_str(), bytes.size());
  // A copy of exactly the input's size, so that a read past it is caught.
  std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 2;
  }
  std::size_t count = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    std::error_code error;
    if (!fs::is_directory(path, error)) {
      if (run_file(path))
        ++count;
      else
        ok = false;
      continue;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
      if (entry.is_regular_file()) files.push_back(entry.path());
    if (error) {
      std::fprintf(stderr, "cannot list %s\n", path.c_str());
      ok = false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      if (run_file(file))
        ++count;
      else
        ok = false;
    }
  }
  if (count == 0) {
    std::fprintf(stderr, "no inputs\n");
    return 1;
  }
  std::fprintf(stderr, "ran %zu inputs\n", count);
  return ok ? 0 : 1;
}
