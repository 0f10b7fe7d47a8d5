#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "camera/CameraModel.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"

namespace velmora {
namespace {

using test::TwoViews;
using test::Vec3Near;

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
const Vec3 kMeet{2, 4, 40};

// The default camera sits on z and looks at the origin; a quarter turn of azimuth moves it
// onto x, and a silent update (mask 0) moves the camera but keeps the rectangle.
TEST(CameraModelGeometry, DefaultCameraThenAQuarterTurnOfAzimuth) {
  CameraModel cam;
  cam.UpdateCamera(VIEW_ALL);
  EXPECT_THAT(cam.cameraPosition, Vec3Near(Vec3{0, 0, 60}, 1e-12));
  const Vec3 corners[] = {
      {-4.096, 3.072, 50}, {4.096, 3.072, 50}, {4.096, -3.072, 50}, {-4.096, -3.072, 50}};
  for (int i = 0; i < 4; ++i) EXPECT_THAT(cam.planeCorners[i], Vec3Near(corners[i], 1e-12)) << i;
  cam.SetAzAlt(kPi / 2, 0);
  cam.UpdateCamera(0);
  EXPECT_THAT(cam.cameraPosition, Vec3Near(Vec3{60, 0, 0}, 1e-12));
  EXPECT_THAT(cam.planeCorners[0], Vec3Near(corners[0], 1e-12));
  cam.UpdateCamera(VIEW_AZALT);
  for (auto [x, y] : {std::pair{1.0, 2.0}, {-3.5, 0.25}}) {
    Vec3 p;
    cam.PlaneToWorld(x, y, p);
    EXPECT_THAT(p, Vec3Near(Vec3{50, y, -x}, 1e-12)) << x << ", " << y;
  }
}

TEST(CameraModelGeometry, ScaleShrinksRectangleButNotImagePoints) {
  CameraModel cam;
  cam.AllocatePoints(1);
  cam.imageX[0] = 3, cam.imageY[0] = -2;
  cam.SetScale(2.0f);
  cam.UpdateCamera(VIEW_ALL);
  EXPECT_THAT(cam.planeCorners[0], Vec3Near(Vec3{-2.048, 1.536, 50}, 1e-12));
  EXPECT_THAT(cam.planeCorners[2], Vec3Near(Vec3{2.048, -1.536, 50}, 1e-12));
  EXPECT_THAT(cam.planePoints[0], Vec3Near(Vec3{3, -2, 50}, 1e-12));
  // A zero scale stays the view's value but never makes the rectangle infinite.
  cam.SetScale(0.0f);
  cam.UpdateCamera(VIEW_ALL);
  EXPECT_EQ(cam.GetScale(), 0.0f);
  EXPECT_THAT(cam.planeCorners[0], Vec3Near(Vec3{-4.096, 3.072, 50}, 1e-12));
}

TEST(CameraModelGeometry, ProjectToImageOnlyInFrontOfTheCamera) {
  CameraModel cam;
  cam.UpdateCamera(VIEW_ALL);
  double x = 99, y = 99;
  ASSERT_TRUE(cam.ProjectToImage(kMeet, x, y));
  EXPECT_NEAR(x, 1, 1e-12);
  EXPECT_NEAR(y, 2, 1e-12);
  for (Vec3 p : {Vec3{0, 0, 70}, Vec3{5, 5, 60}}) {  // behind, and in the camera's plane
    x = 99, y = 99;
    EXPECT_FALSE(cam.ProjectToImage(p, x, y));
    EXPECT_EQ(x, 99);
    EXPECT_EQ(y, 99);
  }
}

TEST(CameraModelTriangulation, WorkedExampleMeetsAtOnePoint) {
  TwoViews v;
  TwoViews::Example(v);
  EXPECT_THAT(v.first.rayPoints[0], Vec3Near(kMeet, 1e-9));
  EXPECT_THAT(v.second.rayPoints[0], Vec3Near(kMeet, 1e-9));
  Vec3 mid;
  v.first.GetMidpoint(0, mid);
  EXPECT_THAT(mid, Vec3Near(kMeet, 1e-9));
  EXPECT_LT(v.first.ReconstructionError(), -20);
  EXPECT_LT(v.second.ReconstructionError(), -20);
}

// Pair 0 meets in front of both cameras (t = 1, s = 4.8), pair 1 between the first
// camera and its plane, pair 2 in front again.
TEST(CameraModelTriangulation, PointBehindThePlaneIsRejectedOnlyByTheTriangulatingView) {
  const struct {
    bool skipFirst, skipSecond;
  } cases[] = {{false, false}, {true, false}, {false, true}};
  const Vec3 marker{7, 8, 9};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.skipFirst << c.skipSecond);
    TwoViews v;
    v.second.SetAzAlt(kPi / 2, 0);
    v.SetPoints({1, 1, 1}, {2, 2, 2}, {test::kMeetX2, -1100.0 / 119, test::kMeetX2},
                {test::kMeetY2, 20.0 / 119, test::kMeetY2});
    v.first.rayPoints[2] = v.second.rayPoints[2] = marker;
    v.first.skipNegativeST = c.skipFirst;
    v.second.skipNegativeST = c.skipSecond;
    v.first.Triangulate();
    EXPECT_THAT(v.first.rayPoints[0], Vec3Near(kMeet, 1e-9));
    EXPECT_THAT(v.second.rayPoints[0], Vec3Near(kMeet, 1e-9));
    if (!c.skipFirst) {
      EXPECT_THAT(v.first.rayPoints[1], Vec3Near(Vec3{0.5, 1, 55}, 1e-9));
      EXPECT_THAT(v.second.rayPoints[1], Vec3Near(Vec3{0.5, 1, 55}, 1e-9));
      EXPECT_THAT(v.first.rayPoints[2], Vec3Near(kMeet, 1e-9));
      continue;
    }
    // Rejected: the first point far out, the second at the origin, and the pass stops.
    EXPECT_THAT(v.first.rayPoints[1], Vec3Near(Vec3{std::exp(50.0), 0, 0}, 1e-9));
    EXPECT_THAT(v.second.rayPoints[1], Vec3Near(Vec3{0, 0, 0}, 0));
    EXPECT_THAT(v.first.rayPoints[2], Vec3Near(marker, 0));
    EXPECT_THAT(v.second.rayPoints[2], Vec3Near(marker, 0));
  }
  // The rejection example alone: its error is 50 in both views.
  TwoViews v;
  v.second.SetAzAlt(kPi / 2, 0);
  v.SetPoints({1}, {2}, {-1100.0 / 119}, {20.0 / 119});
  v.first.skipNegativeST = true;
  v.first.Triangulate();
  EXPECT_DOUBLE_EQ(v.first.ReconstructionError(), 50);
  EXPECT_DOUBLE_EQ(v.second.ReconstructionError(), 50);
}

