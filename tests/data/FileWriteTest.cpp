// A whole-file write either replaces the file or leaves it as it was.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "data/FileWrite.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

mode_t Mode(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}
// The process may write files of at most `bytes` while it lives: a write past that fails
// as a full disk would, without needing one.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit old_{};
  void (*previous_)(int) = nullptr;
};

TEST(FileWrite, ReplacesWholeOrLeavesTheOldFileAndNoTemporary) {
  test::TempDir dir;
  const std::filesystem::path target = dir.path() / "frame.png";
  std::string why;

  // A new file gets the umask's permissions; a replaced one keeps its own.
  ASSERT_TRUE(WriteWholeFile(target.string(), "first", why)) << why;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(Mode(target), 0666 & ~mask);
  std::filesystem::permissions(target, std::filesystem::perms(0640));
  ASSERT_TRUE(WriteWholeFile(target.string(), "second", why)) << why;
  EXPECT_EQ(Read(target), "second");
  EXPECT_EQ(Mode(target), 0640u);

  // A link stays a link to the file it names, which takes the new bytes.
  const std::filesystem::path link = dir.path() / "link.png";
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(WriteWholeFile(link.string(), "third", why)) << why;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Read(target), "third");

  // A write that fails midway (a full disk) names the file and leaves the old one whole.
  {
    FileSizeLimit limit(64);
    EXPECT_FALSE(WriteWholeFile(target.string(), std::string(4096, 'x'), why));
  }
  EXPECT_EQ(why.rfind("cannot write " + target.string() + ": ", 0), 0u) << why;
  EXPECT_EQ(Read(target), "third");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
      << "the temporary file is left behind";
}

}  // namespace
}  // namespace velmora
