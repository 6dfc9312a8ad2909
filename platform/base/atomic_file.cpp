#include "platform/base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/base/exception.h"

namespace {

[[noreturn]] void Fail(const std::string& fileName, int error) {
  throw EInOutError("Cannot write file \"" + fileName + "\". " + std::strerror(error));
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::string_view content) {
  std::string pattern = fileName + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) Fail(fileName, errno);
  const bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
  const int error = errno;
  // mkstemp makes the file private (0600): the file replaced keeps the
  // permissions its user gave it, and a new one gets the usual rights.
  struct stat old {};
  if (::stat(fileName.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (::close(fd) != 0 || !ok) {
    ::unlink(name.data());
    Fail(fileName, ok ? errno : error);
  }
  if (std::rename(name.data(), fileName.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(name.data());
    Fail(fileName, renameError);
  }
}
