#include "data/TextBuffer.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <sys/stat.h>

#include "base/Notify.h"

namespace velmora {

namespace {

// Bytes left uninitialised: the file is read over them.
std::unique_ptr<char[]> AllocateOrDie(std::size_t count) {
  try {
    return std::make_unique_for_overwrite<char[]>(count);
  } catch (const std::bad_alloc&) {
    FailLowMemory();
  }
}

}  // namespace

bool TextBuffer::Read(const std::string& path) {
  bytes_.reset();
  next_ = end_ = lastLine_ = nullptr;
  lineNumber_ = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  // The size is only a first guess: pipes and special files have none, and a file may
  // grow while it is read, so the loop below reads until the end whatever the size said.
  // One byte more than the size lets the read see the end without another round.
  std::size_t capacity = std::size_t{1} << 16;
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && info.st_size > 0)
    capacity = static_cast<std::size_t>(info.st_size) + 2;
  std::unique_ptr<char[]> data = AllocateOrDie(capacity);
  std::size_t used = 0;
  for (;;) {
    if (capacity - used < 2) {  // room for one more byte and the final NUL
      std::unique_ptr<char[]> bigger = AllocateOrDie(capacity * 2);
      std::memcpy(bigger.get(), data.get(), used);
      data = std::move(bigger);
      capacity *= 2;
    }
    const std::size_t got = std::fread(data.get() + used, 1, capacity - 1 - used, file);
    used += got;
    if (got == 0) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return false;  // a directory opens but does not read
  data[used] = '\0';
  bytes_ = std::move(data);
  next_ = lastLine_ = bytes_.get();
  end_ = bytes_.get() + used;
  return true;
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
