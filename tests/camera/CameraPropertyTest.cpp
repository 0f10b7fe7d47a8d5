// Properties over seeded random poses: the rotations are the products of the elementary
// turns.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

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

TEST(RandomPoses, RotationsAreProductsOfTheTurnsAndTheCameraOrbitsTheOrigin) {
  std::mt19937 rng{20240611};
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<>(lo, hi)(rng);
  };
  for (int trial = 0; trial < 20; ++trial) {
    CameraModel cam;
    const CameraParams p{uniform(-3.1, 3.1), uniform(-1.2, 1.2), uniform(-3.1, 3.1), uniform(5, 20),
                         uniform(30, 80),    uniform(-3.1, 3.1), uniform(-1.5, 1.5)};
    cam.SetParams(p);
    cam.UpdateCamera(VIEW_ALL);
    const Mat orbit = Product(Ry(p.azimuth), Rx(p.altitude));
    const Mat look = Product(Product(Ry(p.pan), Rx(p.tilt)), Rz(p.rotation));
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(cam.orbitMatrix[i][j], orbit[i][j], 1e-12) << "orbit " << i << j;
        EXPECT_NEAR(cam.lookMatrix[i][j], look[i][j], 1e-12) << "look " << i << j;
      }
    const double r = p.distance + p.focalLength;
    EXPECT_THAT(cam.cameraPosition, Vec3Near(Vec3{r * std::cos(p.altitude) * std::sin(p.azimuth),
                                                  -r * std::sin(p.altitude),
                                                  r * std::cos(p.altitude) * std::cos(p.azimuth)},
                                             1e-9));
  }
}

}  // namespace
}  // namespace velmora
