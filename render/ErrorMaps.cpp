#include "render/ErrorMaps.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "base/Notify.h"
#include "render/MapKernel.h"
#include "render/MapThreads.h"
#include "render/MapTrials.h"
#include "render/MapWatch.h"

// How the maps are computed.
//
// The plain way tries every vertex on the real camera: set the trial angles,
// UpdateCamera(0), read ReconstructionError. That is what runs whenever the two views are
// not in the regular state (MapThreads.h); in the regular state worker threads try the
// vertices on copies of the moving camera, doing per trial only what changes
// (MapTrials.h), and with rejections one walk over the trials in order settles what
// carries over from one trial to the next (RejectionReplay.h). Either way the cameras end
// as one last UpdateCamera(0) at the original angles leaves them, the scores colour the
// sphere (ErrorColourScale.h), and a memo (ErrorMapMemo.h) skips a map whose inputs are
// as its last map left them.

namespace velmora {

namespace {

std::atomic<unsigned long long> g_computations{0};

// What one map reads and moves.
struct MapCall {
  FstShape& shape;
  MapKind kind;
  CameraModel& moving;
  CameraModel& second;
  const MapSettings& settings;
};

// Vertices that can be mapped: those sourceVertices holds, up to pointCount.
std::size_t MappedVertices(const FstShape& shape) {
  if (shape.pointCount <= 0) return 0;
  return std::min(static_cast<std::size_t>(shape.pointCount), shape.sourceVertices.size() / 3);
}

// True when the moving view triangulates against fixed and the score is read from the
// same pair, every pair of both views is used, and nothing else differs from the plain
// per-vertex recomputation.
bool RegularPair(const CameraModel& moving, const CameraModel& second) {
  const CameraModel* fixed = moving.otherView;
  if (fixed == nullptr || fixed == &moving) return false;
  if (&moving != &second && !(fixed == &second && second.otherView == &moving)) return false;
  const int count = moving.imagePointCount;
  if (count <= 0 || fixed->imagePointCount != count) return false;
  const std::size_t n = static_cast<std::size_t>(count);
  return HoldsPoints(moving, n) && HoldsPoints(*fixed, n);
}

// True when no trial can colour anything: the score reads no pair, and the moving view's
// triangulation writes none, so every trial scores log(0) and one UpdateCamera(0) at the
// original angles puts back all that the trials would change.
bool NoPairCanColour(const CameraModel& moving, const CameraModel& second) {
  const CameraModel* other = second.otherView;
  const bool scoresNone = other == nullptr || second.imagePointCount <= 0 ||
                          other->imagePointCount <= 0 || second.rayPoints.empty() ||
                          other->rayPoints.empty();
  const CameraModel* fixed = moving.otherView;
  const bool writesNone = fixed == nullptr || moving.imagePointCount <= 0 ||
                          fixed->imagePointCount <= 0 ||
                          moving.imagePointCount != fixed->imagePointCount;
  return scoresNone && writesNone;
}

void SetTrialAngles(CameraModel& moving, MapKind kind, double a, double b) {
  if (kind == MapKind::kPositions)
    moving.SetAzAlt(a, b);
  else
    moving.SetPanTilt(a, b);
}

// The plain way: every vertex on the real camera, one after the other.
void ScorePlainly(const MapCall& c, const TrialSet& set, double* scores, MapWatch& watch) {
  for (std::size_t v = 0; v < set.vertices && !watch.Stopped(); ++v) {
    const double* p = set.directions + 3 * v;
    double a, b;
    DirectionToAngles(p[0], p[1], p[2], a, b);
    SetTrialAngles(c.moving, c.kind, a, b);
    c.moving.UpdateCamera(0);
    scores[v] = c.second.ReconstructionError(c.settings.error);
    watch.Tick(v + 1);
  }
}

// Scores every vertex with the moving view at the vertex's angles, then leaves the
// cameras as one last UpdateCamera(0) at the original angles does. written: how many
// leading pairs the map's trials wrote (the rest keep what they held), when that is known.
// When the watch stops it, the scores are incomplete and the cameras as the final
// UpdateCamera(0) leaves them.
std::vector<double> ScoreVertices(const MapCall& c, MapWatch& watch,
                                  std::optional<std::size_t>& written) {
  written.reset();
  TrialSet set{c.kind, c.shape.sourceVertices.data(), MappedVertices(c.shape), 0, 0};
  std::vector<double> scores;
  ResizeOrDie(scores, set.vertices);
  if (c.kind == MapKind::kPositions)
    c.moving.GetAzAlt(set.startA, set.startB);
  else
    c.moving.GetPanTilt(set.startA, set.startB);

  if (NoPairCanColour(c.moving, c.second)) {
    std::fill(scores.begin(), scores.end(), -std::numeric_limits<double>::infinity());
  } else if (!(set.vertices > 0 && RegularPair(c.moving, c.second) &&
               ScoreInParallel(set, c.moving, c.settings, watch, scores.data(), written))) {
    written.reset();
    ScorePlainly(c, set, scores.data(), watch);
  }
  SetTrialAngles(c.moving, c.kind, set.startA, set.startB);
  c.moving.UpdateCamera(0);
  return scores;
}

// One map, unless the memo says that this shape's last map left exactly the state it
// would start from and mapping that state again is known to change nothing.
void Map(const MapCall& c, std::vector<double>* scoresOut, bool always, ErrorMapMemo* memo) {
  // Whatever ran before may have left the upper vector halves dirty, which slows the
  // code built for SSE here tenfold; the map leaves them clean for what follows.
  ClearUpperVectorState();
  MemoisedMap memoised(memo, c.shape, c.kind == MapKind::kDirections, c.moving, c.second,
                       c.settings.error);
  if (!always && scoresOut == nullptr && memoised.SkipIfUnchanged()) {
    ClearUpperVectorState();
    return;
  }
  // A map cancelled before it starts costs nothing more.
  MapWatch watch(c.settings.progress, MappedVertices(c.shape), c.moving.imagePointCount);
  if (!watch.Ask(0)) return;
  memoised.Start(RegularPair(c.moving, c.second));

  std::optional<std::size_t> written;
  std::vector<double> scores = ScoreVertices(c, watch, written);
  if (watch.Stopped()) {
    ClearUpperVectorState();
    return;
  }
  double min = 0, max = 0;
  const bool ranged = ColourByScores(c.shape, scores, c.kind == MapKind::kPositions, min, max);
  g_computations.fetch_add(1);
  memoised.Record(ranged, min, max, written);
  if (scoresOut != nullptr) *scoresOut = std::move(scores);
  ClearUpperVectorState();
}

}  // namespace

void DirectionToAngles(double x, double y, double z, double& azimuth, double& altitude) {
  azimuth = std::atan2(x, z);
  altitude = std::atan2(-y, std::sqrt(x * x + z * z));
}

void MapScoreOverPositions(FstShape& shape, CameraModel& second, std::vector<double>* scores,
                           ErrorMapMemo* memo, const MapSettings& settings) {
  Map({shape, MapKind::kPositions, second, second, settings}, scores, false, memo);
}

void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second,
                            std::vector<double>* scores, ErrorMapMemo* memo,
                            const MapSettings& settings) {
  Map({shape, MapKind::kDirections, view, second, settings}, scores, false, memo);
}

void SetRadialScore(FstShape& shape, bool on, CameraModel& second, ErrorMapMemo* memo,
                    const MapSettings& settings) {
  shape.radialScore = on;
  if (!on) RestoreVertices(shape);
  // Selecting a sphere recomputes it even when it was shown before: no shortcut here.
  Map({shape, MapKind::kPositions, second, second, settings}, nullptr, true, memo);
}

unsigned long long ErrorMapComputations() {
  return g_computations.load();
}

}  // namespace velmora
