#pragma once
// A known scene seen by two known cameras, written out in the field's own formats: the
// rig through OpenCV's FileStorage writer, pixels through OpenCV's projection, a COLMAP
// text model through our writer. The importer must give this scene back.

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace velmora::test {

struct SyntheticRig {
  cv::Matx33d K[2] = {{820, 0, 330.5, 0, 790, 251.25, 0, 0, 1},
                      {760, 0, 305, 0, 765, 236, 0, 0, 1}};
  // A wide lens: 5 undistortion steps leave it far from converged.
  cv::Mat D[2] = {(cv::Mat_<double>(1, 5) << -0.42, 0.21, 0.0013, -0.0021, -0.05),
                  (cv::Mat_<double>(1, 5) << -0.38, 0.17, -0.0011, 0.0017, -0.03)};
  // World-to-camera poses, OpenCV axes; the world is not the first camera's frame.
  cv::Vec3d rvec[2] = {{0.05, -0.12, 0.03}, {0.11, -0.55, 0.09}};
  cv::Vec3d tvec[2] = {{0.2, -0.1, 0.3}, {1.1, 0.05, 0.45}};
  std::vector<cv::Point3d> world;
  cv::Mat writtenR, writtenT;  // written instead of the true extrinsics when not empty
  std::vector<cv::Point2d> pixels[2];

  explicit SyntheticRig(int count = 40, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> lateral(-1.2, 1.2), depth(4.0, 9.0);
    // Points in front of the first camera, in world coordinates.
    const cv::Matx33d r0 = Rotation(0);
    while (static_cast<int>(world.size()) < count) {
      const double z = depth(rng);
      const cv::Vec3d cam(lateral(rng) * z * 0.42, lateral(rng) * z * 0.32, z);
      world.push_back(cv::Point3d(r0.t() * (cam - tvec[0])));
    }
    Project();
  }
  void Project() {
    for (int c = 0; c < 2; ++c) cv::projectPoints(world, rvec[c], tvec[c], K[c], D[c], pixels[c]);
  }
  // Lenses that COLMAP's OPENCV and RADIAL models hold exactly.
  void MakeColmapLenses() {
    D[0].at<double>(4) = 0;
    K[1](1, 1) = K[1](0, 0);
    D[1] = (cv::Mat_<double>(1, 5) << -0.38, 0.17, 0, 0, 0);
    Project();
  }

  cv::Matx33d Rotation(int c) const {
    cv::Matx33d r;
    cv::Rodrigues(rvec[c], r);
    return r;
  }
  // The second camera relative to the first: c2 = R c1 + T.
  cv::Matx33d RelativeR() const { return Rotation(1) * Rotation(0).t(); }
  cv::Vec3d RelativeT() const { return tvec[1] - RelativeR() * tvec[0]; }
  // A scene point in the first camera's frame.
  cv::Vec3d InFirst(int i) const { return Rotation(0) * cv::Vec3d(world[i]) + tvec[0]; }

  // The rig as stereo calibration stores it, in one file or split into intrinsics and
  // extrinsics; the extension picks YAML, XML or JSON.
  void WriteRig(const std::string& intrinsics, const std::string& extrinsics = "") const {
    cv::FileStorage in(intrinsics, cv::FileStorage::WRITE);
    in << "M1" << cv::Mat(K[0]) << "D1" << D[0] << "M2" << cv::Mat(K[1]) << "D2" << D[1];
    cv::FileStorage ex;
    if (!extrinsics.empty()) ex.open(extrinsics, cv::FileStorage::WRITE);
    cv::FileStorage& out = extrinsics.empty() ? in : ex;
    out << "R" << (writtenR.empty() ? cv::Mat(RelativeR()) : writtenR) << "T"
        << (writtenT.empty() ? cv::Mat(RelativeT()) : writtenT);
  }

  // u1 v1 u2 v2 rows with the given separator, the top-left pixel's centre at origin.
  std::string Matches(const char* separator, double origin = 0) const {
    std::string text = "# matched by hand\nu1" + std::string(separator) + "v1" + separator + "u2" +
                       separator + "v2\n";
    char line[200];
    for (std::size_t i = 0; i < world.size(); ++i) {
      std::snprintf(line, sizeof line, "%.17g%s%.17g%s%.17g%s%.17g\n", pixels[0][i].x + origin,
                    separator, pixels[0][i].y + origin, separator, pixels[1][i].x + origin,
                    separator, pixels[1][i].y + origin);
      text += line;
    }
    return text;
  }

  // A COLMAP text model (after MakeColmapLenses): camera 1 OPENCV, camera 2 RADIAL, a
  // third image, a point the second image misses, one that no 3D point holds.
  void WriteColmap(const std::string& dir) const {
    char buf[400];
    std::string cameras = "# Camera list with one line of data per camera:\n";
    const cv::Matx33d& a = K[0];
    const double* d = D[0].ptr<double>();
    std::snprintf(buf, sizeof buf,
                  "1 OPENCV 640 480 %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g\n", a(0, 0),
                  a(1, 1), a(0, 2) + 0.5, a(1, 2) + 0.5, d[0], d[1], d[2], d[3]);
    cameras += buf;
    const cv::Matx33d& b = K[1];
    const double* e = D[1].ptr<double>();
    std::snprintf(buf, sizeof buf, "2 RADIAL 640 480 %.17g %.17g %.17g %.17g %.17g\n", b(0, 0),
                  b(0, 2) + 0.5, b(1, 2) + 0.5, e[0], e[1]);
    cameras += buf;
    std::string images = "# Image list with two lines of data per image:\n";
    for (int c = 0; c < 3; ++c) {
      const int cam = c == 2 ? 0 : c;
      const cv::Matx33d r = Rotation(cam);
      // Quaternion of r (r is far from a half turn here, so w is not small).
      const double w = 0.5 * std::sqrt(1 + r(0, 0) + r(1, 1) + r(2, 2));
      std::snprintf(buf, sizeof buf, "%d %.17g %.17g %.17g %.17g %.17g %.17g %.17g %d im%d.png\n",
                    c + 1, -w, -(r(2, 1) - r(1, 2)) / (4 * w), -(r(0, 2) - r(2, 0)) / (4 * w),
                    -(r(1, 0) - r(0, 1)) / (4 * w), tvec[cam][0], tvec[cam][1], tvec[cam][2],
                    cam + 1, c + 1);
      images += buf;
      // Image 2 misses point 3; points are listed backwards, ids start at 100.
      for (int i = static_cast<int>(world.size()) - 1; i >= 0; --i) {
        if (c == 1 && i == 3) continue;
        std::snprintf(buf, sizeof buf, "%.17g %.17g %d ", pixels[cam][i].x + 0.5,
                      pixels[cam][i].y + 0.5, 100 + i);
        images += buf;
      }
      images += "1.5 2.5 -1\n";
    }
    FILE* f = std::fopen((dir + "/cameras.txt").c_str(), "w");
    std::fputs(cameras.c_str(), f);
    std::fclose(f);
    f = std::fopen((dir + "/images.txt").c_str(), "w");
    std::fputs(images.c_str(), f);
    std::fclose(f);
  }
};

}  // namespace velmora::test
