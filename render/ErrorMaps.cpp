#include "render/ErrorMaps.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Notify.h"

// How the maps are computed.
//
// The plain way tries every vertex on the real camera: set the trial angles,
// UpdateCamera(0), read ReconstructionError. That is the reference, and it is what runs
// whenever the two views are not in the regular state below. In the regular state (both
// views linked to each other, equal non-zero point counts, every point array long
// enough) the vertices are split over worker threads, and each worker evaluates its
// trials on its own copies, doing only the work that changes from one trial to the next:
// the view that does not move keeps its planePoints and cameraPosition, so its ray
// directions are computed once; in the position map the look rotation of the moving view
// is fixed too, so only the orbit rotation is applied per point. Every expression is the
// camera model's own, in the same order, so the scores are bit for bit the same.
//
// One thing carries over from trial to trial: with skipNegativeST, a rejected pair stops
// the triangulation and the later pairs keep the rayPoints of an earlier trial. A
// rejected trial scores 50 or more whatever those hold, and in the position map the
// exact value of such an outlier never shows, so the position map may split freely. The
// direction map has no outlier rule (its largest score scales every colour), so there
// the moving view's skipNegativeST keeps it to one worker, which sees the trials in order
// just as the real camera would. Either way the real cameras end as the plain way leaves
// them: each worker remembers how far its trials wrote, the rayPoints are taken from the
// last worker that wrote each pair, then the angles are restored and UpdateCamera(0) runs.

