#include "io/utf8_file_calls.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quarnel {

#if defined(_WIN32)

namespace {

// The UTF-16 form of a UTF-8 name; false (errno EINVAL) when it is not UTF-8.
bool wide_of(const char* name, std::wstring* wide) {
  const int length = static_cast<int>(std::strlen(name));
  wide->clear();
  if (length == 0) return true;
  const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, length, nullptr, 0);
  if (count <= 0) {
    errno = EINVAL;
    return false;
  }
  wide->resize(static_cast<std::size_t>(count));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, length, &(*wide)[0], count);
  return true;
}

// The system's text for an error code, as UTF-8 without the final period
// and line end.
std::string words_of(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words;
  if (length > 0) {
    const int count = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                          nullptr, nullptr);
    if (count > 0) {
      words.resize(static_cast<std::size_t>(count));
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &words[0], count, nullptr,
                          nullptr);
    }
  }
  if (text != nullptr) LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                            words.back() == '.'))
    words.pop_back();
  if (words.empty()) words = "system error " + std::to_string(static_cast<unsigned long>(error));
  return words;
}

}  // namespace

std::FILE* open_named_file(const char* name, const char* mode) {
  std::wstring wide_name;
  std::wstring wide_mode;
  if (!wide_of(name, &wide_name) || !wide_of(mode, &wide_mode)) return nullptr;
  return _wfopen(wide_name.c_str(), wide_mode.c_str());
}

bool status_of_name(const char* name, name_status* status) {
  std::wstring wide;
  struct _stat64 result;
  if (!wide_of(name, &wide) || _wstat64(wide.c_str(), &result) != 0) return false;
  const unsigned type = result.st_mode & _S_IFMT;
  *status = {type == _S_IFREG, type == _S_IFDIR, static_cast<unsigned>(result.st_mode & 0777)};
  return true;
}

std::FILE* create_new_file(const char* name, unsigned permissions) {
  (void)permissions;  // Windows has only the read-only attribute
  std::wstring wide;
  if (!wide_of(name, &wide)) return nullptr;
  const int fd = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    const int error_number = errno;
    _close(fd);
    _wremove(wide.c_str());
    errno = error_number;
  }
  return file;
}

bool remove_named_file(const char* name) {
  std::wstring wide;
  return wide_of(name, &wide) && _wremove(wide.c_str()) == 0;
}

bool rename_replacing(const char* from, const char* to, std::string* reason) {
  std::wstring wide_from;
  std::wstring wide_to;
  if (!wide_of(from, &wide_from) || !wide_of(to, &wide_to)) {
    *reason = "the name is not UTF-8";
    return false;
  }
  // A scanner or indexer that opened either file without sharing it makes
  // the move fail for as long as it holds it, usually a moment: about a
  // second of retries in all.
  DWORD error = 0;
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (attempt > 0) Sleep(100);
    if (MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
        error != ERROR_ACCESS_DENIED)
      break;
  }
  *reason = words_of(error);
  return false;
}

#else

std::FILE* open_named_file(const char* name, const char* mode) { return std::fopen(name, mode); }

bool status_of_name(const char* name, name_status* status) {
  struct stat result;
  if (stat(name, &result) != 0) return false;
  *status = {S_ISREG(result.st_mode), S_ISDIR(result.st_mode),
             static_cast<unsigned>(result.st_mode & 0777)};
  return true;
}

std::FILE* create_new_file(const char* name, unsigned permissions) {
  const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(permissions));
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int error_number = errno;
    close(fd);
    unlink(name);
    errno = error_number;
  }
  return file;
}

bool remove_named_file(const char* name) { return std::remove(name) == 0; }

bool rename_replacing(const char* from, const char* to, std::string* reason) {
  if (std::rename(from, to) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}

#endif

}  // namespace quarnel
