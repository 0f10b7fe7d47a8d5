#include "data/import/ImportMath.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

namespace velmora {

bool UndistortPixels(const PinholeCamera& camera, const std::vector<double>& u,
                     const std::vector<double>& v, std::vector<double>& x, std::vector<double>& y,
                     std::string& why, int iterations) {
  if (!(camera.fx != 0 && camera.fy != 0) || !std::isfinite(camera.fx) ||
      !std::isfinite(camera.fy) || !std::isfinite(camera.cx) || !std::isfinite(camera.cy)) {
    why = "the camera matrix is singular or not finite";
    return false;
  }
  const std::size_t n = u.size();
  x.resize(n);
  y.resize(n);
  if (n == 0) return true;
  cv::Mat pixels(static_cast<int>(n), 1, CV_64FC2);
  for (std::size_t i = 0; i < n; ++i)
    pixels.at<cv::Vec2d>(static_cast<int>(i)) = cv::Vec2d(u[i], v[i]);
  const cv::Matx33d k(camera.fx, 0, camera.cx, 0, camera.fy, camera.cy, 0, 0, 1);
  cv::Mat normal;
  if (camera.distortion.empty()) {
    // Nothing to iterate: the plain inverse of the camera matrix.
    normal.create(pixels.size(), CV_64FC2);
    for (std::size_t i = 0; i < n; ++i)
      normal.at<cv::Vec2d>(static_cast<int>(i)) =
          cv::Vec2d((u[i] - camera.cx) / camera.fx, (v[i] - camera.cy) / camera.fy);
  } else {
    const cv::TermCriteria until(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, iterations,
                                 kUndistortTolerance);
    cv::undistortPoints(pixels, normal, k, cv::Mat(camera.distortion), cv::noArray(), cv::noArray(),
                        until);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const cv::Vec2d p = normal.at<cv::Vec2d>(static_cast<int>(i));
    x[i] = p[0], y[i] = p[1];
  }
  return true;
}

CameraParams ParamsFromPose(const double turn[3][3], const Vec3& centre, double focalLength) {
  CameraParams p;
  p.focalLength = focalLength;
  const double radius = std::sqrt(Dot(centre, centre));
  p.distance = radius - focalLength;
  // cameraPosition = radius (cos alt sin az, -sin alt, cos alt cos az).
  p.azimuth = std::atan2(centre.x, centre.z);
  p.altitude = std::atan2(-centre.y, std::hypot(centre.x, centre.z));
  const double sa = std::sin(p.azimuth), ca = std::cos(p.azimuth);
  const double se = std::sin(p.altitude), ce = std::cos(p.altitude);
  const double orbit[3][3] = {{ca, se * sa, ce * sa}, {0, ce, -se}, {-sa, se * ca, ce * ca}};
  // look = orbit^T turn = Ry(pan) Rx(tilt) Rz(rotation).
  double look[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      look[r][c] = orbit[0][r] * turn[0][c] + orbit[1][r] * turn[1][c] + orbit[2][r] * turn[2][c];
  p.pan = std::atan2(look[0][2], look[2][2]);
  p.tilt = std::atan2(-look[1][2], std::hypot(look[0][2], look[2][2]));
  p.rotation = std::atan2(look[1][0], look[1][1]);
  // atan2 gives -0 for a straight camera; the files and the panels show 0.
  for (double* angle : {&p.azimuth, &p.altitude, &p.pan, &p.tilt, &p.rotation}) *angle += 0.0;
  return p;
}

}  // namespace velmora

namespace velmora {

std::string CheckRotation(const double r[3][3]) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!std::isfinite(r[i][j])) return "the rotation is not finite";
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double dot = r[i][0] * r[j][0] + r[i][1] * r[j][1] + r[i][2] * r[j][2];
      if (std::abs(dot - (i == j ? 1.0 : 0.0)) > 1e-6) return "the rotation is not orthonormal";
    }
  const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                     r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                     r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
  if (det < 0) return "the rotation is a reflection (determinant -1)";
  return {};
}

std::string LineAt(const std::string& path, std::size_t line) {
  return path + ":" + std::to_string(line) + ": ";
}

}  // namespace velmora
