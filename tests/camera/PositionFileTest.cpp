#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "camera/PositionFile.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

using test::TempDir;
using test::Vec3Near;

std::vector<double> Read(const std::string& path, bool* opened = nullptr) {
  double targets[kPositionTargetCount];
  for (double& t : targets) t = -777;
  const bool ok = LoadPositionFile(path, targets);
  if (opened) *opened = ok;
  return std::vector<double>(targets, targets + kPositionTargetCount);
}

TEST(PositionFile, ReadsLinesInFileOrderAsAtofWould) {
  struct Case {
    const char* name;
    std::string content;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"full", "0.5\n-0.3\n0\n10\n50\n50\n0\n0\n1\n", {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1}},
      {"no final newline", "1\n2\n3\n4\n5\n6\n7\n8\n9", {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"extra lines ignored", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n", {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"short", "0.25\n-4\n", {0.25, -4, 0, 0, 0, 0, 0, 0, 0}},
      {"short without final newline", "5\n6", {5, 6, 0, 0, 0, 0, 0, 0, 0}},
      {"empty", "", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"blank lines", "\n\n7\n", {0, 0, 7, 0, 0, 0, 0, 0, 0}},
      {"junk",
       "1.25 abc\nletters\n  \t-3e2x\n+.5\n1e\n.\n0x10\n12,5\n-",
       {1.25, 0, -300, 0.5, 1, 0, 16, 12, 0}},
      {"windows line ends", "0.5\r\n-0.3\r\n2\r\n", {0.5, -0.3, 2, 0, 0, 0, 0, 0, 0}},
      {"nul ends the line as text",
       std::string("3.5\0"
                   "9\n4\n",
                   8),
       {3.5, 4, 0, 0, 0, 0, 0, 0, 0}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    bool opened = false;
    const auto values = Read(dir.Write("position.txt", c.content), &opened);
    EXPECT_TRUE(opened) << c.name;
    EXPECT_THAT(values, testing::Pointwise(testing::DoubleEq(), c.expected)) << c.name;
  }
}

TEST(PositionFile, UnopenableFileLeavesTargetsAlone) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "position.txt");
  for (const std::string& path :
       {(dir.path() / "missing.txt").string(), (dir.path() / "position.txt").string()}) {
    bool opened = true;
    const auto values = Read(path, &opened);
    EXPECT_FALSE(opened) << path;
    EXPECT_THAT(values, testing::Each(-777.0)) << path;
  }
}

TEST(PositionFile, FallbackPoseThenPanelsThenBothUpdates) {
  CameraModel first, second;
  first.otherView = &second;
  second.otherView = &first;
  first.SetParams(CameraParams{1, 0.2, 0.3, 4, 70, 0.1, 0.2});
  second.SetParams(CameraParams{-1, 0.9, 2, 30, 5, 0.7, -0.6});
  std::vector<std::string> log;
  first.onViewsChanged = [&](int mask) { log.push_back("first " + std::to_string(mask)); };
  second.onViewsChanged = [&](int mask) { log.push_back("second " + std::to_string(mask)); };

  ApplyPositionFallback(first, second, [&] {
    // The panels see the new values before anything is recomputed.
    EXPECT_THAT(second.cameraPosition, Vec3Near(Vec3{}, 0));
    log.push_back("show");
  });

  EXPECT_THAT(log, testing::ElementsAre("show", "first 7", "second 7"));
  const CameraParams s = second.GetParams();
  EXPECT_EQ(s.azimuth, 0.5);
  EXPECT_EQ(s.altitude, -0.3);
  EXPECT_EQ(s.rotation, 0);
  EXPECT_EQ(s.focalLength, 10);
  EXPECT_EQ(s.distance, 50);
  EXPECT_EQ(s.pan, 0);
  EXPECT_EQ(s.tilt, 0);
  EXPECT_EQ(second.orbitRadius, 60);
  // The first view only gets its focal length.
  const CameraParams f = first.GetParams();
  EXPECT_EQ(f.focalLength, 10);
  EXPECT_EQ(f.distance, 70);
  EXPECT_EQ(f.azimuth, 1);
  EXPECT_EQ(f.rotation, 0.3);
  EXPECT_EQ(first.orbitRadius, 80);
  EXPECT_THAT(second.cameraPosition,
              Vec3Near(Vec3{60 * std::cos(-0.3) * std::sin(0.5), 60 * std::sin(0.3),
                            60 * std::cos(-0.3) * std::cos(0.5)},
                       1e-9));
  EXPECT_THAT(first.cameraPosition,
              Vec3Near(Vec3{80 * std::cos(0.2) * std::sin(1.0), -80 * std::sin(0.2),
                            80 * std::cos(0.2) * std::cos(1.0)},
                       1e-9));
}

}  // namespace
}  // namespace velmora