namespace velmora {

namespace {

constexpr double kOutlierScore = 50.0;
constexpr double kHueSpan = 0.7058823529411765;  // 12/17: blue-violet at 0, red at 1
// Below this many vertices per worker a thread costs more than it saves.
constexpr std::size_t kMinVerticesPerWorker = 256;

std::atomic<int> g_threadSetting{0};

double HueChannel(double h) {
  if (h < 1.0 / 6.0) return 6.0 * h;
  if (h < 0.5) return 1.0;
  if (h < 2.0 / 3.0) return (2.0 / 3.0 - h) * 6.0;
  return 0.0;
}

// The same arithmetic as the camera model, so that results agree to the bit.
inline Vec3 Sub(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline double Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Along(const Vec3& p, double t, const Vec3& d) {
  return {p.x + t * d.x, p.y + t * d.y, p.z + t * d.z};
}
inline Vec3 Mul(const double m[3][3], const Vec3& v) {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
          m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

// The parameters UpdateCamera reads, as they stand (orbitRadius is not renewed from them).
void CopyCameraParameters(const CameraModel& from, CameraModel& to) {
  to.azimuth = from.azimuth, to.altitude = from.altitude, to.rotation = from.rotation;
  to.focalLength = from.focalLength, to.distance = from.distance;
  to.pan = from.pan, to.tilt = from.tilt;
  to.orbitRadius = from.orbitRadius;
  to.scale = from.scale;
}

// Vertices that can be mapped: those sourceVertices holds, up to pointCount.
std::size_t MappedVertices(const FstShape& shape) {
  if (shape.pointCount <= 0) return 0;
  return std::min(static_cast<std::size_t>(shape.pointCount), shape.sourceVertices.size() / 3);
}

bool HoldsPoints(const CameraModel& view, std::size_t n) {
  return view.imageX.size() >= n && view.imageY.size() >= n && view.planePoints.size() >= n &&
         view.rayPoints.size() >= n;
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

enum class MapKind { kPositions, kDirections };

// What the workers read and never write.
struct SharedTrialData {
  MapKind kind = MapKind::kPositions;
  const double* source = nullptr;  // the shape's sourceVertices
  std::size_t pairs = 0;
  bool skipNegativeST = false;
  const CameraModel* moving = nullptr;
  const CameraModel* fixed = nullptr;
  std::vector<Vec3> fixedDirection;  // fixed planePoints - cameraPosition, per pair
  std::vector<double> fixedLengthSq;
  // Position map: the moving view's image points turned by its (fixed) look rotation and
  // moved out by the orbit radius; only the orbit rotation is left per trial.
  std::vector<Vec3> lookedPoints;
};

struct Worker {
  std::size_t begin = 0, end = 0;
  CameraModel camera;            // the moving view's parameters with the trial angles
  std::vector<Vec3> movingRays;  // this worker's rayPoints of the moving view
  std::vector<Vec3> fixedRays;   // and of the fixed view
  std::vector<Vec3> planePoints;
  std::size_t reach = 0;  // pairs whose rayPoints some trial has written (a prefix)

  void Run(const SharedTrialData& d, double* scores);
  double Trial(const SharedTrialData& d);
};

double Worker::Trial(const SharedTrialData& d) {
  camera.ComputeRotations();
  camera.ComputePositionAndCorners(0);
  const std::size_t n = d.pairs;
  if (d.kind == MapKind::kPositions) {
    for (std::size_t i = 0; i < n; ++i) planePoints[i] = Mul(camera.orbitMatrix, d.lookedPoints[i]);
  } else {
    for (std::size_t i = 0; i < n; ++i)
      camera.PlaneToWorld(d.moving->imageX[i], d.moving->imageY[i], planePoints[i]);
  }

  const Vec3 c1 = camera.cameraPosition;
  const std::vector<Vec3>& fixedPlane = d.fixed->planePoints;
  double sum = 0;
  std::size_t i = 0;
  for (; i < n; ++i) {
    const Vec3 p1 = planePoints[i], p2 = fixedPlane[i];
    const Vec3 d1 = Sub(p1, c1), d2 = d.fixedDirection[i];
    const Vec3 w = Sub(p1, p2);
    const double aa = Dot(d1, d1), bb = Dot(d1, d2), cc = d.fixedLengthSq[i];
    const double e1 = Dot(d1, w), e2 = Dot(d2, w);
    const double den = aa * cc - bb * bb;
    double t, s;
    if (den != 0 && std::isfinite(den)) {
      t = (bb * e2 - cc * e1) / den;
      s = (aa * e2 - bb * e1) / den;
    } else {
      t = 0;
      s = cc != 0 ? e2 / cc : 0;
    }
    if (d.skipNegativeST && !(s > 0 && t > 0)) {
      movingRays[i] = Vec3{std::exp(50.0), 0, 0};
      fixedRays[i] = Vec3{0, 0, 0};
      break;
    }
    movingRays[i] = Along(p1, t, d1);
    fixedRays[i] = Along(p2, s, d2);
    // The score sums the pairs in order, so adding as we go gives the same number.
    const Vec3 gap = Sub(movingRays[i], fixedRays[i]);
    sum += Dot(gap, gap);
  }
  if (i < n) {
    reach = std::max(reach, i + 1);
    // A rejected pair: the rest keep what earlier trials left.
    for (; i < n; ++i) {
      const Vec3 gap = Sub(movingRays[i], fixedRays[i]);
      sum += Dot(gap, gap);
    }
  } else {
    reach = n;
  }
  return std::log(std::sqrt(sum));
}

void Worker::Run(const SharedTrialData& d, double* scores) {
  for (std::size_t v = begin; v < end; ++v) {
    double a, b;
    DirectionToAngles(d.source[3 * v], d.source[3 * v + 1], d.source[3 * v + 2], a, b);
    if (d.kind == MapKind::kPositions)
      camera.azimuth = a, camera.altitude = b;
    else
      camera.pan = a, camera.tilt = b;
    scores[v] = Trial(d);
  }
}

std::size_t WorkerCount(std::size_t vertices) {
  if (vertices == 0) return 1;
  const int setting = g_threadSetting.load();
  std::size_t count;
  if (setting > 0) {
    count = static_cast<std::size_t>(setting);
  } else {
    count = std::max(1u, std::thread::hardware_concurrency());
    count = std::min(count, std::max<std::size_t>(1, vertices / kMinVerticesPerWorker));
  }
  return std::min(count, vertices);
}

// Scores on worker copies; the real cameras get the rayPoints the plain way would leave.
void ScoreInParallel(const FstShape& shape, std::size_t vertices, MapKind kind, CameraModel& moving,
                     double* scores) {
  CameraModel& fixed = *moving.otherView;
  SharedTrialData d;
  d.kind = kind;
  d.source = shape.sourceVertices.data();
  d.pairs = static_cast<std::size_t>(moving.imagePointCount);
  d.skipNegativeST = moving.skipNegativeST;
  d.moving = &moving;
  d.fixed = &fixed;
  const std::size_t n = d.pairs;
  ResizeOrDie(d.fixedDirection, n);
  ResizeOrDie(d.fixedLengthSq, n);
  for (std::size_t i = 0; i < n; ++i) {
    d.fixedDirection[i] = Sub(fixed.planePoints[i], fixed.cameraPosition);
    d.fixedLengthSq[i] = Dot(d.fixedDirection[i], d.fixedDirection[i]);
  }
  if (kind == MapKind::kPositions) {
    // Rotations from the parameters as they stand, as UpdateCamera would compute them.
    CameraModel looking;
    CopyCameraParameters(moving, looking);
    looking.ComputeRotations();
    ResizeOrDie(d.lookedPoints, n);
    for (std::size_t i = 0; i < n; ++i) {
      Vec3 v =
          Mul(looking.lookMatrix, Vec3{moving.imageX[i], moving.imageY[i], -moving.focalLength});
      v.z += moving.orbitRadius;
      d.lookedPoints[i] = v;
    }
  }

  // With the moving view's rejections, a direction map must see its trials in order.
  const std::size_t count =
      kind == MapKind::kDirections && d.skipNegativeST ? 1 : WorkerCount(vertices);
  std::vector<Worker> workers(count);
  for (std::size_t k = 0; k < count; ++k) {
    Worker& w = workers[k];
    w.begin = vertices * k / count;
    w.end = vertices * (k + 1) / count;
    CopyCameraParameters(moving, w.camera);
    try {
      w.movingRays.assign(moving.rayPoints.begin(), moving.rayPoints.begin() + n);
      w.fixedRays.assign(fixed.rayPoints.begin(), fixed.rayPoints.begin() + n);
    } catch (const std::bad_alloc&) {
      FailLowMemory();
    }
    ResizeOrDie(w.planePoints, n);
  }

  std::vector<std::thread> threads;
  threads.reserve(count);
  std::vector<Worker*> unthreaded;
  for (std::size_t k = 1; k < count; ++k) {
    try {
      threads.emplace_back(&Worker::Run, &workers[k], std::cref(d), scores);
    } catch (const std::system_error&) {
      unthreaded.push_back(&workers[k]);  // no thread to be had: do it here
    }
  }
  workers[0].Run(d, scores);
  for (Worker* w : unthreaded) w->Run(d, scores);
  for (std::thread& t : threads) t.join();

  // Later vertices overwrite earlier ones, pair by pair, as on the real camera.
  for (const Worker& w : workers) {
    std::copy_n(w.movingRays.begin(), w.reach, moving.rayPoints.begin());
    std::copy_n(w.fixedRays.begin(), w.reach, fixed.rayPoints.begin());
  }
}

// Scores every vertex with the moving view at the vertex's angles, then leaves the
// cameras as one last UpdateCamera(0) at the original angles does.
std::vector<double> ScoreVertices(const FstShape& shape, MapKind kind, CameraModel& moving,
                                  CameraModel& second) {
  const std::size_t vertices = MappedVertices(shape);
  std::vector<double> scores;
  ResizeOrDie(scores, vertices);

  double savedA, savedB;
  if (kind == MapKind::kPositions)
    moving.GetAzAlt(savedA, savedB);
  else
    moving.GetPanTilt(savedA, savedB);

  if (vertices > 0 && RegularPair(moving, second)) {
    ScoreInParallel(shape, vertices, kind, moving, scores.data());
  } else {
    for (std::size_t v = 0; v < vertices; ++v) {
      const double* p = &shape.sourceVertices[3 * v];
      double a, b;
      DirectionToAngles(p[0], p[1], p[2], a, b);
      if (kind == MapKind::kPositions)
        moving.SetAzAlt(a, b);
      else
        moving.SetPanTilt(a, b);
      moving.UpdateCamera(0);
      scores[v] = second.ReconstructionError();
    }
  }

  if (kind == MapKind::kPositions)
    moving.SetAzAlt(savedA, savedB);
  else
    moving.SetPanTilt(savedA, savedB);
  moving.UpdateCamera(0);
  return scores;
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

// Colours (and in the radial position map, places) the vertices by their scores.
void ApplyScores(FstShape& shape, const std::vector<double>& scores, MapKind kind) {
  const bool positions = kind == MapKind::kPositions;
  // NaN never passes these comparisons, so it takes part in neither bound.
  double min = 1.0e308, max = -1.0e308;
  for (double s : scores) {
    if (s < min) min = s;
    if (s > max && (!positions || s < kOutlierScore)) max = s;
  }
  const double range = max - min;
  const bool flat = !(range > 0) || !std::isfinite(range);
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
}

}  // namespace

void DirectionToAngles(double x, double y, double z, double& azimuth, double& altitude) {
  azimuth = std::atan2(x, z);
  altitude = std::atan2(-y, std::sqrt(x * x + z * z));
}

Vec3 ScoreToColour(double v) {
  const double u = (1.0 - v) * kHueSpan;
  double r = u + 1.0 / 3.0;
  if (r > 1.0) r -= 1.0;
  double b = u - 1.0 / 3.0;
  if (b < 0.0) b += 1.0;
  return {HueChannel(r), HueChannel(u), HueChannel(b)};
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

void MapScoreOverPositions(FstShape& shape, CameraModel& second) {
  ApplyScores(shape, ScoreVertices(shape, MapKind::kPositions, second, second),
              MapKind::kPositions);
}

void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second) {
  ApplyScores(shape, ScoreVertices(shape, MapKind::kDirections, view, second),
              MapKind::kDirections);
}

void SetRadialScore(FstShape& shape, bool on, CameraModel& second) {
  shape.radialScore = on;
  if (!on) RestoreVertices(shape);
  MapScoreOverPositions(shape, second);
}

int LoadSampleSpheres(FstShape (&spheres)[5], FstShape* (&loaded)[5], CameraModel& second,
                      const std::function<void(int size)>& announce) {
  for (FstShape*& slot : loaded) slot = nullptr;
  int count = 0;
  for (int k = 0; k < 5; ++k) {
    FstShape& sphere = spheres[k];
    if (sphere.Load(kSampleSphereFiles[k], nullptr) <= 0) continue;  // Load has said why
    if (announce) announce(kSampleSphereSizes[k]);
    loaded[count++] = &sphere;
    AllocateVertexColours(sphere);
    MapScoreOverPositions(sphere, second);
  }
  return count;
}

int SetErrorMapThreads(int count) {
  return g_threadSetting.exchange(std::max(count, 0));
}

}  // namespace velmora
