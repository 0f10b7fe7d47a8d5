#include "render/ErrorMaps.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <functional>
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
// enough) worker threads take blocks of vertices, and each worker evaluates its trials
// on its own copies, doing only the work that changes from one trial to the next: the
// view that does not move keeps its planePoints and cameraPosition, so its ray
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
// them: each worker notes, per pair, the last vertex that wrote it, every pair is taken
// from the latest of those, then the angles are restored and UpdateCamera(0) runs.

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

// What the workers read and never write. Pair data is kept one array per coordinate, so
// that the pair loop below runs two pairs per instruction.
struct SharedTrialData {
  MapKind kind = MapKind::kPositions;
  const double* source = nullptr;  // the shape's sourceVertices
  std::size_t pairs = 0;
  bool skipNegativeST = false;
  // Position map: the moving view's image points turned by its (fixed) look rotation and
  // moved out by the orbit radius, so that only the orbit rotation is left per trial.
  // Direction map: imageX and imageY (z unused).
  std::vector<double> mx, my, mz;
  double focalLength = 0, orbitRadius = 0;
  // The fixed view: planePoints, planePoints - cameraPosition, and its squared length.
  std::vector<double> px, py, pz, dx, dy, dz, dd;
};

struct Rays {
  std::vector<double> ax, ay, az, bx, by, bz;  // moving view, fixed view
  void Resize(std::size_t n) {
    for (auto* v : {&ax, &ay, &az, &bx, &by, &bz}) ResizeOrDie(*v, n);
  }
};

struct Worker {
  CameraModel camera;  // the moving view's parameters with the trial angles
  Rays kept;           // the rayPoints this worker's trials have left so far
  Rays fresh;          // the current trial's
  std::vector<double> t, s, den, gap;
  // Per pair, 1 + the vertex whose trial last wrote its rayPoints here; 0: none yet.
  std::vector<std::size_t> lastWriter;

  // Takes blocks of vertices in increasing order until none are left.
  void Run(const SharedTrialData& d, double* scores, std::atomic<std::size_t>& next,
           std::size_t vertices, std::size_t block);
  template <bool kPositions>
  void SolvePairs(const SharedTrialData& d);
  void SolvePair(const SharedTrialData& d, std::size_t i, const Vec3& p1);
  double Trial(const SharedTrialData& d, std::size_t vertex);
};

// The closest points of every pair, as Triangulate computes them when the lines are not
// parallel. The rare parallel pairs are redone by SolvePair.
template <bool kPositions>
void Worker::SolvePairs(const SharedTrialData& d) {
  const std::size_t n = d.pairs;
  const double(&m)[3][3] = camera.orbitMatrix;
  const double m00 = m[0][0], m01 = m[0][1], m02 = m[0][2], m10 = m[1][0], m11 = m[1][1],
               m12 = m[1][2], m20 = m[2][0], m21 = m[2][1], m22 = m[2][2];
  const double(&l)[3][3] = camera.lookMatrix;
  const double l00 = l[0][0], l01 = l[0][1], l02 = l[0][2], l10 = l[1][0], l11 = l[1][1],
               l12 = l[1][2], l20 = l[2][0], l21 = l[2][1], l22 = l[2][2];
  const double nf = -d.focalLength, radius = d.orbitRadius;
  const double c1x = camera.cameraPosition.x, c1y = camera.cameraPosition.y,
               c1z = camera.cameraPosition.z;
  const double* mx = d.mx.data();
  const double* my = d.my.data();
  const double* mz = d.mz.data();
  const double* px = d.px.data();
  const double* py = d.py.data();
  const double* pz = d.pz.data();
  const double* dx = d.dx.data();
  const double* dy = d.dy.data();
  const double* dz = d.dz.data();
  const double* dd = d.dd.data();
  double* ax = fresh.ax.data();
  double* ay = fresh.ay.data();
  double* az = fresh.az.data();
  double* bx = fresh.bx.data();
  double* by = fresh.by.data();
  double* bz = fresh.bz.data();
  double* ts = t.data();
  double* ss = s.data();
  double* dens = den.data();
  double* gaps = gap.data();
  // No array is read and written here; without this the compiler gives up on proving it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC ivdep
#elif defined(__clang__)
#pragma clang loop vectorize(assume_safety)
#endif
  for (std::size_t i = 0; i < n; ++i) {
    double vx, vy, vz;
    if constexpr (kPositions) {
      vx = mx[i], vy = my[i], vz = mz[i];
    } else {
      // PlaneToWorld: the look rotation, then out along z by the orbit radius.
      const double x = mx[i], y = my[i];
      vx = l00 * x + l01 * y + l02 * nf;
      vy = l10 * x + l11 * y + l12 * nf;
      vz = l20 * x + l21 * y + l22 * nf;
      vz += radius;
    }
    const double p1x = m00 * vx + m01 * vy + m02 * vz;
    const double p1y = m10 * vx + m11 * vy + m12 * vz;
    const double p1z = m20 * vx + m21 * vy + m22 * vz;
    const double d1x = p1x - c1x, d1y = p1y - c1y, d1z = p1z - c1z;
    const double wx = p1x - px[i], wy = p1y - py[i], wz = p1z - pz[i];
    const double aa = d1x * d1x + d1y * d1y + d1z * d1z;
    const double bb = d1x * dx[i] + d1y * dy[i] + d1z * dz[i];
    const double cc = dd[i];
    const double e1 = d1x * wx + d1y * wy + d1z * wz;
    const double e2 = dx[i] * wx + dy[i] * wy + dz[i] * wz;
    const double dn = aa * cc - bb * bb;
    const double tt = (bb * e2 - cc * e1) / dn;
    const double sv = (aa * e2 - bb * e1) / dn;
    dens[i] = dn, ts[i] = tt, ss[i] = sv;
    const double rax = p1x + tt * d1x, ray = p1y + tt * d1y, raz = p1z + tt * d1z;
    const double rbx = px[i] + sv * dx[i], rby = py[i] + sv * dy[i], rbz = pz[i] + sv * dz[i];
    ax[i] = rax, ay[i] = ray, az[i] = raz;
    bx[i] = rbx, by[i] = rby, bz[i] = rbz;
    const double gx = rax - rbx, gy = ray - rby, gz = raz - rbz;
    gaps[i] = gx * gx + gy * gy + gz * gz;
  }
}

