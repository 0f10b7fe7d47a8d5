#pragma once
// The camera of one view: seven parameters, the two rotations built from them, the
// image plane in the scene, the view's image points and their triangulation against
// the other view. No UI here: a view panel owns one and is told of changes through
// onViewsChanged.
//
// Choices where the plain formulas would fail:
// - Parallel rays (the closest-point denominator is exactly 0 or not finite): t = 0 and s
//   is the foot of P1 on ray 2 (0 when ray 2 has no direction), so the stored gap is the
//   distance between the two lines. With skipNegativeST the pair is rejected (t is not > 0).
// - Nothing reads past an array: a null otherView, differing counts or arrays shorter than
//   imagePointCount give no pairs (Triangulate writes nothing, GetMidpoint leaves its
//   output alone, ReconstructionError sums only the pairs both views hold).

#include <functional>
#include <vector>

#include "base/Vec3.h"
#include "camera/ErrorKind.h"

namespace velmora {

// What a pose scores when "No s,t<0" rejects one of its pairs: the rejected pair's ray
// points lie exp(kRejectedScore) apart, so the error, log(sqrt(sum of squared gaps)),
// comes to this value (a little more with the other pairs' gaps).
constexpr double kRejectedScore = 50.0;

// Change masks of UpdateCamera.
enum : int { VIEW_AZALT = 1, VIEW_PANTILT = 2, VIEW_LENS = 4, VIEW_ALL = 7 };

struct CameraParams {
  double azimuth = 0, altitude = 0, rotation = 0;
  double focalLength = 10, distance = 50;
  double pan = 0, tilt = 0;
  bool operator==(const CameraParams&) const = default;
};

// The seven parameters, in the order the panels list them.
inline constexpr double CameraParams::*kCameraParamMembers[] = {
    &CameraParams::azimuth,     &CameraParams::altitude, &CameraParams::rotation,
    &CameraParams::focalLength, &CameraParams::distance, &CameraParams::pan,
    &CameraParams::tilt};

// The five per-point arrays of a view, zero-filled, made aside: a load that does not fit in
// memory then changes no view.
struct PointArrays {
  int count = 0;
  std::vector<double> imageX, imageY;
  std::vector<Vec3> planePoints, pointColors, rayPoints;
};
// Arrays for n points (a negative n counts as 0); throws std::bad_alloc when they do not fit.
PointArrays MakePointArrays(int n);

class CameraModel {
 public:
  CameraModel() = default;
  CameraModel(const CameraModel&) = delete;
  CameraModel& operator=(const CameraModel&) = delete;

  void UpdateCamera(int mask);
  void ComputeRotations();
  void ComputePositionAndCorners(int mask);
  void PlaneToWorld(double x, double y, Vec3& out) const;
  void Triangulate();
  double ReconstructionError() const;
  // The error of the given kind; the plain kind is ReconstructionError().
  double ReconstructionError(ErrorKind kind) const;
  void GetMidpoint(int i, Vec3& out) const;
  int GetPointCount() const { return imagePointCount; }

  // The image-plane point whose PlaneToWorld lies on the line from cameraPosition through
  // scenePoint. False (x, y untouched) when the point is not in front of the camera.
  // Uses the matrices of the last ComputeRotations.
  bool ProjectToImage(const Vec3& scenePoint, double& x, double& y) const;

  // Replaces the five point arrays with zero-filled ones of n entries and clears the
  // means; the caller fills imageX/imageY and the means, then runs UpdateCamera. A
  // negative n counts as 0. Throws std::bad_alloc, the view unchanged, when they do not fit.
  void AllocatePoints(int n);
  // The same with arrays already made; cannot fail.
  void TakePointArrays(PointArrays&& arrays);

  // The seven parameters are kept behind setters, so that the orbit radius always is
  // distance + focal length.
  const CameraParams& GetParams() const { return params_; }
  // Stores all seven (no recomputation).
  void SetParams(const CameraParams& p);
  void GetAzAlt(double& az, double& alt) const { az = params_.azimuth, alt = params_.altitude; }
  void SetAzAlt(double az, double alt) { params_.azimuth = az, params_.altitude = alt; }
  void GetPanTilt(double& p, double& t) const { p = params_.pan, t = params_.tilt; }
  void SetPanTilt(double p, double t) { params_.pan = p, params_.tilt = t; }
  double GetRotation() const { return params_.rotation; }
  void SetRotation(double r) { params_.rotation = r; }
  double GetFocalLength() const { return params_.focalLength; }
  void SetFocalLength(double f);
  double GetDistance() const { return params_.distance; }
  void SetDistance(double d);
  double GetOrbitRadius() const { return orbitRadius_; }
  void GetCameraPosition(double& x, double& y, double& z) const;
  float GetScale() const { return scale_; }
  void SetScale(float s) { scale_ = s; }

  // Increment rules of the panel controls, on a copy of the parameters (SetParams stores
  // it); they do not recompute the camera.
  static void AddToAngle(double& angle, double delta);
  static void AddToLength(double& length, double delta);

  // Rows first.
  double orbitMatrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double lookMatrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3 cameraPosition;
  Vec3 planeCorners[4];
  int imagePointCount = 0;
  std::vector<double> imageX, imageY;
  std::vector<Vec3> planePoints, pointColors, rayPoints;
  CameraModel* otherView = nullptr;
  double meanX = 0, meanY = 0;
  bool skipNegativeST = false;

  // Called by UpdateCamera with a non-zero mask (the view posts UWM_VIEWS_CHANGED).
  std::function<void(int mask)> onViewsChanged;

 private:
  // The pairs ReconstructionError sums: those both views hold.
  std::size_t ScoredPairs() const;

  CameraParams params_;
  double orbitRadius_ = 60;  // distance + focal length
  float scale_ = 1.0f;
};

// Replaces the view's point arrays with n points from x and y and sets the means (0 when
// n is 0); recomputes nothing. A negative n counts as 0. Throws std::bad_alloc, the view
// unchanged, when the points do not fit in memory.
void StoreImagePoints(CameraModel& view, const double* x, const double* y, int n);
// The same into arrays already made (arrays.count points from x and y); cannot fail.
void StoreImagePoints(CameraModel& view, PointArrays arrays, const double* x, const double* y);

// The model half of a view's point load: StoreImagePoints, then UpdateCamera(VIEW_ALL).
void LoadImagePoints(CameraModel& view, const double* x, const double* y, int n);

}  // namespace velmora
