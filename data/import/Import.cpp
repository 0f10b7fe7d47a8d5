#include "data/import/Import.h"

#include <algorithm>
#include <cmath>

#include "data/import/ImportMath.h"

namespace velmora {

namespace {

// The views' focal length and the first view's orbit radius: the first view keeps its
// default parameters, so a position file (which cannot hold its angles) describes it.
constexpr CameraParams kFirstView{};

// Image-plane half extents at scale 1 (CameraModel's plane corners).
constexpr double kHalfWidth = 4.096, kHalfHeight = 3.072;
// The points fill this much of the image plane.
constexpr double kFill = 0.9;

using Mat3 = double[3][3];

// c = a b^T.
void MulByTransposed(const Mat3& a, const Mat3& b, Mat3& c) {
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) c[r][k] = a[r][0] * b[k][0] + a[r][1] * b[k][1] + a[r][2] * b[k][2];
}

double Norm(const Vec3& v) {
  return std::sqrt(Dot(v, v));
}

}  // namespace

bool ConvertToViews(const TwoViewInput& in, ImportedViews& out, std::string& why) {
  const std::string& src = in.source;
  const std::size_t n = in.u1.size();
  if (in.v1.size() != n || in.u2.size() != n || in.v2.size() != n) {
    why = src + ": mismatched point counts: " + std::to_string(n) + " in the first image, " +
          std::to_string(in.u2.size()) + " in the second";
    return false;
  }
  if (n < static_cast<std::size_t>(kMinimumMatches)) {
    why = src + ": " + std::to_string(n) + " matches; at least " + std::to_string(kMinimumMatches) +
          " are needed";
    return false;
  }
  for (const CameraPose& pose : in.poses) {
    const std::string bad = CheckRotation(pose.R);
    if (!bad.empty()) {
      why = src + ": " + bad;
      return false;
    }
    if (!std::isfinite(pose.t[0]) || !std::isfinite(pose.t[1]) || !std::isfinite(pose.t[2])) {
      why = src + ": the translation is not finite";
      return false;
    }
  }
  std::vector<double> x1, y1, x2, y2;
  for (int c = 0; c < 2; ++c) {
    std::string bad;
    if (!UndistortPixels(in.cameras[c], c == 0 ? in.u1 : in.u2, c == 0 ? in.v1 : in.v2,
                         c == 0 ? x1 : x2, c == 0 ? y1 : y2, bad)) {
      why = src + ": camera " + std::to_string(c + 1) + ": " + bad;
      return false;
    }
  }

  // The second camera relative to the first: c2 = R c1 + T.
  const CameraPose& p1 = in.poses[0];
  const CameraPose& p2 = in.poses[1];
  Mat3 rel;
  MulByTransposed(p2.R, p1.R, rel);
  const Vec3 t1{p1.t[0], p1.t[1], p1.t[2]};
  const Vec3 rt1 = Mul(rel, t1);
  const Vec3 t{p2.t[0] - rt1.x, p2.t[1] - rt1.y, p2.t[2] - rt1.z};
  const double size = 1 + Norm(t1) + std::hypot(p2.t[0], p2.t[1], p2.t[2]);
  if (!(Norm(t) > 1e-12 * size)) {
    why = src + ": the two cameras coincide (no baseline)";
    return false;
  }
  Mat3 relT;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) relT[r][c] = rel[c][r];
  const Vec3 rtT = Mul(relT, t);
  const Vec3 centre2{-rtT.x, -rtT.y, -rtT.z};  // in the first camera's frame

  // Midpoints of the rays' closest points, in the first camera's frame; their depths.
  std::vector<double> depth(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 d1{x1[i], y1[i], 1};
    const Vec3 d2 = Mul(relT, Vec3{x2[i], y2[i], 1});
    const Vec3 w = Sub(Vec3{}, centre2);
    const double a = Dot(d1, d1), b = Dot(d1, d2), c = Dot(d2, d2);
    const double e1 = Dot(d1, w), e2 = Dot(d2, w);
    const double det = a * c - b * b;
    const double s1 = (b * e2 - c * e1) / det, s2 = (a * e2 - b * e1) / det;
    depth[i] = 0.5 * (s1 * d1.z + centre2.z + s2 * d2.z);
  }
  std::vector<double> sorted = depth;
  const std::size_t mid = n / 2;
  std::nth_element(sorted.begin(), sorted.begin() + mid, sorted.end());
  double median = sorted[mid];
  if (n % 2 == 0) median = 0.5 * (median + *std::max_element(sorted.begin(), sorted.begin() + mid));
  if (!(median > 0) || !std::isfinite(median)) {
    why = src + ": the points do not lie in front of the first camera (median depth " +
          std::to_string(median) + ")";
    return false;
  }

  const double focal = kFirstView.focalLength;
  const double radius = kFirstView.distance + focal;
  const double s = radius / median;
  // Scene = s S c1 + (0, 0, radius) with S = diag(1, -1, -1); the second camera's
  // camera-to-scene rotation is S R^T S.
  const Vec3 scene2{s * centre2.x, -s * centre2.y, radius - s * centre2.z};
  Mat3 turn;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) turn[r][c] = relT[r][c] * (r == 0 ? 1 : -1) * (c == 0 ? 1 : -1);
  ImportedViews result;
  result.first = kFirstView;
  result.second = ParamsFromPose(turn, scene2, focal);
  result.sceneScale = s;
  result.medianDepth = median;

  VectorData& data = result.data;
  data.count = static_cast<int>(n);
  data.firstX.resize(n), data.firstY.resize(n), data.secondX.resize(n), data.secondY.resize(n);
  double reach = 0;  // largest extent as a fraction of the plane at scale 1
  for (std::size_t i = 0; i < n; ++i) {
    data.firstX[i] = focal * x1[i], data.firstY[i] = -focal * y1[i];
    data.secondX[i] = focal * x2[i], data.secondY[i] = -focal * y2[i];
    reach = std::max(
        {reach, std::abs(data.firstX[i]) / kHalfWidth, std::abs(data.secondX[i]) / kHalfWidth,
         std::abs(data.firstY[i]) / kHalfHeight, std::abs(data.secondY[i]) / kHalfHeight});
  }
  if (!std::isfinite(reach)) {
    why = src + ": a point does not undistort to a finite position";
    return false;
  }
  result.scale = reach > 0 ? static_cast<float>(kFill / reach) : 1.0f;
  out = std::move(result);
  return true;
}

