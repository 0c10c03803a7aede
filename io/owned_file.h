// A stdio stream closed when its owner goes, so that no path out of a
// read, an early return or a raise unwinding through it, leaves the file
// open.
#pragma once

#include <cstdio>

namespace quarnel {

class owned_file {
 public:
  explicit owned_file(std::FILE* file = nullptr) : file_(file) {}
  owned_file(const owned_file&) = delete;
  owned_file& operator=(const owned_file&) = delete;
  owned_file(owned_file&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  owned_file& operator=(owned_file&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~owned_file() { reset(); }

  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }

  // Closes the stream held, if any, and holds `file` instead.
  void reset(std::FILE* file = nullptr) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = file;
  }
  // Hands the stream over to the caller, who closes it.
  std::FILE* release() {
    std::FILE* file = file_;
    file_ = nullptr;
    return file;
  }

 private:
  std::FILE* file_;
};

}  // namespace quarnel
