#include "render/ErrorColourScale.h"

#include <cmath>
#include <cstddef>
#include <new>

#include "base/Notify.h"
#include "camera/CameraModel.h"

namespace velmora {

namespace {

constexpr double kOutlierScore = kRejectedScore;
constexpr double kHueSpan = 0.7058823529411765;  // 12/17: blue-violet at 0, red at 1

double HueChannel(double h) {
  if (h < 1.0 / 6.0) return 6.0 * h;
  if (h < 0.5) return 1.0;
  if (h < 2.0 / 3.0) return (2.0 / 3.0 - h) * 6.0;
  return 0.0;
}

void SetColour(FstShape& shape, std::size_t v, const Vec3& c) {
  if (3 * v + 2 >= shape.vertexColours.size()) return;
  shape.vertexColours[3 * v] = c.x;
  shape.vertexColours[3 * v + 1] = c.y;
  shape.vertexColours[3 * v + 2] = c.z;
}

void ScaleVertex(FstShape& shape, std::size_t v, double k) {
  if (3 * v + 2 >= shape.vertices.size()) return;
  for (std::size_t c = 3 * v; c < 3 * v + 3; ++c) shape.vertices[c] = k * shape.sourceVertices[c];
}

}  // namespace

Vec3 ScoreToColour(double v) {
  const double u = (1.0 - v) * kHueSpan;
  double r = u + 1.0 / 3.0;
  if (r > 1.0) r -= 1.0;
  double b = u - 1.0 / 3.0;
  if (b < 0.0) b += 1.0;
  return {HueChannel(r), HueChannel(u), HueChannel(b)};
}

bool ScoreRange(const std::vector<double>& scores, double& min, double& max, bool positions) {
  // NaN never passes these comparisons, so it takes part in neither bound.
  double low = HUGE_VAL, high = -HUGE_VAL;
  for (double s : scores) {
    if (s < low) low = s;
    if (s > high && (!positions || s < kOutlierScore)) high = s;
  }
  min = low;
  max = high;
  return high != -HUGE_VAL;
}

bool ColourByScores(FstShape& shape, const std::vector<double>& scores, bool positions, double& min,
                    double& max) {
  const bool ranged = ScoreRange(scores, min, max, positions);
  const double range = max - min;
  const bool flat = !ranged || !(range > 0) || !std::isfinite(range);
  const bool radial = positions && shape.radialScore;

  for (std::size_t v = 0; v < scores.size(); ++v) {
    const double s = scores[v];
    const bool outlier = std::isnan(s) || (positions && s >= kOutlierScore);
    if (flat) {
      // No scale to colour by: one colour, and every vertex where the file put it.
      SetColour(shape, v, ScoreToColour(0));
      if (radial) ScaleVertex(shape, v, 1.0);
      continue;
    }
    // An outlier counts as the largest ordinary score, exactly 1 on the scale.
    const double k = outlier ? 1.0 : (s - min) / range;
    SetColour(shape, v, ScoreToColour(positions ? k * k : k));
    if (radial) ScaleVertex(shape, v, k);
  }
  return ranged;
}

void AllocateVertexColours(FstShape& shape) {
  if (shape.pointCount <= 0) return;
  std::vector<double>().swap(shape.vertexColours);  // release first: the spheres are large
  ResizeOrDie(shape.vertexColours, 3 * static_cast<std::size_t>(shape.pointCount), 0.0);
}

void RestoreVertices(FstShape& shape) {
  try {
    shape.vertices = shape.sourceVertices;
  } catch (const std::bad_alloc&) {
    FailLowMemory();
  }
}

}  // namespace velmora
