#include "io/file_kind.h"

#include "io/utf8_file_calls.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#endif

namespace quarnel {

namespace {

#ifdef _WIN32
file_kind kind_of_mode(unsigned short mode) {
  const unsigned type = mode & _S_IFMT;
  if (type == _S_IFREG) return file_kind::regular;
  if (type == _S_IFDIR) return file_kind::directory;
  return file_kind::other;
}
#else
file_kind kind_of_mode(mode_t mode) {
  if (S_ISREG(mode)) return file_kind::regular;
  if (S_ISDIR(mode)) return file_kind::directory;
  return file_kind::other;
}
#endif

}  // namespace

file_kind kind_of_open_file(std::FILE* file) {
#ifdef _WIN32
  struct _stat64 status;
  if (_fstat64(_fileno(file), &status) != 0) return file_kind::unknown;
#else
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return file_kind::unknown;
#endif
  return kind_of_mode(status.st_mode);
}

file_kind kind_of_named_file(const char* fname) {
  name_status status;
  if (!status_of_name(fname, &status)) return file_kind::unknown;
  if (status.regular) return file_kind::regular;
  return status.directory ? file_kind::directory : file_kind::other;
}

}  // namespace quarnel
