#include "writer/file_replacement.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#include "io/utf8_file_calls.h"

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace quarnel {
namespace {

long process_number() {
#if defined(_WIN32)
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

// The folder part of a name, separator included; empty for a bare name.
std::string folder_of(const std::string& name) {
#if defined(_WIN32)
  const std::size_t end = name.find_last_of("/\\:");
#else
  const std::size_t end = name.find_last_of('/');
#endif
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// The name a symbolic link's chain ends at, so that the write replaces the
// file the link points to and the link stays; the name itself when it is
// no link. False (errno set) for a loop or a link that cannot be read.
// Windows: the name itself (its links need privileges to make and are rare).
bool final_target(const char* fname, std::string* target) {
  *target = fname;
#if !defined(_WIN32)
  std::vector<char> link(256);
  for (int depth = 0; depth < 40; ++depth) {
    struct stat status;
    if (lstat(target->c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
    ssize_t length;
    while ((length = readlink(target->c_str(), link.data(), link.size())) ==
           static_cast<ssize_t>(link.size()))
      link.resize(link.size() * 2);
    if (length < 0) return false;
    const std::string points_to(link.data(), static_cast<std::size_t>(length));
    *target = !points_to.empty() && points_to[0] == '/' ? points_to : folder_of(*target) + points_to;
  }
  errno = ELOOP;
  return false;
#else
  return true;
#endif
}

// Flushes the stream and has the system write the file to disk, so that
// after a power loss the name holds either file, not an empty one.
bool flush_to_disk(std::FILE* file) {
  if (std::fflush(file) != 0 || std::ferror(file)) return false;
#if defined(_WIN32)
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

// Writes the folder's entries to disk, so that the rename itself lasts. A
// file system that cannot sync a folder leaves it to the system: the file
// is in place by then, and nothing the caller could do would change that.
void sync_folder(const std::string& name) {
#if !defined(_WIN32)
  const std::string folder = folder_of(name);
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
#else
  (void)name;
#endif
}

}  // namespace

replace_failure begin_replacement(file_replacement* replacement, const char* fname) {
  replacement->file = nullptr;
  replacement->error_number = 0;
  replacement->reason.clear();
  replacement->temporary.clear();
  if (!final_target(fname, &replacement->target)) {
    replacement->error_number = errno;
    return replace_failure::cannot_create;
  }
  // A device or a pipe would be replaced by a file rather than written.
  name_status status;
  const bool exists = status_of_name(replacement->target.c_str(), &status);
  if (exists && !status.regular && !status.directory) return replace_failure::special_file;
  // The file is created with the earlier file's permission bits, so that a
  // private file stays private; a new file takes the usual ones.
  const bool keep_permissions = exists && status.regular;
  // The target's own folder keeps the rename on one file system. A short
  // name of its own fits wherever the target's name does; the process
  // number keeps apart sessions writing beside each other, and the attempt
  // number skips temporary files left behind by a session that died.
  const std::string stem =
      folder_of(replacement->target) + ".quarnel-" + std::to_string(process_number()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    replacement->temporary = stem + std::to_string(attempt) + ".tmp";
    errno = 0;
    replacement->file = create_new_file(replacement->temporary.c_str(),
                                        keep_permissions ? status.permissions & 0700 : 0666);
    if (replacement->file != nullptr) break;
    if (errno != EEXIST) break;
  }
  if (replacement->file == nullptr) {
    replacement->error_number = errno;
    replacement->temporary.clear();
    return replace_failure::cannot_create;
  }
#if !defined(_WIN32)
  // Then exactly the earlier bits, which the umask may have narrowed. A
  // file system that keeps no such bits refuses; the file then keeps the
  // owner's bits alone, never more than the earlier file had.
  if (keep_permissions) (void)fchmod(fileno(replacement->file), status.permissions);
#endif
  return replace_failure::none;
}

replace_failure finish_replacement(file_replacement* replacement) {
  const bool written = flush_to_disk(replacement->file);
  int error_number = errno;
  const bool closed = std::fclose(replacement->file) == 0;
  if (written && !closed) error_number = errno;
  replacement->file = nullptr;
  replace_failure failure = replace_failure::none;
  if (!written || !closed) {
    failure = replace_failure::write_failed;
  } else if (!rename_replacing(replacement->temporary.c_str(), replacement->target.c_str(),
                               &replacement->reason)) {
    failure = replace_failure::cannot_rename;
  }
  if (failure != replace_failure::none) {
    replacement->error_number = error_number;
    remove_named_file(replacement->temporary.c_str());
    return failure;
  }
  sync_folder(replacement->target);
  return replace_failure::none;
}

void abandon_replacement(file_replacement* replacement) {
  if (replacement->file != nullptr) std::fclose(replacement->file);
  replacement->file = nullptr;
  if (!replacement->temporary.empty()) remove_named_file(replacement->temporary.c_str());
}

std::string replace_failure_message(const file_replacement& replacement, replace_failure failure,
                                    const char* fname) {
  const std::string name = fname;
  std::string reason;
  if (!replacement.reason.empty())
    reason = ": " + replacement.reason;
  else if (replacement.error_number != 0)
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