// One pair the plain way, for parallel lines.
void Worker::SolvePair(const SharedTrialData& d, std::size_t i, const Vec3& p1) {
  const Vec3 p2{d.px[i], d.py[i], d.pz[i]}, d2{d.dx[i], d.dy[i], d.dz[i]};
  const Vec3 d1 = Sub(p1, camera.cameraPosition), w = Sub(p1, p2);
  const double aa = Dot(d1, d1), bb = Dot(d1, d2), cc = d.dd[i];
  const double e1 = Dot(d1, w), e2 = Dot(d2, w);
  const double dn = aa * cc - bb * bb;
  if (dn != 0 && std::isfinite(dn)) {
    t[i] = (bb * e2 - cc * e1) / dn;
    s[i] = (aa * e2 - bb * e1) / dn;
  } else {
    t[i] = 0;
    s[i] = cc != 0 ? e2 / cc : 0;
  }
  const Vec3 a = Along(p1, t[i], d1), b = Along(p2, s[i], d2);
  fresh.ax[i] = a.x, fresh.ay[i] = a.y, fresh.az[i] = a.z;
  fresh.bx[i] = b.x, fresh.by[i] = b.y, fresh.bz[i] = b.z;
  const Vec3 g = Sub(a, b);
  gap[i] = Dot(g, g);
}

double Worker::Trial(const SharedTrialData& d, std::size_t vertex) {
  camera.ComputeRotations();
  camera.ComputePositionAndCorners(0);
  const std::size_t n = d.pairs;
  if (d.kind == MapKind::kPositions)
    SolvePairs<true>(d);
  else
    SolvePairs<false>(d);
  for (std::size_t i = 0; i < n; ++i) {
    if (den[i] != 0 && std::isfinite(den[i])) continue;
    Vec3 p1;
    if (d.kind == MapKind::kPositions)
      p1 = Mul(camera.orbitMatrix, Vec3{d.mx[i], d.my[i], d.mz[i]});
    else
      camera.PlaneToWorld(d.mx[i], d.my[i], p1);
    SolvePair(d, i, p1);
  }

  // The first rejected pair ends the triangulation.
  std::size_t written = n;
  if (d.skipNegativeST)
    for (std::size_t i = 0; i < n; ++i)
      if (!(s[i] > 0 && t[i] > 0)) {
        written = i;
        break;
      }

  double sum = 0;
  if (written == n) {
    std::swap(kept, fresh);
    std::fill_n(lastWriter.begin(), n, vertex + 1);
    for (std::size_t i = 0; i < n; ++i) sum += gap[i];
  } else {
    // Pairs before the rejected one are new, it gets the sentinel, the rest keep what
    // earlier trials left. The score still sums them all in order.
    for (std::size_t i = 0; i < written; ++i) {
      kept.ax[i] = fresh.ax[i], kept.ay[i] = fresh.ay[i], kept.az[i] = fresh.az[i];
      kept.bx[i] = fresh.bx[i], kept.by[i] = fresh.by[i], kept.bz[i] = fresh.bz[i];
      sum += gap[i];
    }
    kept.ax[written] = std::exp(50.0), kept.ay[written] = 0, kept.az[written] = 0;
    kept.bx[written] = 0, kept.by[written] = 0, kept.bz[written] = 0;
    std::fill_n(lastWriter.begin(), written + 1, vertex + 1);
    for (std::size_t i = written; i < n; ++i) {
      const Vec3 g{kept.ax[i] - kept.bx[i], kept.ay[i] - kept.by[i], kept.az[i] - kept.bz[i]};
      sum += Dot(g, g);
    }
  }
  return std::log(std::sqrt(sum));
}

