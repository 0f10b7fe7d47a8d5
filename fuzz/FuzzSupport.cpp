#include "fuzz/FuzzSupport.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/Notify.h"

namespace velmora::fuzz {
namespace {

std::vector<std::string>& MessageList() {
  static std::vector<std::string> messages;
  return messages;
}

std::string MakeWorkDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) Fail("cannot create the working folder");
  if (::chdir(pattern.c_str()) != 0) Fail("cannot enter the working folder");
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(WorkDir(), ec);
  });
  SetMessageSink([](const std::string& text) {
    auto& messages = MessageList();
    if (messages.size() < 16) messages.push_back(text);  // a bound keeps long runs lean
  });
  return pattern;
}

}  // namespace

const std::string& WorkDir() {
  // Never destroyed: the exit handler that removes the folder runs after the statics go.
  static const std::string* dir = new std::string(MakeWorkDir());
  return *dir;
}

std::string WriteFile(const std::string& name, std::string_view bytes) {
  const std::string path = WorkDir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write an input file");
  return path;
}

void RemoveFile(const std::string& name) {
  std::error_code ec;
  std::filesystem::remove(WorkDir() + "/" + name, ec);
}

const std::vector<std::string>& Messages() {
  return MessageList();
}
void ClearMessages() {
  MessageList().clear();
}

void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

double DecimalAtof(const char* text) {
  const std::string_view view(text);
  return std::atof(
      std::string(view.substr(0, view.find_first_not_of(" \t\n\v\f\r+-.0123456789eE"))).c_str());
}

std::vector<std::string> SplitLines(std::string_view bytes, bool dropCarriageReturn) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t feed = bytes.find('\n', start);
    std::size_t stop = feed == std::string_view::npos ? bytes.size() : feed;
    if (dropCarriageReturn && feed != std::string_view::npos && stop > start &&
        bytes[stop - 1] == '\r')
      --stop;
    std::string line(bytes.substr(start, stop - start));
    line.resize(std::char_traits<char>::length(line.c_str()));
    lines.push_back(std::move(line));
    if (feed == std::string_view::npos) break;
    start = feed + 1;
  }
  return lines;
}

}  // namespace velmora::fuzz
