// Properties over seeded random poses: the rotations stay rotations, and image points made
// by projecting scene points triangulate back to those points.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "camera/CameraModel.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

using test::Vec3Near;

using Mat = std::array<std::array<double, 3>, 3>;

Mat Rx(double a) {
  return {{{1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)}}};
}
Mat Ry(double a) {
  return {{{std::cos(a), 0, std::sin(a)}, {0, 1, 0}, {-std::sin(a), 0, std::cos(a)}}};
}
Mat Rz(double a) {
  return {{{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
}
Mat Product(const Mat& a, const Mat& b) {
  Mat r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
  return r;
}

void ExpectMatrixNear(const double m[3][3], const Mat& expected, const char* what) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[i][j], expected[i][j], 1e-12) << what << i << j;
}

class RandomPoses : public testing::Test {
 protected:
  std::mt19937 rng{20240611};
  double Uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }

  // A pose that keeps the scene origin well inside the field of view.
  CameraParams RandomPose() {
    CameraParams p;
    p.azimuth = Uniform(-3.1, 3.1);
    p.altitude = Uniform(-1.2, 1.2);
    p.rotation = Uniform(-3.1, 3.1);
    p.focalLength = Uniform(5, 20);
    p.distance = Uniform(30, 80);
    p.pan = Uniform(-0.05, 0.05);
    p.tilt = Uniform(-0.05, 0.05);
    return p;
  }
};

TEST_F(RandomPoses, RotationsAreTheProductsOfTheElementaryTurns) {
  for (int trial = 0; trial < 50; ++trial) {
    CameraModel cam;
    CameraParams p = RandomPose();
    p.pan = Uniform(-3.1, 3.1), p.tilt = Uniform(-1.5, 1.5);
    cam.SetParams(p);
    cam.ComputeRotations();
    ExpectMatrixNear(cam.orbitMatrix, Product(Ry(p.azimuth), Rx(p.altitude)), "orbit");
    ExpectMatrixNear(cam.lookMatrix, Product(Product(Ry(p.pan), Rx(p.tilt)), Rz(p.rotation)),
                     "look");
    for (const auto* m : {&cam.orbitMatrix, &cam.lookMatrix}) {
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
          double dot = 0;
          for (int k = 0; k < 3; ++k) dot += (*m)[i][k] * (*m)[j][k];
          EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-12);
        }
    }
  }
}

TEST_F(RandomPoses, CameraOrbitsOriginAndPlaneCentreIsOneFocalLengthAway) {
  for (int trial = 0; trial < 50; ++trial) {
    CameraModel cam;
    const CameraParams p = RandomPose();
    cam.SetParams(p);
    cam.UpdateCamera(VIEW_ALL);
    const double r = p.distance + p.focalLength;
    EXPECT_THAT(cam.cameraPosition, Vec3Near(Vec3{r * std::cos(p.altitude) * std::sin(p.azimuth),
                                                  -r * std::sin(p.altitude),
                                                  r * std::cos(p.altitude) * std::cos(p.azimuth)},
                                             1e-9));
    Vec3 centre;
    cam.PlaneToWorld(0, 0, centre);
    const double dx = centre.x - cam.cameraPosition.x, dy = centre.y - cam.cameraPosition.y,
                 dz = centre.z - cam.cameraPosition.z;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), p.focalLength, 1e-9);
    // The rectangle's corners keep its shape: 2 * 4.096 wide, 2 * 3.072 high.
    const Vec3& tl = cam.planeCorners[0];
    const Vec3& tr = cam.planeCorners[1];
    const Vec3& br = cam.planeCorners[2];
    EXPECT_NEAR(std::hypot(tr.x - tl.x, tr.y - tl.y, tr.z - tl.z), 8.192, 1e-9);
    EXPECT_NEAR(std::hypot(br.x - tr.x, br.y - tr.y, br.z - tr.z), 6.144, 1e-9);
  }
}

