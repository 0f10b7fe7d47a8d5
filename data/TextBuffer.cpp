#include "data/TextBuffer.h"

#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "platform/Notify.h"

namespace velmora {

bool TextBuffer::Read(const std::string& path) {
  bytes_.clear();
  next_ = end_ = lastLine_ = nullptr;
  lineNumber_ = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  // The size is only a first guess: pipes and special files have none, and a file may
  // grow while it is read, so the loop below reads until the end whatever the size said.
  std::size_t guess = std::size_t{1} << 16;
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && info.st_size > 0)
    guess = static_cast<std::size_t>(info.st_size) + 2;
  std::vector<char> data;
  std::size_t used = 0;
  ResizeOrDie(data, guess);
  for (;;) {
    if (used == data.size()) {
      std::vector<char> bigger;
      ResizeOrDie(bigger, data.size() * 2);
      std::memcpy(bigger.data(), data.data(), used);
      data.swap(bigger);
    }
    const std::size_t got = std::fread(data.data() + used, 1, data.size() - used, file);
    used += got;
    if (got == 0) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return false;  // a directory opens but does not read
  if (used == data.size()) {
    std::vector<char> bigger;
    ResizeOrDie(bigger, used + 1);
    std::memcpy(bigger.data(), data.data(), used);
    data.swap(bigger);
  }
  data[used] = '\0';
  bytes_.swap(data);
  next_ = lastLine_ = bytes_.data();
  end_ = bytes_.data() + used;
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
