#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "camera/PositionFile.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"
#include "tests/data/SpecialFiles.h"

namespace velmora {
namespace {

using test::TempDir;
using test::Vec3Near;

std::vector<double> Read(const std::string& path, bool& opened) {
  double targets[kPositionTargetCount];
  for (double& t : targets) t = -777;
  opened = LoadPositionFile(path, targets);
  return std::vector<double>(targets, targets + kPositionTargetCount);
}

std::vector<double> Fields(const CameraParams& p) {
  return {p.azimuth, p.altitude, p.rotation, p.focalLength, p.distance, p.pan, p.tilt};
}

TEST(PositionFile, ReadsLinesInFileOrderAsAtofWould) {
  const struct {
    const char* name;
    std::string content;
    std::vector<double> expected;
  } cases[] = {
      {"full, extra lines ignored",
       "0.5\n-0.3\n0\n10\n50\n50\n0\n0\n1\n11\n",
       {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1}},
      {"short without final newline", "5\n6", {5, 6, 0, 0, 0, 0, 0, 0, 0}},
      {"nul ends the line as text",
       std::string("3.5\0"
                   "9\n4\n",
                   8),
       {3.5, 4, 0, 0, 0, 0, 0, 0, 0}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    bool opened = false;
    const auto values = Read(dir.Write("position.txt", c.content), opened);
    EXPECT_TRUE(opened) << c.name;
    EXPECT_THAT(values, testing::Pointwise(testing::DoubleEq(), c.expected)) << c.name;
  }
  // Missing, or no regular file: not opened, targets untouched.
  std::vector<test::SpecialFile> files = test::MakeSpecialFiles(dir.path() / "special");
  files.push_back({"missing", (dir.path() / "missing.txt").string()});
  test::ScopedMemoryCap cap(std::size_t{512} << 20);
  for (const test::SpecialFile& file : files) {
    bool opened = true;
    EXPECT_THAT(test::ReadWithoutHanging(file.path, [&] { return Read(file.path, opened); }),
                testing::Each(-777.0))
        << file.kind;
    EXPECT_FALSE(opened) << file.kind;
  }
}

TEST(PositionFile, FallbackPoseThenPanelsThenBothUpdates) {
  test::TwoViews v({1, 0.2, 0.3, 4, 70, 0.1, 0.2}, {-1, 0.9, 2, 30, 5, 0.7, -0.6});
  std::vector<std::string> log;
  v.first.onViewsChanged = [&](int mask) { log.push_back("first " + std::to_string(mask)); };
  v.second.onViewsChanged = [&](int mask) { log.push_back("second " + std::to_string(mask)); };

  ApplyPositionFallback(v.first, v.second, [&] {
    // The panels see the new values before anything is recomputed.
    EXPECT_THAT(v.second.cameraPosition, Vec3Near(Vec3{}, 0));
    log.push_back("show");
  });

  EXPECT_THAT(log, testing::ElementsAre("show", "first 7", "second 7"));
  EXPECT_EQ(Fields(v.second.GetParams()), (std::vector<double>{0.5, -0.3, 0, 10, 50, 0, 0}));
  // The first view only gets its focal length.
  EXPECT_EQ(Fields(v.first.GetParams()), (std::vector<double>{1, 0.2, 0.3, 10, 70, 0.1, 0.2}));
}

}  // namespace
}  // namespace velmora
