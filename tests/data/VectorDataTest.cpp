#include "data/VectorData.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

using test::TempDir;

TEST(VectorData, LineRules) {
  const struct {
    const char* name;
    std::string content;
    std::vector<double> firstX, firstY, secondX, secondY;
  } cases[] = {
      {"two pairs", "1.5 -2\n3 4\n5 6\n7 8\n", {1.5, 3}, {-2, 4}, {5, 7}, {6, 8}},
      {"odd last line ignored", "1 2\n3 4\n5 6\n7 8\n9 9\n", {1, 3}, {2, 4}, {5, 7}, {6, 8}},
      {"CRLF", "1 2\r\n3 4\r\n", {1}, {2}, {3}, {4}},
      {"last line without a line feed", "1 2\n3 4", {1}, {2}, {3}, {4}},
      {"no blank: y is x", "3\n-4.5\n", {3}, {3}, {-4.5}, {-4.5}},
      {"tab is no separator", "1\t2\n3\t4 5\n", {1}, {1}, {3}, {5}},
      {"double blank", "1.5  7\n0 0\n", {1.5}, {7}, {0}, {0}},
      {"empty lines count", "\n\n1 2\n\n", {0, 0}, {0, 0}, {1, 0}, {2, 0}},
      {"text reads as zero", "a b\nx\n", {0}, {0}, {0}, {0}},
      {"anything after y is ignored", "1 2 3 4\n5 6 garbage\n", {1}, {2}, {5}, {6}},
      {"one line", "1 2\n", {}, {}, {}, {}},
      {"empty file", "", {}, {}, {}, {}},
      {"a final empty line after the feed does not count", "1 2\n3 4\n\n", {1}, {2}, {3}, {4}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VectorData data;
    ASSERT_TRUE(ReadVectorData(dir.Write("points.dtx", c.content), data));
    EXPECT_EQ(data.count, static_cast<int>(c.firstX.size()));
    EXPECT_EQ(data.firstX, c.firstX);
    EXPECT_EQ(data.firstY, c.firstY);
    EXPECT_EQ(data.secondX, c.secondX);
    EXPECT_EQ(data.secondY, c.secondY);
  }
}

TEST(VectorData, UnreadableFileLeavesTheDataAlone) {
  TempDir dir;
  VectorData data;
  ASSERT_TRUE(ReadVectorData(dir.Write("points.txt", "1 2\n3 4\n"), data));
  EXPECT_FALSE(ReadVectorData((dir.path() / "absent.dtx").string(), data));
  EXPECT_FALSE(ReadVectorData(dir.path().string(), data));
  EXPECT_EQ(data.count, 1);
  EXPECT_EQ(data.secondY, std::vector<double>{4});
}

TEST(VectorData, LoadImagePointsFillsTheViewAndUpdatesIt) {
  CameraModel first, second;
  first.otherView = &second;
  second.otherView = &first;
  std::vector<int> masks;
  second.onViewsChanged = [&](int mask) { masks.push_back(mask); };

  const double x1[] = {1, 2, 6}, y1[] = {-1, 0, 4};
  const double x2[] = {0.5, -0.5, 3}, y2[] = {2, 2, 2};
  LoadImagePoints(first, x1, y1, 3);
  LoadImagePoints(second, x2, y2, 3);
  EXPECT_EQ(masks, std::vector<int>{VIEW_ALL});
  EXPECT_EQ(first.imagePointCount, 3);
  EXPECT_EQ(first.imageX, (std::vector<double>{1, 2, 6}));
  EXPECT_EQ(first.imageY, (std::vector<double>{-1, 0, 4}));
  EXPECT_DOUBLE_EQ(first.meanX, 3);
  EXPECT_DOUBLE_EQ(first.meanY, 1);
  EXPECT_DOUBLE_EQ(second.meanX, 1);
  EXPECT_DOUBLE_EQ(second.meanY, 2);
  EXPECT_EQ(second.planePoints.size(), 3u);
  EXPECT_EQ(second.rayPoints.size(), 3u);
  // The image points now lie on the camera's image plane in the scene.
  Vec3 expected;
  second.PlaneToWorld(x2[2], y2[2], expected);
  EXPECT_THAT(second.planePoints[2], test::Vec3Near(expected, 1e-12));

  // No points: the means are 0, not a division by zero.
  LoadImagePoints(second, nullptr, nullptr, 0);
  EXPECT_EQ(second.imagePointCount, 0);
  EXPECT_TRUE(second.imageX.empty());
  EXPECT_EQ(second.meanX, 0);
  EXPECT_EQ(second.meanY, 0);
  EXPECT_EQ(masks.size(), 2u);
}

TEST(VectorData, PairColoursAreThreeSuccessiveRandomValues) {
  std::srand(99);
  std::vector<double> draws;
  for (int i = 0; i < 30; ++i) draws.push_back(std::rand() / static_cast<double>(RAND_MAX));
  std::srand(99);
  for (int pair = 0; pair < 10; ++pair) {
    const Vec3 c = NextPairColor();
    EXPECT_EQ(c.x, draws[3 * pair]);
    EXPECT_EQ(c.y, draws[3 * pair + 1]);
    EXPECT_EQ(c.z, draws[3 * pair + 2]);
    for (double v : {c.x, c.y, c.z}) {
      EXPECT_GE(v, 0.0);
      EXPECT_LE(v, 1.0);
    }
  }
}

}  // namespace
}  // namespace velmora
