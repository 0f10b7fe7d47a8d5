#pragma once
// The error landscape around the current pose: the error along one camera parameter (a
// profile) or over two (a slice), each trial value set, recomputed silently and the
// cameras put back bit for bit, as the maps do. Core code: no OpenGL.

#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "render/MapSettings.h"

namespace velmora {

// The seven parameters of a view, in the order the command line lists them.
enum class CameraParam { kAzimuth, kAltitude, kRotation, kFocalLength, kDistance, kPan, kTilt };
inline constexpr int kCameraParamCount = 7;

// "azimuth", "altitude", "rotation", "focal", "distance", "pan", "tilt".
const char* CameraParamName(CameraParam param);
bool ParseCameraParam(const std::string& text, CameraParam& param);
double GetCameraParam(const CameraParams& p, CameraParam param);
void SetCameraParam(CameraParams& p, CameraParam param, double value);

// Grid points unless told otherwise: a profile's line (its ladder comes on top), a
// slice's side.
inline constexpr int kProfileSteps = 201, kSliceSteps = 101;

// One parameter of one view (0 first, 1 second), tried over offsets within +-range.
struct LandscapeAxis {
  int view = 1;
  CameraParam param = CameraParam::kAzimuth;
  double range = 0.5;
  int steps = kProfileSteps;  // points of the linear grid, both ends included
};

// Where the profile of an axis samples, ascending and without repeats: 0 (the exact
// current value), a geometric ladder of offsets near it on both sides, from 1e-6 of the
// range up to a tenth of it (the minimum of the error is often a narrow spike that a
// uniform grid misses), and the linear grid from -range to +range.
std::vector<double> ProfileOffsets(double range, int steps);
// The linear grid alone, 0 among its points when steps is odd.
std::vector<double> GridOffsets(double range, int steps);

struct LandscapeSample {
  double offset = 0, value = 0;    // along the first axis
  double offset2 = 0, value2 = 0;  // along the second axis (a slice)
  double error = 0;
  // A rejected pair (kRejectedScore or more), or for the baseline error coincident centres.
  bool rejected = false;
};

// Scores every point of offsets (one offset per axis, axes.size() of them per point) with
// the error of the given kind: the axes' parameters set to their current values plus the
// offsets, every other parameter as it stands. An all-zero point scores the cameras as they
// stand, without recomputing, so it is what the views show. The cameras end exactly as they
// started. Both views must be linked to each other. A watcher (settings.progress) that says
// stop leaves the points not yet scored at the current pose's error: the caller drops them.
std::vector<double> ScoreLandscape(CameraModel& first, CameraModel& second,
                                   const std::vector<LandscapeAxis>& axes,
                                   const std::vector<double>& offsets, ErrorKind kind,
                                   const MapSettings& settings = {});

// The profile along one axis at ProfileOffsets.
std::vector<LandscapeSample> ComputeProfile(CameraModel& first, CameraModel& second,
                                            const LandscapeAxis& axis, ErrorKind kind,
                                            const MapSettings& settings = {});
// What a picture of a profile or a slice shows: the samples, the axes' names and current
// values, the error kind, and the parameters held fixed.
struct LandscapeFigure {
  std::vector<LandscapeSample> samples;
  bool slice = false;
  int columns = 0, rows = 0;  // a slice's grid: the first axis across, the second down
  std::string label, label2;  // "second view azimuth"
  double current = 0, current2 = 0;
  ErrorKind kind = ErrorKind::kPlain;
  std::vector<std::string> fixed;  // "first view: azimuth 0, altitude 0, ..."
};
// The figure of samples along axis (and axis2, for a slice) with the cameras as they stand.
LandscapeFigure DescribeLandscape(const CameraModel& first, const CameraModel& second,
                                  std::vector<LandscapeSample> samples, ErrorKind kind,
                                  const LandscapeAxis& axis, const LandscapeAxis* axis2 = nullptr);
// "first view" or "second view".
const char* ViewLabel(int view);

// The slice over two axes: their grids (GridOffsets), the first axis varying fastest.
std::vector<LandscapeSample> ComputeSlice(CameraModel& first, CameraModel& second,
                                          const LandscapeAxis& axis, const LandscapeAxis& axis2,
                                          ErrorKind kind, const MapSettings& settings = {});

}  // namespace velmora
