// Writes one benchmark data file, the same bytes for the same seed on any
// machine: the random numbers come from a fixed generator and the numbers
// are formatted with std::to_chars, which does not depend on the locale.
//
//   generate_data KIND OUTPUT [--seed N] [--divisor D]
//
// KIND is one of
//   typical  100,000 instances, 47,236 features, 50 to 90 ascending pairs and
//            1 to 6 labels (of 101) per line, values with 6 significant digits
//   full     the same instances as typical, values with 17 significant digits
//   extreme  200,000 instances of 5 labels each, drawn so that all of 300,000
//            distinct labels occur, and 20 pairs per line
//   wide     200 instances of 200,000 ascending pairs each, of 1,000,000 features
// --divisor divides the instance counts, extreme's distinct labels and
// wide's pairs and features, for a quick run. Prints what it wrote as
// key=value lines.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// xoshiro256** seeded through splitmix64.
class random_bits {
 public:
  explicit random_bits(std::uint64_t seed) {
    for (auto& word : state_) {
      seed += 0x9e3779b97f4a7c15ULL;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
      word = z ^ (z >> 31);
    }
  }

  std::uint64_t next() {
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
  }

  // Uniform in [0, bound), by the multiply-shift method (its bias is far
  // below what a benchmark could notice).
  std::uint64_t below(std::uint64_t bound) {
    return static_cast<std::uint64_t>((static_cast<unsigned __int128>(next()) * bound) >> 64);
  }

  // Uniform in (0, 1).
  double unit() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t state_[4];
};

// Buffered output in large blocks.
class writer {
 public:
  explicit writer(std::FILE* file) : file_(file), buffer_(std::size_t{16} << 20) {}
  ~writer() { flush(); }

  // Makes room for `size` more bytes and returns where they go.
  char* reserve(std::size_t size) {
    if (used_ + size > buffer_.size()) {
      flush();
      if (size > buffer_.size()) buffer_.resize(size);
    }
    return buffer_.data() + used_;
  }
  void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }
  void flush() {
    if (used_ != 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
    written_ += used_;
    used_ = 0;
  }
  bool failed() const { return failed_; }
  std::uint64_t written() const { return written_ + used_; }

 private:
  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  bool failed_ = false;
};

// `count` distinct values of [1, range] in ascending order, into `out`.
void ascending_sample(random_bits& random, std::int64_t count, std::int64_t range,
                      std::vector<std::int32_t>* out) {
  out->clear();
  count = std::min(count, range);
  if (count * 8 > range) {
    // Dense: one pass over the range, taking each value with the
    // probability still needed (selection sampling).
    std::int64_t needed = count;
    for (std::int64_t value = 1; value <= range && needed > 0; ++value) {
      if (static_cast<std::int64_t>(random.below(range - value + 1)) < needed) {
        out->push_back(static_cast<std::int32_t>(value));
        --needed;
      }
    }
    return;
  }
  // Sparse: draw, sort, drop repeats, and draw again for what is missing.
  while (static_cast<std::int64_t>(out->size()) < count) {
    for (std::int64_t i = static_cast<std::int64_t>(out->size()); i < count; ++i)
      out->push_back(static_cast<std::int32_t>(1 + random.below(range)));
    std::sort(out->begin(), out->end());
    out->erase(std::unique(out->begin(), out->end()), out->end());
  }
}

struct data_shape {
  std::int64_t instances;
  std::int64_t features;
  std::int64_t pairs_low, pairs_high;    // pairs per line, inclusive
  std::int64_t labels_low, labels_high;  // labels per line, inclusive
  std::int64_t distinct_labels;
  bool cover_all_labels;  // every distinct label occurs at least once
  bool spread_labels;     // label values spread over the 31-bit range
  int digits;             // significant digits of the values
};

// The label written for label number `id` of [0, distinct): either id + 1,
// or a bijective scramble of [0, 2^31) so that label values are large and
// unrelated to their order of appearance.
std::int64_t label_value(std::int64_t id, bool spread) {
  if (!spread) return id + 1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(id) * 2654435761ULL) &
                                   0x7fffffffULL);
}

struct written_counts {
  std::int64_t pairs = 0;
  std::int64_t label_tokens = 0;
  std::int64_t longest_line = 0;
};

