#include "file_kind.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#endif

namespace quarnel {

file_kind kind_of_open_file(std::FILE* file) {
#ifdef _WIN32
  struct _stat64 status;
  if (_fstat64(_fileno(file), &status) != 0) return file_kind::unknown;
  const unsigned type = status.st_mode & _S_IFMT;
  if (type == _S_IFREG) return file_kind::regular;
  if (type == _S_IFDIR) return file_kind::directory;
#else
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return file_kind::unknown;
  if (S_ISREG(status.st_mode)) return file_kind::regular;
  if (S_ISDIR(status.st_mode)) return file_kind::directory;
#endif
  return file_kind::other;
}

}  // namespace quarnel
