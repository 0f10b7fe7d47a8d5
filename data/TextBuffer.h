#pragma once
// A whole text file in memory, walked line by line. Each line is ended in place (its line
// feed, and a carriage return before it, become NUL), so the C-string number parsers can
// read it without copies. A last line without a line feed counts when it holds any text.

#include <cstddef>
#include <memory>
#include <string>

namespace velmora {

// The first c in the NUL-terminated text, or null. Lines hold blanks every few
// characters, where a plain loop beats a library call.
template <typename Char>
inline Char* FindInLine(Char* text, char c) {
  for (; *text != c; ++text)
    if (*text == '\0') return nullptr;
  return text;
}

// Opens path for reading when it names a regular file (links followed) and returns the
// descriptor, or -1. Anything else counts as a file that cannot be opened: a named pipe
// would block the open until some writer came and a device such as /dev/zero never ends.
// The type is checked before the open, and again on what was opened in case the name
// changed in between; the open itself never waits. size, when given, receives the size the
// file has now: readers read no further, so a file that keeps growing while it is read
// still ends (and one that says 0, as those of /proc do, reads as empty).
int OpenRegularFile(const std::string& path, std::size_t* size = nullptr);

// Why path cannot be read, as the system says it ("No such file or directory"); for a path
// that opens now, the read must have failed ("Input/output error").
std::string ReadFailure(const std::string& path);

// Reads fd from where it stands until size bytes are in out or the file ends; the bytes
// read, or -1 when a read fails.
long ReadUpTo(int fd, char* out, std::size_t size);

class TextBuffer {
 public:
  // Reads the file as far as its size when opened; false (and an empty buffer) when it is
  // no regular file or cannot be opened or read. Throws std::bad_alloc when the file does
  // not fit in memory, so that the loader can refuse it and keep what it holds.
  bool Read(const std::string& path);
  // The same for a file OpenRegularFile opened with that size; closes fd.
  bool Read(int fd, std::size_t size);

  // Size in bytes of the file last read.
  std::size_t Size() const { return static_cast<std::size_t>(end_ - bytes_.get()); }

  // The next line, or nullptr at the end of the file. length, when given, receives the
  // line's byte count without its terminator.
  char* NextLine(std::size_t* length = nullptr);

  // Number of the line NextLine returned last (1 for the first line).
  std::size_t LineNumber() const { return lineNumber_; }
  // Bytes from the start of the line NextLine returned last to the end of the file.
  std::size_t BytesFromLastLine() const { return end_ - lastLine_; }
  // How many lines NextLine has still to return.
  std::size_t LinesLeft() const;

 private:
  std::unique_ptr<char[]> bytes_;  // the file plus one NUL
  char* next_ = nullptr;
  char* end_ = nullptr;  // the NUL after the file's last byte
  char* lastLine_ = nullptr;
  std::size_t lineNumber_ = 0;
};

}  // namespace velmora
