#pragma once
// What the reader tests share for hostile inputs: files that are no regular files, a
// run that cannot hang on a named pipe, and a cap on the memory a test may take.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELMORA_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define VELMORA_TEST_SANITIZED 1
#endif
#endif

namespace velmora::test {

// A named pipe, a device that never ends, a link to it and a folder, made in dir.
struct SpecialFile {
  const char* kind;
  std::string path;
};
inline std::vector<SpecialFile> MakeSpecialFiles(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const std::string fifo = (dir / "fifo").string();
  EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir / "zero");
  std::filesystem::create_directory(dir / "folder");
  return {{"named pipe", fifo},
          {"/dev/zero", "/dev/zero"},
          {"link to /dev/zero", (dir / "zero").string()},
          {"folder", (dir / "folder").string()}};
}

// Runs read on a thread and returns its result. A reader that opens a named pipe waits
// in the open for a writer: after 5 s the test plays that writer (opening and closing
// the other end lets the open return on an empty pipe), so the fault fails the test
// instead of hanging it.
template <typename Read>
auto ReadWithoutHanging(const std::string& path, Read read) {
  auto result = std::async(std::launch::async, read);
  bool waited = false;
  while (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    waited = true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  EXPECT_FALSE(waited) << path << " was opened and waited on";
  return result.get();
}

// Caps the address space at what the process has now plus extra, so that a reader
// asking for gigabytes fails its allocation ("Low memory!") instead of filling the
// machine. Heap that earlier tests freed but the allocator keeps mapped would be handed
// out without growing the address space, so it counts against extra: the cap means the
// same in any test order. Sanitizers reserve vast shadow ranges: they run uncapped.
class ScopedMemoryCap {
 public:
  explicit ScopedMemoryCap(std::size_t extra) {
#ifdef VELMORA_TEST_SANITIZED
    (void)extra;
#else
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    if (pages == 0 || ::getrlimit(RLIMIT_AS, &previous_) != 0) return;
    rlimit cap = previous_;
    const std::size_t mapped = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t kept = ::mallinfo2().fordblks;
    cap.rlim_cur = mapped + extra - std::min(kept, extra);
    if (previous_.rlim_cur != RLIM_INFINITY && previous_.rlim_cur < cap.rlim_cur) return;
    active_ = ::setrlimit(RLIMIT_AS, &cap) == 0;
#endif
  }
  ~ScopedMemoryCap() {
    if (active_) ::setrlimit(RLIMIT_AS, &previous_);
  }
  // Whether the cap holds (not under sanitizers, nor above a cap already there).
  bool active() const {
    return active_;
  }
  ScopedMemoryCap(const ScopedMemoryCap&) = delete;
  ScopedMemoryCap& operator=(const ScopedMemoryCap&) = delete;

 private:
  rlimit previous_{};
  bool active_ = false;
};

}  // namespace velmora::test
