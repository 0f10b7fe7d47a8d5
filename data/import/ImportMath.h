#pragma once
// The arithmetic of the import, apart from its files: undistortion, the inverse of the
// camera model's pose, and the conversion of a two-camera rig into the two views.

#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "data/import/Import.h"

namespace velmora {

// Undistortion stops after this many steps at most, or sooner when the reprojection is
// within kUndistortTolerance pixels; OpenCV's default of 5 steps is far from converged for
// a wide lens.
inline constexpr int kUndistortIterations = 200;
inline constexpr double kUndistortTolerance = 1e-12;

// Pixels (OpenCV's convention) to normalised coordinates x = X/Z, y = Y/Z of the camera,
// y down. False with the reason when the camera cannot be inverted.
bool UndistortPixels(const PinholeCamera& camera, const std::vector<double>& u,
                     const std::vector<double>& v, std::vector<double>& x, std::vector<double>& y,
                     std::string& why, int iterations = kUndistortIterations);

// The seven parameters whose camera has centre at the scene point centre and whose
// camera-to-scene rotation (camera axes x right, y up, looking along -z) is turn: the exact
// inverse of CameraModel's orbit and look matrices at the given focal length.
CameraParams ParamsFromPose(const double turn[3][3], const Vec3& centre, double focalLength);

}  // namespace velmora

namespace velmora {

// Every entry finite; a rotation (orthonormal within 1e-6, determinant +1). The reason
// otherwise, empty when fine.
std::string CheckRotation(const double r[3][3]);

// "path:line: ", the start of a refusal of one line of a text file.
std::string LineAt(const std::string& path, std::size_t line);

}  // namespace velmora
