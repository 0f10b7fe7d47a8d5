#include "data/TextBuffer.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

int OpenRegularFile(const std::string& path, std::size_t* size) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  if (size) *size = static_cast<std::size_t>(info.st_size);
  return fd;
}

std::string ReadFailure(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  if (!S_ISREG(info.st_mode)) return "Not a regular file";
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return std::strerror(EIO);  // it opens now: it failed while being read
}

long ReadUpTo(int fd, char* out, std::size_t size) {
  std::size_t used = 0;
  while (used < size) {
    const ssize_t got = ::read(fd, out + used, size - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;  // the file shrank meanwhile
    used += static_cast<std::size_t>(got);
  }
  return static_cast<long>(used);
}

bool TextBuffer::Read(const std::string& path) {
  std::size_t size = 0;
  const int fd = OpenRegularFile(path, &size);
  if (fd >= 0) return Read(fd, size);
  *this = TextBuffer();
  return false;
}

bool TextBuffer::Read(int fd, std::size_t size) {
  *this = TextBuffer();
  // Bytes left uninitialised: the file is read over them. One more for the final NUL.
  std::unique_ptr<char[]> data;
  try {
    data = std::make_unique_for_overwrite<char[]>(size + 1);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    throw;
  }
  const long used = ReadUpTo(fd, data.get(), size);
  ::close(fd);
  if (used < 0) return false;
  data[used] = '\0';
  bytes_ = std::move(data);
  next_ = lastLine_ = bytes_.get();
  end_ = bytes_.get() + used;
  return true;
}

std::size_t TextBuffer::LinesLeft() const {
  std::size_t lines = 0;
  const char* p = next_;
  while (const void* feed = std::memchr(p, '\n', static_cast<std::size_t>(end_ - p))) {
    ++lines;
    p = static_cast<const char*>(feed) + 1;
  }
  return lines + (p != end_ ? 1 : 0);  // a last line without a line feed counts
}

char* TextBuffer::NextLine(std::size_t* length) {
  if (next_ == end_) return nullptr;
  char* line = next_;
  char* stop;
  void* feed = std::memchr(line, '\n', static_cast<std::size_t>(end_ - line));
  if (feed) {
    stop = static_cast<char*>(feed);
    next_ = stop + 1;
    if (stop > line && stop[-1] == '\r') --stop;
  } else {
    stop = end_;
    next_ = end_;
  }
  *stop = '\0';
  lastLine_ = line;
  ++lineNumber_;
  if (length) *length = static_cast<std::size_t>(stop - line);
  return line;
}

}  // namespace velmora
