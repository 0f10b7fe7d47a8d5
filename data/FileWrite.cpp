#include "data/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace velmora {

namespace {

// Every byte, past short writes and interruptions; the errno of the failure otherwise.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// What a new file gets: 0666 less the umask, read without changing it for long.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool Fail(const std::string& path, int error, std::string& why) {
  why = "cannot write " + path + ": " + std::strerror(error != 0 ? error : EIO);
  return false;
}

// A device or a pipe cannot be replaced: it is opened and written as it is.
bool WriteInPlace(const std::string& path, std::string_view bytes, std::string& why) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return Fail(path, errno, why);
  int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 || Fail(path, error, why);
}

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& why) {
  std::string target = path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    // The link stays a link: the file it leads to is the one replaced.
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) return WriteInPlace(target, bytes, why);
  // A file its owner made read-only is not replaced behind its back.
  if (exists && ::access(target.c_str(), W_OK) != 0) return Fail(path, errno, why);

  std::vector<char> name(target.begin(), target.end());
  const char suffix[] = ".velmora-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return Fail(path, errno, why);
  int error = ::fchmod(fd, exists ? (info.st_mode & 07777) : NewFileMode()) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(name.data(), target.c_str()) != 0) error = errno;
  if (error == 0) return true;
  ::unlink(name.data());
  return Fail(path, error, why);
}

}  // namespace velmora
