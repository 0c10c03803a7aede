#include "file_replacement.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quarnel {
namespace {

// Opens `name` for writing only if it does not exist yet.
std::FILE* create_exclusive(const std::string& name) {
#if defined(_WIN32)
  const int fd = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                       _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
#else
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
#endif
  if (file == nullptr) std::remove(name.c_str());
  return file;
}

long process_number() {
#if defined(_WIN32)
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

// Renames `from` to `to`, replacing a file already there.
bool replace_name(const char* from, const char* to) {
#if defined(_WIN32)
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  errno = 0;  // the reason is in GetLastError, not errno
  return false;
#else
  return std::rename(from, to) == 0;
#endif
}

// True when `fname` names something other than a file or a folder, such as
// /dev/null: renaming over it would put a file in its place.
bool is_special_file(const char* fname) {
#if defined(_WIN32)
  (void)fname;
  return false;
#else
  struct stat status;
  return stat(fname, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
#endif
}

}  // namespace

replace_failure begin_replacement(file_replacement* replacement, const char* fname) {
  replacement->file = nullptr;
  replacement->error_number = 0;
  if (is_special_file(fname)) return replace_failure::special_file;
  // The name's own folder keeps the rename on one file system. The process
  // number keeps apart sessions writing beside each other; the attempt
  // number skips temporary files left behind by a session that died.
  const std::string stem = std::string(fname) + ".tmp" + std::to_string(process_number()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    replacement->temporary = stem + std::to_string(attempt);
    errno = 0;
    replacement->file = create_exclusive(replacement->temporary);
    if (replacement->file != nullptr) return replace_failure::none;
    if (errno != EEXIST) break;
  }
  replacement->error_number = errno;
  return replace_failure::cannot_create;
}

replace_failure finish_replacement(file_replacement* replacement, const char* fname) {
  const bool written = std::fflush(replacement->file) == 0 && !std::ferror(replacement->file);
  int error_number = errno;
  const bool closed = std::fclose(replacement->file) == 0;
  if (written && !closed) error_number = errno;
  replacement->file = nullptr;
  replace_failure failure = replace_failure::none;
  if (!written || !closed) {
    failure = replace_failure::write_failed;
  } else if (!replace_name(replacement->temporary.c_str(), fname)) {
    error_number = errno;
    failure = replace_failure::cannot_rename;
  }
  if (failure != replace_failure::none) {
    replacement->error_number = error_number;
    std::remove(replacement->temporary.c_str());
  }
  return failure;
}

void abandon_replacement(file_replacement* replacement) {
  if (replacement->file != nullptr) std::fclose(replacement->file);
  replacement->file = nullptr;
  std::remove(replacement->temporary.c_str());
}

std::string replace_failure_message(const file_replacement& replacement, replace_failure failure,
                                    const char* fname) {
  const std::string name = fname;
  std::string reason;
  if (replacement.error_number != 0)
    reason = std::string(": ") + std::strerror(replacement.error_number);
  switch (failure) {
    case replace_failure::none:
      return "";
    case replace_failure::cannot_create:
      return "cannot create a file beside " + name + reason;
    case replace_failure::special_file:
      return "cannot write " + name + ": not a regular file";
    case replace_failure::write_failed:
      return "error writing " + name + reason;
    case replace_failure::cannot_rename:
      return "cannot replace " + name + reason;
  }
  return "";
}

}  // namespace quarnel
