#include "data/TextBuffer.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

int OpenRegularFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool TextBuffer::Read(const std::string& path) {
  bytes_.reset();
  next_ = end_ = lastLine_ = nullptr;
  lineNumber_ = 0;
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  // The size is only a first guess: a file may grow while it is read, and some (those
  // of /proc) say 0, so the loop below reads until the end whatever the size said. One
  // byte more than the size lets the read see the end without another round.
  std::size_t capacity = std::size_t{1} << 16;
  struct stat info;
  if (::fstat(fd, &info) == 0 && info.st_size > 0)
    capacity = static_cast<std::size_t>(info.st_size) + 2;
  // Bytes left uninitialised: the file is read over them. An allocation that fails
  // throws, after the descriptor is closed.
  std::unique_ptr<char[]> data;
  try {
    data = std::make_unique_for_overwrite<char[]>(capacity);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    throw;
  }
  std::size_t used = 0;
  bool failed = false;
  for (;;) {
    if (capacity - used < 2) {  // room for one more byte and the final NUL
      std::unique_ptr<char[]> bigger;
      try {
        bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      } catch (const std::bad_alloc&) {
        ::close(fd);
        throw;
      }
      std::memcpy(bigger.get(), data.get(), used);
      data = std::move(bigger);
      capacity *= 2;
    }
    const ssize_t got = ::read(fd, data.get() + used, capacity - 1 - used);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failed = got < 0;
      break;
    }
    used += static_cast<std::size_t>(got);
  }
  ::close(fd);
  if (failed) return false;
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
