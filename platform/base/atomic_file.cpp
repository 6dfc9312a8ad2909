#include "platform/base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/base/exception.h"

namespace {

constexpr std::string_view kTemporaryPrefix = ".#";
constexpr std::size_t kRandomLength = 6;  // mkstemp's "XXXXXX"

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

bool IsNameCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

struct Place {
  std::string folder;  // with its trailing "/", or empty for the current folder
  std::string name;
};

Place PlaceOf(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return {"", fileName};
  return {fileName.substr(0, slash + 1), fileName.substr(slash + 1)};
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool Lock(int fd, int how) {
  int rc = 0;
  do rc = ::flock(fd, how); while (rc != 0 && errno == EINTR);
  return rc == 0;
}

// A new temporary file for the target, locked, or -1 with errno set. A
// cleaner of another writer may take a file between its making and its
// locking: the name is then gone and another is made.
int MakeTemporary(const Place& place, std::string& temporary) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string pattern =
        place.folder + std::string(kTemporaryPrefix) + place.name + "." + std::string(kRandomLength, 'X');
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return -1;
    temporary = name.data();
    // Where the file system has no locks no leftover is ever removed, so
    // nothing needs to be held.
    if (!Lock(fd, LOCK_EX)) return fd;
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) == 0 && ::lstat(temporary.c_str(), &named) == 0 && SameFile(opened, named)) return fd;
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

// Removes the target's temporary files that no live writer holds: the
// leftovers of writers that were killed.
void RemoveLeftovers(const Place& place) {
  const std::string folderName = place.folder.empty() ? "." : place.folder;
  DIR* folder = ::opendir(folderName.c_str());
  if (!folder) return;
  const int folderFd = ::dirfd(folder);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsAtomicTemporaryName(entry->d_name, place.name)) continue;
    const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {}, named {};
    // A live writer holds its file locked until it has been renamed.
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(opened, named))
      ::unlinkat(folderFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(folder);
}

}  // namespace

bool IsAtomicTemporaryName(std::string_view name, std::string_view targetName) {
  const std::size_t stem = kTemporaryPrefix.size() + targetName.size() + 1;
  if (targetName.empty() || name.size() != stem + kRandomLength) return false;
  if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix ||
      name.substr(kTemporaryPrefix.size(), targetName.size()) != targetName || name[stem - 1] != '.')
    return false;
  for (char c : name.substr(stem))
    if (!IsNameCharacter(c)) return false;
  return true;
}

void WriteFileAtomically(const std::string& fileName, std::string_view content) {
  const Place place = PlaceOf(fileName);
  std::string temporary;
  const int fd = MakeTemporary(place, temporary);
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
  // The lock goes with the last descriptor: a copy keeps it through the rename.
  const int lockFd = ::dup(fd);
  if (::close(fd) != 0 || !ok) {
    const int failure = ok ? errno : error;
    ::unlink(temporary.c_str());
    if (lockFd >= 0) ::close(lockFd);
    Fail(fileName, failure);
  }
  if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(temporary.c_str());
    if (lockFd >= 0) ::close(lockFd);
    Fail(fileName, renameError);
  }
  if (lockFd >= 0) ::close(lockFd);
  RemoveLeftovers(place);
}
