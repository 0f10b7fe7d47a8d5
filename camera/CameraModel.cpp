#include "camera/CameraModel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/Notify.h"
#include "base/Vec3.h"
#include "camera/ClosestPoints.h"

namespace velmora {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kSnapToZero = 1e-8;
constexpr double kPlaneHalfWidth = 4.096;
constexpr double kPlaneHalfHeight = 3.072;

inline Vec3 MulTransposed(const double m[3][3], const Vec3& v) {
  return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z,
          m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
          m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
}

// How many entries every point array of the view really holds, capped by its count, so a
// count that disagrees with the arrays never leads outside them.
std::size_t UsablePoints(const CameraModel& view) {
  if (view.imagePointCount <= 0) return 0;
  std::size_t n = static_cast<std::size_t>(view.imagePointCount);
  n = std::min(
      {n, view.imageX.size(), view.imageY.size(), view.planePoints.size(), view.rayPoints.size()});
  return n;
}

}  // namespace

void CameraModel::ComputeRotations() {
  const double sa = std::sin(params_.azimuth), ca = std::cos(params_.azimuth);
  const double se = std::sin(params_.altitude), ce = std::cos(params_.altitude);
  orbitMatrix[0][0] = ca, orbitMatrix[0][1] = se * sa, orbitMatrix[0][2] = ce * sa;
  orbitMatrix[1][0] = 0, orbitMatrix[1][1] = ce, orbitMatrix[1][2] = -se;
  orbitMatrix[2][0] = -sa, orbitMatrix[2][1] = se * ca, orbitMatrix[2][2] = ce * ca;

  const double sp = std::sin(params_.pan), cp = std::cos(params_.pan);
  const double st = std::sin(params_.tilt), ct = std::cos(params_.tilt);
  const double sr = std::sin(params_.rotation), cr = std::cos(params_.rotation);
  lookMatrix[0][0] = cr * cp + sr * st * sp;
  lookMatrix[0][1] = cr * st * sp - sr * cp;
  lookMatrix[0][2] = ct * sp;
  lookMatrix[1][0] = sr * ct;
  lookMatrix[1][1] = cr * ct;
  lookMatrix[1][2] = -st;
  lookMatrix[2][0] = sr * st * cp - cr * sp;
  lookMatrix[2][1] = cr * st * cp + sr * sp;
  lookMatrix[2][2] = ct * cp;
}

void CameraModel::PlaneToWorld(double x, double y, Vec3& out) const {
  Vec3 v = Mul(lookMatrix, Vec3{x, y, -params_.focalLength});
  v.z += orbitRadius_;
  out = Mul(orbitMatrix, v);
}

bool CameraModel::ProjectToImage(const Vec3& scenePoint, double& x, double& y) const {
  Vec3 v = MulTransposed(orbitMatrix, scenePoint);
  v.z -= orbitRadius_;
  const Vec3 c = MulTransposed(lookMatrix, v);
  // The camera looks along -z; z >= 0 is beside or behind the centre of projection.
  if (!(c.z < 0)) return false;
  const double k = -params_.focalLength / c.z;
  x = c.x * k;
  y = c.y * k;
  return true;
}

void CameraModel::ComputePositionAndCorners(int mask) {
  cameraPosition = Mul(orbitMatrix, Vec3{0, 0, orbitRadius_});
  if (mask == 0) return;
  // A scale of 0 (typed, or from a short position file) is kept as the view's value, but
  // the rectangle is drawn at scale 1 rather than at infinity, as the scene does.
  const double k = scale_ == 0.0f ? 1.0 : 1.0 / scale_;
  const double w = kPlaneHalfWidth * k, h = kPlaneHalfHeight * k;
  PlaneToWorld(-w, h, planeCorners[0]);
  PlaneToWorld(w, h, planeCorners[1]);
  PlaneToWorld(w, -h, planeCorners[2]);
  PlaneToWorld(-w, -h, planeCorners[3]);
}

void CameraModel::UpdateCamera(int mask) {
  ComputeRotations();
  ComputePositionAndCorners(mask);
  const std::size_t n = UsablePoints(*this);
  for (std::size_t i = 0; i < n; ++i) PlaneToWorld(imageX[i], imageY[i], planePoints[i]);
  Triangulate();
  if (mask != 0 && onViewsChanged) onViewsChanged(mask);
}

void CameraModel::Triangulate() {
  if (otherView == nullptr) return;
  CameraModel& a = *this;
  CameraModel& b = *otherView;
  if (a.imagePointCount == 0 || b.imagePointCount == 0 || a.imagePointCount != b.imagePointCount)
    return;
  const std::size_t n = std::min(UsablePoints(a), UsablePoints(b));

  const Vec3 c1 = a.cameraPosition, c2 = b.cameraPosition;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 p1 = a.planePoints[i], p2 = b.planePoints[i];
    const Vec3 d2 = Sub(p2, c2);
    const ClosestPoints c = SolveClosestPoints(p1, Sub(p1, c1), p2, d2, Dot(d2, d2));
    if (a.skipNegativeST && !(c.s > 0 && c.t > 0)) {
      a.rayPoints[i] = Vec3{std::exp(kRejectedScore), 0, 0};
      b.rayPoints[i] = Vec3{0, 0, 0};
      return;
    }
    a.rayPoints[i] = c.first;
    b.rayPoints[i] = c.second;
  }
}