TEST(CameraModelTriangulation, ParallelRaysGiveTheDistanceBetweenTheLines) {
  // Same orientation, second camera 50 further back: the rays through (1, 2) are parallel,
  // so the first ray point is the plane point and the gap is the distance between the lines.
  TwoViews v;
  v.second.SetDistance(100);
  v.SetPoints({1}, {2}, {1}, {2});
  v.first.Triangulate();
  EXPECT_THAT(v.first.rayPoints[0], Vec3Near(Vec3{1, 2, 50}, 1e-12));
  EXPECT_NEAR(v.first.ReconstructionError(), std::log(std::sqrt(2500 - 500.0 * 500 / 105)), 1e-12);
}

TEST(CameraModelError, SumsOnlyThePairsBothViewsHold) {
  TwoViews v;
  EXPECT_EQ(v.first.ReconstructionError(), -std::numeric_limits<double>::infinity());
  v.first.AllocatePoints(3);
  EXPECT_EQ(v.first.ReconstructionError(), -std::numeric_limits<double>::infinity());
  v.second.AllocatePoints(1);
  v.first.rayPoints[0] = Vec3{3, 4, 0};
  v.first.rayPoints[2] = Vec3{1e6, 0, 0};
  EXPECT_DOUBLE_EQ(v.first.ReconstructionError(), std::log(5.0));
}

TEST(CameraModelIncrements, AddToAngleWrapsOnceAndSnapsToZero) {
  const struct {
    double start, delta, expected;
  } cases[] = {
      {6.2, 0.1, 6.3 - kTwoPi},
      {-6.2, -0.1, kTwoPi - 6.3},
      {0.05, -0.05 + 1e-9, 0.0},
      {0.0, 1e-8, 1e-8},
      {0.0, -1e-8, -1e-8},
      {0.0, 9.9e-9, 0.0},
      {1.0, 0.5, 1.5},
      {kTwoPi - 0.5, 0.5, 0.0},
      {20.0, 0.0, 20.0 - kTwoPi},  // one subtraction only, even when that does not suffice
  };
  for (const auto& c : cases) {
    double angle = c.start;
    CameraModel::AddToAngle(angle, c.delta);
    EXPECT_NEAR(angle, c.expected, 1e-12) << c.start << " + " << c.delta;
    if (c.expected == 0) {
      EXPECT_EQ(angle, 0.0) << "snapped exactly";
    }
  }
}

}  // namespace
}  // namespace velmora
