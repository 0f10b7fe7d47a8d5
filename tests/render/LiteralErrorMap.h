#pragma once
// The error maps written the plain way: every trial on the real camera, one vertex after
// the other, with the fixed colour for a missing range and NaN taken as an outlier. The
// reference that the tests and the benchmark hold the fast maps against.

#include <cmath>
#include <vector>

#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "render/ErrorMaps.h"

namespace velmora::test {

// The maps as a careful reader would write them from their description.
inline void LiteralMap(FstShape& shape, CameraModel& moving, CameraModel& second, bool positions,
                       std::vector<double>* scores = nullptr, ErrorKind kind = ErrorKind::kPlain) {
  double a0, b0;
  positions ? moving.GetAzAlt(a0, b0) : moving.GetPanTilt(a0, b0);
  double min = 1.0e308, max = -1.0e308;
  const int n = shape.pointCount;
  if (scores) scores->assign(n, 0.0);
  for (int i = 0; i < n; ++i) {
    const double* p = &shape.sourceVertices[3 * i];
    double a, b;
    DirectionToAngles(p[0], p[1], p[2], a, b);
    positions ? moving.SetAzAlt(a, b) : moving.SetPanTilt(a, b);
    moving.UpdateCamera(0);
    const double s = second.ReconstructionError(kind);
    shape.vertexColours[3 * i] = s;
    if (scores) (*scores)[i] = s;
    if (s < min) min = s;
    if ((!positions || s < kRejectedScore) && s > max) max = s;
  }
  const double range = max - min;
  const bool flat = !(range > 0) || !std::isfinite(range);
  for (int i = 0; i < n; ++i) {
    double s = shape.vertexColours[3 * i];
    if (std::isnan(s) || (positions && s >= kRejectedScore)) s = min + range;
    const double v = flat ? 1.0 : (s - min) / range;
    const Vec3 c = ScoreToColour(flat ? 0.0 : (positions ? v * v : v));
    shape.vertexColours[3 * i] = c.x;
    shape.vertexColours[3 * i + 1] = c.y;
    shape.vertexColours[3 * i + 2] = c.z;
    if (positions && shape.radialScore)
      for (int k = 3 * i; k < 3 * i + 3; ++k) shape.vertices[k] = v * shape.sourceVertices[k];
  }
  positions ? moving.SetAzAlt(a0, b0) : moving.SetPanTilt(a0, b0);
  moving.UpdateCamera(0);
}

}  // namespace velmora::test