TEST_F(RandomPoses, ProjectedPointsTriangulateBackToThemselves) {
  for (int trial = 0; trial < 30; ++trial) {
    CameraModel first, second;
    first.otherView = &second;
    second.otherView = &first;
    first.SetParams(RandomPose());
    second.SetParams(RandomPose());
    // Keep the baseline wide enough that the two rays are not nearly parallel.
    second.SetAzAlt(first.azimuth + Uniform(0.4, 1.2) * (trial % 2 ? 1 : -1), second.altitude);
    first.UpdateCamera(0);
    second.UpdateCamera(0);

    const int n = 20;
    std::vector<Vec3> scene(n);
    for (Vec3& s : scene) s = Vec3{Uniform(-5, 5), Uniform(-5, 5), Uniform(-5, 5)};
    first.AllocatePoints(n);
    second.AllocatePoints(n);
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(first.ProjectToImage(scene[i], first.imageX[i], first.imageY[i]));
      ASSERT_TRUE(second.ProjectToImage(scene[i], second.imageX[i], second.imageY[i]));
    }
    first.UpdateCamera(VIEW_ALL);
    second.UpdateCamera(VIEW_ALL);
    for (int i = 0; i < n; ++i) {
      Vec3 mid{1e9, 1e9, 1e9};
      first.GetMidpoint(i, mid);
      EXPECT_THAT(mid, Vec3Near(scene[i], 1e-6)) << "trial " << trial << " point " << i;
    }
    EXPECT_LT(first.ReconstructionError(), -15) << "trial " << trial;

    // The scene points lie in front of both cameras, beyond the image planes.
    first.skipNegativeST = true;
    first.Triangulate();
    EXPECT_LT(first.ReconstructionError(), -15) << "trial " << trial;
  }
}

TEST_F(RandomPoses, ErrorDoesNotDependOnWhichViewTriangulates) {
  for (int trial = 0; trial < 30; ++trial) {
    CameraModel first, second;
    first.otherView = &second;
    second.otherView = &first;
    first.SetParams(RandomPose());
    second.SetParams(RandomPose());
    const int n = 10;
    first.AllocatePoints(n);
    second.AllocatePoints(n);
    // Unrelated image points: the rays miss each other by a clear margin.
    for (int i = 0; i < n; ++i) {
      first.imageX[i] = Uniform(-3, 3), first.imageY[i] = Uniform(-2, 2);
      second.imageX[i] = Uniform(-3, 3), second.imageY[i] = Uniform(-2, 2);
    }
    first.UpdateCamera(0);
    second.UpdateCamera(0);
    first.Triangulate();
    const double fromFirst = first.ReconstructionError();
    std::vector<Vec3> midFirst(n);
    for (int i = 0; i < n; ++i) first.GetMidpoint(i, midFirst[i]);
    for (Vec3& p : first.rayPoints) p = Vec3{};
    for (Vec3& p : second.rayPoints) p = Vec3{};
    second.Triangulate();
    EXPECT_TRUE(std::isfinite(fromFirst));
    EXPECT_NEAR(second.ReconstructionError(), fromFirst, 1e-9);
    EXPECT_NEAR(first.ReconstructionError(), fromFirst, 1e-9);
    for (int i = 0; i < n; ++i) {
      Vec3 mid;
      second.GetMidpoint(i, mid);
      EXPECT_THAT(mid, Vec3Near(midFirst[i], 1e-6));
    }
  }
}

TEST_F(RandomPoses, ProjectToImageAndPlaneToWorldAreInverse) {
  for (int trial = 0; trial < 50; ++trial) {
    CameraModel cam;
    CameraParams p = RandomPose();
    p.pan = Uniform(-1, 1), p.tilt = Uniform(-1, 1);
    cam.SetParams(p);
    cam.UpdateCamera(0);
    const double x = Uniform(-4, 4), y = Uniform(-3, 3);
    Vec3 onPlane;
    cam.PlaneToWorld(x, y, onPlane);
    // Any point further along the same ray projects back to (x, y).
    const double k = Uniform(1, 5);
    const Vec3& c = cam.cameraPosition;
    const Vec3 far{c.x + k * (onPlane.x - c.x), c.y + k * (onPlane.y - c.y),
                   c.z + k * (onPlane.z - c.z)};
    double px = 0, py = 0;
    ASSERT_TRUE(cam.ProjectToImage(far, px, py));
    EXPECT_NEAR(px, x, 1e-9);
    EXPECT_NEAR(py, y, 1e-9);
    // Behind the centre of projection on the same line: not in front.
    const Vec3 behind{c.x - k * (onPlane.x - c.x), c.y - k * (onPlane.y - c.y),
                      c.z - k * (onPlane.z - c.z)};
    EXPECT_FALSE(cam.ProjectToImage(behind, px, py));
  }
}

}  // namespace
}  // namespace velmora
