#pragma once
// Sample spheres as score maps: every vertex direction is tried as a camera setting and
// coloured by the reconstruction error it gives. Core code: no OpenGL.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Vec3.h"
#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "render/MapKernel.h"

namespace velmora {

// (azimuth, altitude) in radians of the camera direction through (x, y, z).
void DirectionToAngles(double x, double y, double z, double& azimuth, double& altitude);

// Blue (0) to red (1) over a saturated hue scale.
Vec3 ScoreToColour(double v);

// Zero-filled (black) colours for pointCount vertices; nothing for a pointCount of 0.
void AllocateVertexColours(FstShape& shape);
void RestoreVertices(FstShape& shape);

// What the last map of one shape left behind, so that mapping the same state again can be
// skipped. The owner of a shape keeps one next to it and passes it to every map of that
// shape (one map at a time: a memo is not shared between threads).
class ErrorMapMemo {
 public:
  // Forgets the last map: the next map with this memo computes.
  void Clear() { valid_ = false; }
  // The score range the last map coloured by (see ScoreRange); false when that map had
  // none or there was no map yet.
  bool LastRange(double& min, double& max) const {
    if (!ranged_) return false;
    min = min_;
    max = max_;
    return true;
  }

 private:
  friend struct ErrorMapMemoAccess;
  bool valid_ = false;
  std::uint64_t digest_ = 0;
  // Position map with rejections: the leading pairs of the rays the map leaves, which its
  // digest leaves out.
  bool raysAside_ = false;
  std::vector<Vec3> movingRays_, fixedRays_;
  bool ranged_ = false;
  double min_ = 0, max_ = 0;
};

// The range a map colours by: the least score, and the greatest one that is not an
// outlier (NaN, and in the position map kRejectedScore and above). False when no score
// gives a greatest one.
bool ScoreRange(const std::vector<double>& scores, double& min, double& max, bool positions = true);

// The maps colour by score from blue (best) to red (worst). When the scores give no range
// (all equal, none ordinary, or not finite) every vertex gets ScoreToColour(0) and, in
// radial mode, keeps its position as read. NaN scores count as outliers (red); so do, in
// the position map, scores of kRejectedScore and above. Only the vertices that
// sourceVertices holds are mapped, and colours and vertices are written only where their
// arrays have room. When no pair can be scored (no points yet), no trial runs: every score
// is log 0 (-inf), as the trials would give, and the colours are flat.
//
// With a memo, a map whose inputs (the cameras it reads, the point data, the sphere and
// what the last map left in it) are exactly as the previous map with that memo left them
// is not computed again: the result would be the same. A burst of change notifications
// with nothing changed costs one map. Without a memo every call computes.
//
// scores, when given, receives the raw score of every mapped vertex; such a call always
// computes.
//
// The second view's camera moves to every vertex direction (azimuth, altitude).
void MapScoreOverPositions(FstShape& shape, CameraModel& second,
                           std::vector<double>* scores = nullptr, ErrorMapMemo* memo = nullptr);
// view turns toward every vertex direction (pan, tilt); the score is the second view's.
void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second,
                            std::vector<double>* scores = nullptr, ErrorMapMemo* memo = nullptr);
// Always computes; a memo given records the result for the maps that follow.
void SetRadialScore(FstShape& shape, bool on, CameraModel& second, ErrorMapMemo* memo = nullptr);

// What a map tells the one who waits for it. The map calls Continue from its calling thread
// when it starts and then every few milliseconds of work, with the vertices taken so far
// out of the total; Continue returning false cancels the map: the shape keeps its colours
// and vertices and the memo its record, as if the map had not been asked for. A map that
// runs to its end gives the same result as without a watcher.
class MapProgress {
 public:
  virtual ~MapProgress() = default;
  virtual bool Continue(std::size_t done, std::size_t total) = 0;
  // After the last Continue of a map, whether it ended or was cancelled.
  virtual void Finished() = 0;
};
// The watcher of every map from now on (none by default); returns the previous one. Maps
// run on one thread at a time, so it is set once by the program, before any map.
MapProgress* SetErrorMapProgress(MapProgress* progress);
// How many maps have been computed (not skipped as unchanged) since the program started.
unsigned long long ErrorMapComputations();

// Worker threads for the maps: 0 (the default) takes one per hardware thread, fewer for
// small maps (few vertices times point pairs); n > 0 uses n (at most one per vertex).
// Results do not depend on it.
// Returns the previous setting.
int SetErrorMapThreads(int count);

// The pair loop the maps use: the best this processor runs (the default) or, to compare,
// a lower level; a level the processor or the build lacks gives the best one. Results
// agree within rounding whatever the level. Returns the previous setting.
KernelLevel SetErrorMapKernel(KernelLevel level);

}  // namespace velmora
