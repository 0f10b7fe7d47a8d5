#include "data/import/Import.h"

#include <algorithm>
#include <cmath>

#include "camera/ClosestPoints.h"
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

namespace {

// What no conversion can start from: counts that differ or are too few, a pose that is
// not a rotation and a finite translation.
bool CheckInput(const TwoViewInput& in, std::string& why) {
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
  return true;
}

// The median depth, in the first camera's frame, of the midpoints of the rays' closest
// points (the first camera at the origin, the second at centre2 turned by relT).
double MedianDepth(const std::vector<double> (&x)[2], const std::vector<double> (&y)[2],
                   const Mat3& relT, const Vec3& centre2) {
  const std::size_t n = x[0].size();
  std::vector<double> depth(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 d2 = Mul(relT, Vec3{x[1][i], y[1][i], 1});
    const ClosestPoints c =
        SolveClosestPoints(Vec3{}, Vec3{x[0][i], y[0][i], 1}, centre2, d2, Dot(d2, d2));
    depth[i] = 0.5 * (c.first.z + c.second.z);
  }
  const std::size_t mid = n / 2;
  std::nth_element(depth.begin(), depth.begin() + mid, depth.end());
  double median = depth[mid];
  if (n % 2 == 0) median = 0.5 * (median + *std::max_element(depth.begin(), depth.begin() + mid));
  return median;
}

// The undistorted points on both views' image planes (y up) and the Scale that fits them
// to the plane; false when one is not finite.
bool PlacePoints(const std::vector<double> (&x)[2], const std::vector<double> (&y)[2], double focal,
                 VectorData& data, float& scale) {
  const std::size_t n = x[0].size();
  data.count = static_cast<int>(n);
  std::vector<double>* out[2][2] = {{&data.firstX, &data.firstY}, {&data.secondX, &data.secondY}};
  double reach = 0;  // largest extent as a fraction of the plane at scale 1
  for (int c = 0; c < 2; ++c) {
    out[c][0]->resize(n), out[c][1]->resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      (*out[c][0])[i] = focal * x[c][i], (*out[c][1])[i] = -focal * y[c][i];
      reach = std::max(
          {reach, std::abs((*out[c][0])[i]) / kHalfWidth, std::abs((*out[c][1])[i]) / kHalfHeight});
    }
  }
  if (!std::isfinite(reach)) return false;
  scale = reach > 0 ? static_cast<float>(kFill / reach) : 1.0f;
  return true;
}

}  // namespace

bool ConvertToViews(const TwoViewInput& in, ImportedViews& out, std::string& why) {
  const std::string& src = in.source;
  if (!CheckInput(in, why)) return false;
  std::vector<double> x[2], y[2];
  for (int c = 0; c < 2; ++c) {
    std::string bad;
    if (!UndistortPixels(in.cameras[c], c == 0 ? in.u1 : in.u2, c == 0 ? in.v1 : in.v2, x[c], y[c],
                         bad)) {
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

  const double median = MedianDepth(x, y, relT, centre2);
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
  if (!PlacePoints(x, y, focal, result.data, result.scale)) {
    why = src + ": a point does not undistort to a finite position";
    return false;
  }
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

void ApplyImport(const ImportedViews& v, Workbench& workbench,
                 const std::function<void()>& showValues) {
  // The pairs first: when they do not fit in memory, nothing has changed.
  workbench.LoadPointPairs(v.data);
  workbench.First().SetParams(v.first);
  double targets[kPositionTargetCount];
  PositionTargets(v, targets);
  workbench.ApplyPositionTargets(targets, showValues);
}

}  // namespace velmora
