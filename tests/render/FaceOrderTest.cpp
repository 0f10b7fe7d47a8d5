#include "render/FaceOrder.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

std::vector<int> Literal(std::vector<double> d) {
  std::vector<int> order(d.size());
  OrderFacesBySelection(d.data(), order.data(), static_cast<int>(d.size()));
  return order;
}

std::vector<int> Fast(std::vector<double> d) {
  std::vector<int> order(d.size(), -1);
  OrderFacesByDistance(d.data(), order.data(), static_cast<int>(d.size()));
  return order;
}

TEST(FaceOrder, TiesFollowTheSelectionRule) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    std::vector<double> distances;
    std::vector<int> order;
  };
  for (const Case& c : std::vector<Case>{
           {{}, {}},
           {{7}, {0}},
           // Face 1 keeps position 1 although face 0 is as near.
           {{5, 5, 0}, {2, 1, 0}},
           // Position 0: lowest of the nearest run {1, 2}; position 1: face 1 is spent, so
           // the lowest live one; then 2 is gone and 0 fills position 2.
           {{9, 4, 4}, {1, 2, 0}},
           // Position 2: face 2 is live and as near as the rest of its run, so it stays.
           {{2, 0, 2, 0, 2}, {1, 3, 2, 0, 4}},
           // -0 and +0 are one distance; negative ones sort below both.
           {{-1, 2, -0.0, 0.0, -3}, {4, 0, 2, 3, 1}},
           // Values the spent mark does not beat: the selection's own outcome stands.
           {{kInf, 1, kInf}, {1, 1, 1}},
           {{kNan, 3, 1}, {0, 2, 1}},
           // Nothing below the mark: the nearest of the rest first, then it again.
           {{kInf, 1.5e308, kInf}, {1, 1, 1}},
       }) {
    EXPECT_THAT(Literal(c.distances), ElementsAreArray(c.order));
    EXPECT_THAT(Fast(c.distances), ElementsAreArray(c.order));
  }
}

// The fast order and final distances against the selection's.
void ExpectSameAsTheSelection(std::vector<double> d, int trial) {
  const int n = static_cast<int>(d.size());
  std::vector<double> fastD = d;
  std::vector<int> literalOrder(n), fastOrder(n, -1);
  OrderFacesBySelection(d.data(), literalOrder.data(), n);
  OrderFacesByDistance(fastD.data(), fastOrder.data(), n);
  ASSERT_EQ(fastOrder, literalOrder) << "trial " << trial;
  for (int i = 0; i < n; ++i)
    ASSERT_TRUE(fastD[i] == d[i] || (std::isnan(fastD[i]) && std::isnan(d[i])))
        << "trial " << trial << ", face " << i;
}

// Random distances on a few levels, so ties abound; the first trial is a large one. Every
// other trial some faces hold a value the spent mark does not beat (or -inf). Then shapes
// with infinite, NaN or overflowing coordinates, as a hostile file gives them.
TEST(FaceOrder, MatchesTheSelectionOnRandomDistancesWithManyTies) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  const double special[] = {kInf, -kInf, kNan, kSpentDistance, 1.5e308};
  std::mt19937 rng(20240611);
  const auto pick = [&rng](int below) {
    return std::uniform_int_distribution<int>(0, below - 1)(rng);
  };
  for (int trial = 0; trial < 200; ++trial) {
    const int n = trial == 0 ? 3000 : pick(61);
    const int levels = 1 + pick(8);
    std::vector<double> d(n);
    for (double& v : d) v = pick(levels) * 0.75;
    if (trial % 2)
      for (double& v : d)
        if (pick(8) == 0) v = special[pick(5)];
    ExpectSameAsTheSelection(d, trial);
  }
  const double coordinates[] = {0, 1, 2, 3, kInf, -kInf, kNan, 1e200, 1.1e154};
  for (int trial = 0; trial < 100; ++trial) {
    FstShape shape;
    for (int c = 0; c < 3 * 8; ++c) shape.vertices.push_back(coordinates[pick(trial % 2 ? 9 : 4)]);
    for (int f = 1 + pick(40); f > 0; --f)
      shape.faces.push_back({0, 3, {pick(8), pick(8), pick(8)}});
    ComputeFaceDistances(shape, Vec3{1, 0, 0});
    ExpectSameAsTheSelection(shape.faceDistance, trial);
  }
}

// A triangle and a quadrilateral in the plane z = 3, then faces that claim what is not there.
TEST(FaceDistances, OneThirdOfTheVertexSumAndMalformedFacesAreNotDrawnNorReadOutside) {
  FstShape shape;
  shape.vertices = {0, 0, 3, 3, 0, 3, 0, 3, 3, 3, 3, 3};
  shape.pointCount = 4;
  shape.faces = {{1, 3, {0, 1, 2}}, {2, 4, {0, 1, 3, 2}}};
  shape.faceCount = 2;
  ComputeFaceDistances(shape, Vec3{0, 0, 0});
  ASSERT_EQ(shape.faceDistance.size(), 2u);
  EXPECT_EQ(shape.faceOrder.size(), 2u);
  EXPECT_DOUBLE_EQ(shape.faceDistance[0], 1 + 1 + 9);   // the centroid (1, 1, 3)
  EXPECT_DOUBLE_EQ(shape.faceDistance[1], 4 + 4 + 16);  // 4/3 of the centroid: (2, 2, 4)
  ComputeFaceDistances(shape, Vec3{2, 2, 4});
  EXPECT_DOUBLE_EQ(shape.faceDistance[0], 1 + 1 + 1);
  EXPECT_NEAR(shape.faceDistance[1], 0, 1e-28);

  EXPECT_TRUE(FaceIsDrawable(shape, shape.faces[0]));
  EXPECT_TRUE(FaceIsDrawable(shape, shape.faces[1]));
  const std::vector<FstFace> bad = {
      {256, 3, {0, 1, 2}}, {-1, 3, {0, 1, 2}}, {0, 3, {0, 1, 4}},
      {0, 3, {-1, 1, 2}},  {0, 4, {0, 1, 2}},  // more vertices claimed than listed
  };
  for (const FstFace& face : bad) EXPECT_FALSE(FaceIsDrawable(shape, face));
  shape.faces.insert(shape.faces.end(), bad.begin(), bad.end());
  ComputeFaceDistances(shape, Vec3{0, 0, 0});
  EXPECT_EQ(shape.faceDistance.size(), shape.faces.size());
  // Face 2 sums only its three listed vertices (index 4 does not exist).
  EXPECT_DOUBLE_EQ(shape.faceDistance[4], 1 + 0 + 4);
}

}  // namespace
}  // namespace velmora