void PositionTargets(const ImportedViews& v, double (&targets)[kPositionTargetCount]) {
  const CameraParams& p = v.second;
  targets[POS_AZIMUTH] = p.azimuth, targets[POS_ALTITUDE] = p.altitude;
  targets[POS_ROTATION] = p.rotation, targets[POS_FOCAL_LENGTH] = p.focalLength;
  targets[POS_FIRST_DISTANCE] = v.first.distance, targets[POS_SECOND_DISTANCE] = p.distance;
  targets[POS_PAN] = p.pan, targets[POS_TILT] = p.tilt;
  targets[POS_SCALE] = v.scale;
}

bool ImportRigAndMatches(const std::vector<std::string>& rigFiles, const std::string& matches,
                         double pixelOrigin, ImportedViews& out, std::string& why) {
  TwoViewInput input;
  if (!ReadRigFiles(rigFiles, input, why) || !ReadMatchesFile(matches, pixelOrigin, input, why))
    return false;
  if (!input.posed) {
    why = rigFiles.front() + ": no rotation R and translation T";
    return false;
  }
  input.source = matches;
  return ConvertToViews(input, out, why);
}

bool ImportColmap(const std::string& dir, long firstImage, long secondImage, ImportedViews& out,
                  std::string& why) {
  TwoViewInput input;
  return ReadColmapPair(dir, firstImage, secondImage, input, why) &&
         ConvertToViews(input, out, why);
}

}  // namespace velmora