written_counts write_data(const data_shape& shape, std::uint64_t seed, writer* out) {
  random_bits random(seed);
  written_counts counts;
  std::vector<std::int32_t> indices;
  std::vector<std::int64_t> line_labels;
  // With cover_all_labels, the first `distinct_labels` label tokens of the
  // file run through a random permutation of all labels.
  std::vector<std::int64_t> permutation;
  if (shape.cover_all_labels) {
    permutation.resize(static_cast<std::size_t>(shape.distinct_labels));
    for (std::int64_t i = 0; i < shape.distinct_labels; ++i) permutation[i] = i;
    for (std::int64_t i = shape.distinct_labels - 1; i > 0; --i)
      std::swap(permutation[i], permutation[random.below(i + 1)]);
  }
  std::int64_t token = 0;
  for (std::int64_t instance = 0; instance < shape.instances; ++instance) {
    const std::uint64_t line_start = out->written();
    // Labels, distinct within the line.
    const std::int64_t label_count =
        shape.labels_low + random.below(shape.labels_high - shape.labels_low + 1);
    line_labels.clear();
    for (std::int64_t k = 0; k < label_count; ++k, ++token) {
      std::int64_t id;
      if (token < static_cast<std::int64_t>(permutation.size())) {
        // Permutation entries never repeat, so they need no check; random
        // draws later in the same line are checked against them.
        id = permutation[token];
      } else {
        do id = random.below(shape.distinct_labels);
        while (std::find(line_labels.begin(), line_labels.end(), id) != line_labels.end());
      }
      line_labels.push_back(id);
      char* p = out->reserve(24);
      if (k != 0) *p++ = ',';
      p = std::to_chars(p, p + 20, label_value(id, shape.spread_labels)).ptr;
      out->commit(p);
    }
    counts.label_tokens += label_count;
    // Pairs, ascending; the first line spans the whole feature range so that
    // the matrix has exactly `features` rows.
    const std::int64_t pair_count =
        shape.pairs_low + random.below(shape.pairs_high - shape.pairs_low + 1);
    ascending_sample(random, pair_count, shape.features, &indices);
    if (instance == 0 && indices.size() >= 2) {
      indices.front() = 1;
      indices.back() = static_cast<std::int32_t>(shape.features);
    }
    for (std::int32_t index : indices) {
      char* p = out->reserve(48);
      *p++ = ' ';
      p = std::to_chars(p, p + 12, index).ptr;
      *p++ = ':';
      p = std::to_chars(p, p + 32, random.unit(), std::chars_format::general, shape.digits).ptr;
      out->commit(p);
    }
    counts.pairs += static_cast<std::int64_t>(indices.size());
    char* p = out->reserve(1);
    *p++ = '\n';
    out->commit(p);
    counts.longest_line =
        std::max(counts.longest_line, static_cast<std::int64_t>(out->written() - line_start));
  }
  return counts;
}

[[noreturn]] void usage(const char* program) {
  std::fprintf(stderr, "usage: %s typical|full|extreme|wide OUTPUT [--seed N] [--divisor D]\n",
               program);
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) usage(argv[0]);
  const std::string kind = argv[1];
  const char* path = argv[2];
  std::uint64_t seed = 1;
  std::int64_t divisor = 1;
  for (int i = 3; i < argc; ++i) {
    if (i + 1 < argc && std::strcmp(argv[i], "--seed") == 0)
      seed = std::strtoull(argv[++i], nullptr, 10);
    else if (i + 1 < argc && std::strcmp(argv[i], "--divisor") == 0)
      divisor = std::max<long long>(1, std::atoll(argv[++i]));
    else
      usage(argv[0]);
  }
  auto divided = [divisor](std::int64_t n) { return std::max<std::int64_t>(1, n / divisor); };

  data_shape shape{};
  // Each kind draws from its own stream; full shares typical's so that the
  // two files hold the same numbers, formatted differently.
  std::uint64_t stream = 0;
  if (kind == "typical" || kind == "full") {
    shape = {divided(100000), 47236, 50, 90, 1, 6, 101, false, false, kind == "full" ? 17 : 6};
    stream = 1;
  } else if (kind == "extreme") {
    shape = {divided(200000), 47236, 20, 20, 5, 5, divided(300000), true, true, 6};
    stream = 2;
  } else if (kind == "wide") {
    const std::int64_t pairs = divided(200000);
    shape = {divided(200), divided(1000000), pairs, pairs, 1, 6, 101, false, false, 6};
    stream = 3;
  } else {
    usage(argv[0]);
  }

  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot create %s\n", path);
    return 1;
  }
  written_counts counts;
  std::uint64_t bytes = 0;
  bool failed = false;
  {
    writer out(file);
    counts = write_data(shape, seed * 0x100000001b3ULL + stream, &out);
    out.flush();
    bytes = out.written();
    failed = out.failed();
  }
  if (std::fclose(file) != 0 || failed) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  std::printf("kind=%s\nbytes=%llu\ninstances=%lld\nfeatures=%lld\npairs=%lld\n"
              "label_tokens=%lld\nlongest_line=%lld\n",
              kind.c_str(), static_cast<unsigned long long>(bytes),
              static_cast<long long>(shape.instances), static_cast<long long>(shape.features),
              static_cast<long long>(counts.pairs), static_cast<long long>(counts.label_tokens),
              static_cast<long long>(counts.longest_line));
  return 0;
}