std::size_t CameraModel::ScoredPairs() const {
  if (otherView == nullptr) return 0;
  return std::min({static_cast<std::size_t>(std::max(imagePointCount, 0)),
                   static_cast<std::size_t>(std::max(otherView->imagePointCount, 0)),
                   rayPoints.size(), otherView->rayPoints.size()});
}

double CameraModel::ReconstructionError() const {
  double sum = 0;
  const std::size_t n = ScoredPairs();
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 d = Sub(rayPoints[i], otherView->rayPoints[i]);
    sum += Dot(d, d);
  }
  return std::log(std::sqrt(sum));
}

double CameraModel::ReconstructionError(ErrorKind kind) const {
  const double plain = ReconstructionError();
  if (kind == ErrorKind::kPlain || otherView == nullptr) return plain;
  const Vec3 c2 = otherView->cameraPosition;
  const Vec3 b = Sub(cameraPosition, c2);
  return BaselineError(plain, ScoredPairs(), std::sqrt(Dot(b, b)),
                       std::sqrt(Dot(cameraPosition, cameraPosition)) + std::sqrt(Dot(c2, c2)));
}

void CameraModel::GetMidpoint(int i, Vec3& out) const {
  if (i < 0 || i >= imagePointCount || otherView == nullptr ||
      otherView->imagePointCount != imagePointCount)
    return;
  const std::size_t k = static_cast<std::size_t>(i);
  if (k >= rayPoints.size() || k >= otherView->rayPoints.size()) return;
  const Vec3& p = rayPoints[k];
  const Vec3& q = otherView->rayPoints[k];
  out = Vec3{0.5 * (p.x + q.x), 0.5 * (p.y + q.y), 0.5 * (p.z + q.z)};
}

PointArrays MakePointArrays(int n) {
  const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
  PointArrays a;
  a.count = static_cast<int>(count);
  a.imageX.resize(count);
  a.imageY.resize(count);
  a.planePoints.resize(count);
  a.pointColors.resize(count);
  a.rayPoints.resize(count);
  return a;
}

void CameraModel::TakePointArrays(PointArrays&& a) {
  imageX.swap(a.imageX);
  imageY.swap(a.imageY);
  planePoints.swap(a.planePoints);
  pointColors.swap(a.pointColors);
  rayPoints.swap(a.rayPoints);
  imagePointCount = a.count;
  meanX = meanY = 0;
}

void CameraModel::AllocatePoints(int n) {
  TakePointArrays(MakePointArrays(n));
}

void CameraModel::SetFocalLength(double f) {
  params_.focalLength = f;
  orbitRadius_ = f + params_.distance;
}

void CameraModel::SetDistance(double d) {
  params_.distance = d;
  orbitRadius_ = params_.focalLength + d;
}

void CameraModel::GetCameraPosition(double& x, double& y, double& z) const {
  x = cameraPosition.x, y = cameraPosition.y, z = cameraPosition.z;
}

void CameraModel::SetParams(const CameraParams& p) {
  SetAzAlt(p.azimuth, p.altitude);
  SetRotation(p.rotation);
  SetFocalLength(p.focalLength);
  SetDistance(p.distance);
  SetPanTilt(p.pan, p.tilt);
}

void CameraModel::AddToAngle(double& angle, double delta) {
  double v = angle + delta;
  // One wrap is enough: the increments are small.
  if (std::fabs(v) >= kTwoPi) v -= (v >= 0 ? 1.0 : -1.0) * kTwoPi;
  angle = v;
  if (std::fabs(angle) < kSnapToZero) angle = 0;
}

void CameraModel::AddToLength(double& length, double delta) {
  length += delta;
  if (length < 0) length = 0;
}

void StoreImagePoints(CameraModel& view, const double* x, const double* y, int n) {
  StoreImagePoints(view, MakePointArrays(n), x, y);
}

void StoreImagePoints(CameraModel& view, PointArrays arrays, const double* x, const double* y) {
  const int n = arrays.count;
  view.TakePointArrays(std::move(arrays));
  double sumX = 0, sumY = 0;
  for (int i = 0; i < n; ++i) {
    view.imageX[i] = x[i];
    view.imageY[i] = y[i];
    sumX += x[i];
    sumY += y[i];
  }
  // With no points there is nothing to average; 0 keeps the mean ray finite.
  const double q = n > 0 ? 1.0 / n : 0.0;
  view.meanX = q * sumX;
  view.meanY = q * sumY;
}

void LoadImagePoints(CameraModel& view, const double* x, const double* y, int n) {
  StoreImagePoints(view, x, y, n);
  view.UpdateCamera(VIEW_ALL);
}

}  // namespace velmora