void Worker::Run(const SharedTrialData& d, double* scores, std::atomic<std::size_t>& next,
                 std::size_t vertices, std::size_t block) {
  for (;;) {
    const std::size_t first = next.fetch_add(block);
    if (first >= vertices) return;
    const std::size_t last = std::min(vertices, first + block);
    for (std::size_t v = first; v < last; ++v) {
      double a, b;
      DirectionToAngles(d.source[3 * v], d.source[3 * v + 1], d.source[3 * v + 2], a, b);
      if (d.kind == MapKind::kPositions)
        camera.azimuth = a, camera.altitude = b;
      else
        camera.pan = a, camera.tilt = b;
      scores[v] = Trial(d, v);
    }
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
  d.focalLength = moving.focalLength;
  d.orbitRadius = moving.orbitRadius;
  const std::size_t n = d.pairs;
  for (auto* v : {&d.mx, &d.my, &d.mz, &d.px, &d.py, &d.pz, &d.dx, &d.dy, &d.dz, &d.dd})
    ResizeOrDie(*v, n);
  // Rotations from the parameters as they stand, as UpdateCamera would compute them.
  CameraModel looking;
  CopyCameraParameters(moving, looking);
  looking.ComputeRotations();
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 p = fixed.planePoints[i];
    const Vec3 dir = Sub(p, fixed.cameraPosition);
    d.px[i] = p.x, d.py[i] = p.y, d.pz[i] = p.z;
    d.dx[i] = dir.x, d.dy[i] = dir.y, d.dz[i] = dir.z;
    d.dd[i] = Dot(dir, dir);
    if (kind == MapKind::kPositions) {
      Vec3 v =
          Mul(looking.lookMatrix, Vec3{moving.imageX[i], moving.imageY[i], -moving.focalLength});
      v.z += moving.orbitRadius;
      d.mx[i] = v.x, d.my[i] = v.y, d.mz[i] = v.z;
    } else {
      d.mx[i] = moving.imageX[i], d.my[i] = moving.imageY[i];
    }
  }

  // With the moving view's rejections, a direction map must see its trials in order.
  const std::size_t count =
      kind == MapKind::kDirections && d.skipNegativeST ? 1 : WorkerCount(vertices);
  std::vector<Worker> workers(count);
  for (std::size_t k = 0; k < count; ++k) {
    Worker& w = workers[k];
    CopyCameraParameters(moving, w.camera);
    w.kept.Resize(n);
    w.fresh.Resize(n);
    for (auto* v : {&w.t, &w.s, &w.den, &w.gap}) ResizeOrDie(*v, n);
    ResizeOrDie(w.lastWriter, n);
    for (std::size_t i = 0; i < n; ++i) {
      const Vec3 a = moving.rayPoints[i], b = fixed.rayPoints[i];
      w.kept.ax[i] = a.x, w.kept.ay[i] = a.y, w.kept.az[i] = a.z;
      w.kept.bx[i] = b.x, w.kept.by[i] = b.y, w.kept.bz[i] = b.z;
    }
  }

  // Blocks small enough to keep every worker busy to the end, even when another program
  // holds a core for a while.
  const std::size_t block = std::max<std::size_t>(1, vertices / (8 * count));
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> threads;
  threads.reserve(count);
  for (std::size_t k = 1; k < count; ++k) {
    try {
      threads.emplace_back(&Worker::Run, &workers[k], std::cref(d), scores, std::ref(next),
                           vertices, block);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the others take the blocks
    }
  }
  workers[0].Run(d, scores, next, vertices, block);
  for (std::thread& t : threads) t.join();

  // Each pair keeps what the last vertex to reach it wrote, as on the real camera.
  for (std::size_t i = 0; i < n; ++i) {
    const Worker* from = nullptr;
    std::size_t latest = 0;
    for (const Worker& w : workers)
      if (w.lastWriter[i] > latest) latest = w.lastWriter[i], from = &w;
    if (from == nullptr) continue;
    moving.rayPoints[i] = Vec3{from->kept.ax[i], from->kept.ay[i], from->kept.az[i]};
    fixed.rayPoints[i] = Vec3{from->kept.bx[i], from->kept.by[i], from->kept.bz[i]};
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
