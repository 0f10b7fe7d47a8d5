#include "render/ErrorMaps.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Notify.h"
#include "base/Vec3.h"

// How the maps are computed.
//
// The plain way tries every vertex on the real camera: set the trial angles,
// UpdateCamera(0), read ReconstructionError. That is what runs whenever the two views are
// not in the regular state below. In the regular state (both views linked to each other,
// equal non-zero point counts, every point array long enough) worker threads take blocks
// of vertices, each with its own copy of the moving camera's parameters, and do only the
// work that changes from one trial to the next: the fixed view's rays are computed once,
// in the position map the moving view's image directions are turned by its (unchanging)
// look rotation once, and per trial only the rotations and the pair loop remain. The pair
// loop runs over one array per coordinate, four pairs at a time; every pair is computed
// with the camera model's own expressions in the same order, so closest points, gaps and
// the signs that decide a rejection are the model's to the bit. Only the order in which
// the gaps are summed differs.
//
// One thing carries over from trial to trial: with skipNegativeST, a rejected pair stops
// the triangulation and the later pairs keep what earlier trials wrote. Each trial writes
// a prefix of the pairs, so after the parallel pass one walk over the vertices in order
// knows, for every rejected trial, which later pairs hold a sentinel, which hold an
// earlier trial's real gap and which still hold what the cameras had before the map. A
// sentinel's square (about 2.7e43) swamps any real gap below kHugeGap, so the score
// follows from the counts; a real gap above that sends the whole map the plain way. The
// same walk tells which trial last wrote each pair, and those pairs are put into the real
// cameras before the final UpdateCamera(0) at the original angles.

namespace velmora {

namespace {

constexpr double kOutlierScore = 50.0;
constexpr double kHueSpan = 0.7058823529411765;  // 12/17: blue-violet at 0, red at 1
// Below this many vertices per worker a thread costs more than it saves.
constexpr std::size_t kMinVerticesPerWorker = 256;
// Pairs per call of the vector loop; the pair arrays are padded to a whole number.
constexpr std::size_t kBlock = 64;
// With rejections, real gaps left behind are neglected next to sentinels up to this.
constexpr double kHugeGap = 1e20;

std::atomic<int> g_threadSetting{0};
std::atomic<unsigned long long> g_computations{0};

double HueChannel(double h) {
  if (h < 1.0 / 6.0) return 6.0 * h;
  if (h < 0.5) return 1.0;
  if (h < 2.0 / 3.0) return (2.0 / 3.0 - h) * 6.0;
  return 0.0;
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

// The pair data of one map, one array per coordinate, zero-padded to whole blocks.
struct PairTable {
  std::size_t n = 0;
  bool directions = false;
  bool skip = false;
  // Position map: the moving view's image points turned by its look rotation and moved
  // out by the orbit radius, so that only the orbit rotation is left per trial.
  // Direction map: imageX and imageY (mz unused).
  std::vector<double> mx, my, mz;
  // The fixed view: planePoints, planePoints - cameraPosition, and its squared length.
  std::vector<double> px, py, pz, dx, dy, dz, cc;
};

// One trial's rotations and camera position, as UpdateCamera(0) computes them.
struct TrialFrame {
  double o[9];  // orbit, rows first
  double l[9];  // look
  double nf, radius;
  double cx, cy, cz;
};

struct BlockSum {
  double sum;
  bool attention;  // a parallel pair, a rejection or a huge gap: redo the block pair by pair
};

// The clones are picked while the program loads, before a thread sanitizer's runtime is
// up, which crashes it: sanitized builds use the plain version.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELMORA_NO_CLONES
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VELMORA_NO_CLONES
#endif

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && defined(__linux__) && \
    !defined(VELMORA_NO_CLONES)
// Four doubles per instruction where the processor has them, two elsewhere; picked once
// when the program loads.
#define VELMORA_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELMORA_WIDE_CLONES
#endif

using V4 = double __attribute__((vector_size(32)));
using M4 = long long __attribute__((vector_size(32)));

// The closest points of count pairs from first (count <= kBlock), as Triangulate computes
// them when the lines are not parallel, and the sum of their gaps.
VELMORA_WIDE_CLONES
BlockSum SolveBlock(const PairTable& t, const TrialFrame& f, std::size_t first, std::size_t count) {
  V4 acc = {0, 0, 0, 0};
  M4 attention = {0, 0, 0, 0};
  const V4 zero = {0, 0, 0, 0};
  const V4 lane = {0, 1, 2, 3};
  const double live = static_cast<double>(count);
  const double lz0 = f.l[2] * f.nf, lz1 = f.l[5] * f.nf, lz2 = f.l[8] * f.nf;
  for (std::size_t i = 0; i < kBlock; i += 4) {
    const std::size_t k = first + i;
    V4 vx, vy, vz;
    if (t.directions) {
      // PlaneToWorld: the look rotation, then out along z by the orbit radius.
      V4 x, y;
      std::memcpy(&x, &t.mx[k], sizeof x);
      std::memcpy(&y, &t.my[k], sizeof y);
      vx = f.l[0] * x + f.l[1] * y + lz0;
      vy = f.l[3] * x + f.l[4] * y + lz1;
      vz = f.l[6] * x + f.l[7] * y + lz2;
      vz = vz + f.radius;
    } else {
      std::memcpy(&vx, &t.mx[k], sizeof vx);
      std::memcpy(&vy, &t.my[k], sizeof vy);
      std::memcpy(&vz, &t.mz[k], sizeof vz);
    }
    V4 px, py, pz, dx, dy, dz, cc;
    std::memcpy(&px, &t.px[k], sizeof px);
    std::memcpy(&py, &t.py[k], sizeof py);
    std::memcpy(&pz, &t.pz[k], sizeof pz);
    std::memcpy(&dx, &t.dx[k], sizeof dx);
    std::memcpy(&dy, &t.dy[k], sizeof dy);
    std::memcpy(&dz, &t.dz[k], sizeof dz);
    std::memcpy(&cc, &t.cc[k], sizeof cc);
    const V4 p1x = f.o[0] * vx + f.o[1] * vy + f.o[2] * vz;
    const V4 p1y = f.o[3] * vx + f.o[4] * vy + f.o[5] * vz;
    const V4 p1z = f.o[6] * vx + f.o[7] * vy + f.o[8] * vz;
    const V4 d1x = p1x - f.cx, d1y = p1y - f.cy, d1z = p1z - f.cz;
    const V4 wx = p1x - px, wy = p1y - py, wz = p1z - pz;
    const V4 aa = d1x * d1x + d1y * d1y + d1z * d1z;
    const V4 bb = d1x * dx + d1y * dy + d1z * dz;
    const V4 e1 = d1x * wx + d1y * wy + d1z * wz;
    const V4 e2 = dx * wx + dy * wy + dz * wz;
    const V4 dn = aa * cc - bb * bb;
    const V4 tt = (bb * e2 - cc * e1) / dn;
    const V4 sv = (aa * e2 - bb * e1) / dn;
    const V4 gx = (p1x + tt * d1x) - (px + sv * dx);
    const V4 gy = (p1y + tt * d1y) - (py + sv * dy);
    const V4 gz = (p1z + tt * d1z) - (pz + sv * dz);
    const V4 gap = gx * gx + gy * gy + gz * gz;
    M4 ok = (dn != 0) & ((dn - dn) == 0);  // the second: finite
    if (t.skip) ok &= (sv > 0) & (tt > 0) & (gap <= kHugeGap);
    const M4 inside = (lane + static_cast<double>(i)) < live;
    attention |= inside & ~ok;
    acc += inside ? gap : zero;
  }
  return {(acc[0] + acc[1]) + (acc[2] + acc[3]),
          (attention[0] | attention[1] | attention[2] | attention[3]) != 0};
}

struct PairResult {
  double t, s, gap;
  Vec3 a, b;  // the moving and the fixed view's rayPoints
};

// One pair exactly as Triangulate and ReconstructionError see it, parallel rule included.
PairResult SolvePair(const PairTable& t, const TrialFrame& f, std::size_t i) {
  Vec3 v;
  if (t.directions) {
    const double x = t.mx[i], y = t.my[i];
    v = {f.l[0] * x + f.l[1] * y + f.l[2] * f.nf, f.l[3] * x + f.l[4] * y + f.l[5] * f.nf,
         f.l[6] * x + f.l[7] * y + f.l[8] * f.nf};
    v.z += f.radius;
  } else {
    v = {t.mx[i], t.my[i], t.mz[i]};
  }
  const Vec3 p1{f.o[0] * v.x + f.o[1] * v.y + f.o[2] * v.z,
                f.o[3] * v.x + f.o[4] * v.y + f.o[5] * v.z,
                f.o[6] * v.x + f.o[7] * v.y + f.o[8] * v.z};
  const Vec3 p2{t.px[i], t.py[i], t.pz[i]}, d2{t.dx[i], t.dy[i], t.dz[i]};
  const Vec3 d1 = Sub(p1, Vec3{f.cx, f.cy, f.cz}), w = Sub(p1, p2);
  const double aa = Dot(d1, d1), bb = Dot(d1, d2), cc = t.cc[i];
  const double e1 = Dot(d1, w), e2 = Dot(d2, w);
  const double dn = aa * cc - bb * bb;
  PairResult r;
  if (dn != 0 && std::isfinite(dn)) {
    r.t = (bb * e2 - cc * e1) / dn;
    r.s = (aa * e2 - bb * e1) / dn;
  } else {
    r.t = 0;
    r.s = cc != 0 ? e2 / cc : 0;
  }
  r.a = Along(p1, r.t, d1);
  r.b = Along(p2, r.s, d2);
  const Vec3 g = Sub(r.a, r.b);
  r.gap = Dot(g, g);
  return r;
}

struct TrialResult {
  double sum;              // the gaps of every pair, or of those before the rejected one
  std::size_t rejectedAt;  // the first rejected pair; n when none is
};

struct Worker {
  CameraModel camera;  // the moving view's parameters with the trial angles
  bool hugeGap = false;

  TrialFrame Frame(double a, double b, bool directions);
  TrialResult Trial(const PairTable& t, const TrialFrame& f);
  // Takes blocks of vertices in increasing order until none are left.
  void Run(const PairTable& t, const double* source, TrialResult* results,
           std::atomic<std::size_t>& next, std::size_t vertices, std::size_t block);
};

TrialFrame Worker::Frame(double a, double b, bool directions) {
  if (directions)
    camera.pan = a, camera.tilt = b;
  else
    camera.azimuth = a, camera.altitude = b;
  camera.ComputeRotations();
  camera.ComputePositionAndCorners(0);
  TrialFrame f;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) f.o[3 * r + c] = camera.orbitMatrix[r][c];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) f.l[3 * r + c] = camera.lookMatrix[r][c];
  f.nf = -camera.focalLength;
  f.radius = camera.orbitRadius;
  f.cx = camera.cameraPosition.x, f.cy = camera.cameraPosition.y;
  f.cz = camera.cameraPosition.z;
  return f;
}

TrialResult Worker::Trial(const PairTable& t, const TrialFrame& f) {
  const std::size_t n = t.n;
  double sum = 0;
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t count = std::min(kBlock, n - first);
    const BlockSum block = SolveBlock(t, f, first, count);
    if (!block.attention) {
      sum += block.sum;
      continue;
    }
    for (std::size_t i = first; i < first + count; ++i) {
      const PairResult p = SolvePair(t, f, i);
      if (t.skip && !(p.s > 0 && p.t > 0)) return {sum, i};
      if (t.skip && !(p.gap <= kHugeGap)) hugeGap = true;
      sum += p.gap;
    }
  }
  return {sum, n};
}

void Worker::Run(const PairTable& t, const double* source, TrialResult* results,
                 std::atomic<std::size_t>& next, std::size_t vertices, std::size_t block) {
  for (;;) {
    const std::size_t first = next.fetch_add(block);
    if (first >= vertices) return;
    const std::size_t last = std::min(vertices, first + block);
    for (std::size_t v = first; v < last; ++v) {
      double a, b;
      DirectionToAngles(source[3 * v], source[3 * v + 1], source[3 * v + 2], a, b);
      results[v] = Trial(t, Frame(a, b, t.directions));
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

void BuildPairTable(MapKind kind, const CameraModel& moving, PairTable& t) {
  const CameraModel& fixed = *moving.otherView;
  t.n = static_cast<std::size_t>(moving.imagePointCount);
  t.directions = kind == MapKind::kDirections;
  t.skip = moving.skipNegativeST;
  const std::size_t padded = (t.n + kBlock - 1) / kBlock * kBlock;
  for (auto* v : {&t.mx, &t.my, &t.mz, &t.px, &t.py, &t.pz, &t.dx, &t.dy, &t.dz, &t.cc})
    ResizeOrDie(*v, padded, 0.0);
  // The look rotation from the parameters as they stand, as UpdateCamera would compute it.
  CameraModel looking;
  CopyCameraParameters(moving, looking);
  looking.ComputeRotations();
  for (std::size_t i = 0; i < t.n; ++i) {
    const Vec3 p = fixed.planePoints[i];
    const Vec3 dir = Sub(p, fixed.cameraPosition);
    t.px[i] = p.x, t.py[i] = p.y, t.pz[i] = p.z;
    t.dx[i] = dir.x, t.dy[i] = dir.y, t.dz[i] = dir.z;
    t.cc[i] = Dot(dir, dir);
    if (t.directions) {
      t.mx[i] = moving.imageX[i], t.my[i] = moving.imageY[i];
    } else {
      Vec3 v =
          Mul(looking.lookMatrix, Vec3{moving.imageX[i], moving.imageY[i], -moving.focalLength});
      v.z += moving.orbitRadius;
      t.mx[i] = v.x, t.my[i] = v.y, t.mz[i] = v.z;
    }
  }
}

// With rejections: the scores of the rejected trials from what earlier trials left behind,
// and the real cameras' pairs as the trials leave them for the final UpdateCamera(0).
// False when a real gap is too large to neglect next to a sentinel.
bool ReplayRejections(const PairTable& t, const double* source, std::size_t vertices,
                      const std::vector<TrialResult>& results, Worker& worker, double savedA,
                      double savedB, CameraModel& moving, double* scores, std::size_t& written) {
  const std::size_t n = t.n;
  CameraModel& fixed = *moving.otherView;
  const double sentinel = std::exp(50.0);
  const double sentinelGap = sentinel * sentinel;
  // What the pairs held before the map, summed from each pair to the last.
  std::vector<double> before;
  ResizeOrDie(before, n + 1, 0.0);
  for (std::size_t j = n; j-- > 0;) {
    const Vec3 g = Sub(moving.rayPoints[j], fixed.rayPoints[j]);
    before[j] = Dot(g, g) + before[j + 1];
  }

  std::vector<std::size_t> sentinels;  // pairs now holding a sentinel, smallest last
  struct Step {
    std::size_t vertex, reach;  // this vertex's trial wrote pairs up to reach last
  };
  std::vector<Step> steps;  // reach shrinking towards the back
  std::size_t covered = 0;  // pairs below this have been written by some trial
  for (std::size_t v = 0; v < vertices; ++v) {
    const TrialResult& r = results[v];
    if (r.rejectedAt == n) {
      scores[v] = std::log(std::sqrt(r.sum));
      sentinels.clear();
      steps.assign(1, Step{v, n - 1});
      covered = n;
      continue;
    }
    const std::size_t k = r.rejectedAt;
    while (!sentinels.empty() && sentinels.back() < k) sentinels.pop_back();
    const bool atK = !sentinels.empty() && sentinels.back() == k;
    const std::size_t later = sentinels.size() - (atK ? 1 : 0);
    const std::size_t real = covered > k + 1 ? covered - (k + 1) - later : 0;
    double sum = r.sum + sentinelGap;
    sum += static_cast<double>(later) * sentinelGap;
    if (real > 0 && !(static_cast<double>(real) * kHugeGap <= sum * 1e-13)) return false;
    sum += before[std::max(covered, k + 1)];
    scores[v] = std::log(std::sqrt(sum));
    if (!atK) sentinels.push_back(k);
    while (!steps.empty() && steps.back().reach <= k) steps.pop_back();
    steps.push_back(Step{v, k});
    covered = std::max(covered, k + 1);
  }

  // The final recomputation at the original angles: when it rejects too, the pairs after
  // its rejection keep what the last trial to reach them wrote.
  const TrialResult last = worker.Trial(t, worker.Frame(savedA, savedB, t.directions));
  written = std::min(n, std::max(covered, last.rejectedAt + 1));
  if (last.rejectedAt == n) return true;
  std::size_t low = 0;
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    const std::size_t from = std::max(low, last.rejectedAt + 1), to = step->reach;
    low = to + 1;
    if (from > to) continue;
    const std::size_t u = step->vertex;
    double a, b;
    DirectionToAngles(source[3 * u], source[3 * u + 1], source[3 * u + 2], a, b);
    const TrialFrame f = worker.Frame(a, b, t.directions);
    for (std::size_t j = from; j <= to; ++j) {
      if (j == results[u].rejectedAt) {
        moving.rayPoints[j] = Vec3{sentinel, 0, 0};
        fixed.rayPoints[j] = Vec3{0, 0, 0};
      } else {
        const PairResult p = SolvePair(t, f, j);
        moving.rayPoints[j] = p.a;
        fixed.rayPoints[j] = p.b;
      }
    }
  }
  return true;
}

// Scores on worker copies; the real cameras get the rayPoints the plain way would leave
// before its final UpdateCamera(0). False (cameras untouched) when the plain way must run.
bool ScoreInParallel(const FstShape& shape, std::size_t vertices, MapKind kind, CameraModel& moving,
                     double savedA, double savedB, double* scores, std::size_t& written) {
  PairTable t;
  BuildPairTable(kind, moving, t);
  const double* source = shape.sourceVertices.data();
  std::vector<TrialResult> results;
  ResizeOrDie(results, vertices);

  const std::size_t count = WorkerCount(vertices);
  std::vector<Worker> workers(count);
  for (Worker& w : workers) CopyCameraParameters(moving, w.camera);
  // Blocks small enough to keep every worker busy to the end, even when another program
  // holds a core for a while.
  const std::size_t block = std::max<std::size_t>(1, vertices / (8 * count));
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> threads;
  threads.reserve(count);
  for (std::size_t k = 1; k < count; ++k) {
    try {
      threads.emplace_back(&Worker::Run, &workers[k], std::cref(t), source, results.data(),
                           std::ref(next), vertices, block);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the others take the blocks
    }
  }
  workers[0].Run(t, source, results.data(), next, vertices, block);
  for (std::thread& th : threads) th.join();

  if (!t.skip) {
    for (std::size_t v = 0; v < vertices; ++v) scores[v] = std::log(std::sqrt(results[v].sum));
    written = t.n;
    return true;
  }
  for (const Worker& w : workers)
    if (w.hugeGap) return false;
  return ReplayRejections(t, source, vertices, results, workers[0], savedA, savedB, moving, scores,
                          written);
}

// Scores every vertex with the moving view at the vertex's angles, then leaves the
// cameras as one last UpdateCamera(0) at the original angles does. written: how many
// leading pairs the map's trials wrote (the rest keep what they held), or kUnknown.
constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
std::vector<double> ScoreVertices(const FstShape& shape, MapKind kind, CameraModel& moving,
                                  CameraModel& second, std::size_t& written) {
  written = kUnknown;
  const std::size_t vertices = MappedVertices(shape);
  std::vector<double> scores;
  ResizeOrDie(scores, vertices);

  double savedA, savedB;
  if (kind == MapKind::kPositions)
    moving.GetAzAlt(savedA, savedB);
  else
    moving.GetPanTilt(savedA, savedB);

  if (!(vertices > 0 && RegularPair(moving, second) &&
        ScoreInParallel(shape, vertices, kind, moving, savedA, savedB, scores.data(), written))) {
    written = kUnknown;
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

// A 64-bit digest of everything a map reads or writes, to tell "nothing changed".
class Digest {
 public:
  void Add(std::uint64_t w) {
    h_ = (h_ ^ w) * 0x9E3779B97F4A7C15ull;
    h_ ^= h_ >> 29;
  }
  void Add(double d) { Add(std::bit_cast<std::uint64_t>(d)); }
  void Add(const void* p) { Add(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p))); }
  void Add(const std::vector<double>& v) {
    Add(static_cast<std::uint64_t>(v.size()));
    for (double d : v) Add(d);
  }
  void Add(const std::vector<Vec3>& v) {
    Add(static_cast<std::uint64_t>(v.size()));
    for (const Vec3& p : v) Add(p.x), Add(p.y), Add(p.z);
  }
  std::uint64_t value() const { return h_; }

 private:
  std::uint64_t h_ = 0x243F6A8885A308D3ull;
};

// The cameras a map can read: the moving one, the score's view and their other views.
int InvolvedCameras(const CameraModel& moving, const CameraModel& second,
                    const CameraModel* (&cameras)[4]) {
  int count = 0;
  for (const CameraModel* c : {&moving, static_cast<const CameraModel*>(moving.otherView), &second,
                               static_cast<const CameraModel*>(second.otherView)})
    if (c != nullptr && std::find(cameras, cameras + count, c) == cameras + count)
      cameras[count++] = c;
  return count;
}

std::uint64_t RaysDigest(const CameraModel& moving, const CameraModel& second) {
  const CameraModel* cameras[4];
  const int count = InvolvedCameras(moving, second, cameras);
  Digest d;
  for (int k = 0; k < count; ++k) d.Add(cameras[k]->rayPoints);
  return d.value();
}

std::uint64_t StateDigest(const FstShape& shape, MapKind kind, const CameraModel& moving,
                          const CameraModel& second, bool withRays) {
  Digest d;
  d.Add(static_cast<std::uint64_t>(kind));
  d.Add(static_cast<const void*>(&moving));
  d.Add(static_cast<const void*>(&second));
  const CameraModel* cameras[4];
  const int count = InvolvedCameras(moving, second, cameras);
  for (int k = 0; k < count; ++k) {
    const CameraModel& c = *cameras[k];
    d.Add(static_cast<const void*>(&c));
    d.Add(static_cast<const void*>(c.otherView));
    for (double v : {c.azimuth, c.altitude, c.rotation, c.focalLength, c.distance, c.pan, c.tilt,
                     c.orbitRadius, static_cast<double>(c.scale)})
      d.Add(v);
    d.Add(static_cast<std::uint64_t>(c.imagePointCount));
    d.Add(static_cast<std::uint64_t>(c.skipNegativeST));
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col) d.Add(c.orbitMatrix[r][col]), d.Add(c.lookMatrix[r][col]);
    d.Add(c.cameraPosition.x), d.Add(c.cameraPosition.y), d.Add(c.cameraPosition.z);
    d.Add(c.imageX);
    d.Add(c.imageY);
    d.Add(c.planePoints);
    if (withRays)
      d.Add(c.rayPoints);
    else
      d.Add(static_cast<std::uint64_t>(c.rayPoints.size()));
  }
  d.Add(static_cast<std::uint64_t>(shape.pointCount));
  d.Add(static_cast<std::uint64_t>(shape.radialScore));
  d.Add(shape.sourceVertices);
  d.Add(shape.vertexColours);
  if (shape.radialScore)
    d.Add(shape.vertices);
  else
    d.Add(static_cast<std::uint64_t>(shape.vertices.size()));
  return d.value();
}

// Per shape, what its last map left, when mapping that state again would give the same.
struct Memo {
  std::uint64_t digest = 0;
  // Position map with rejections: the rays do not enter the colours, and the map leaves
  // the same leading pairs whatever they held, so the digest leaves them out and a skip
  // puts those pairs back.
  bool raysAside = false;
  std::vector<Vec3> movingRays, fixedRays;
};
std::mutex g_memoMutex;
std::unordered_map<const FstShape*, Memo> g_memo;

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

// One map, unless this shape's last map left exactly the state it would start from and
// mapping that state again is known to change nothing.
void Map(FstShape& shape, MapKind kind, CameraModel& moving, CameraModel& second,
         std::vector<double>* scoresOut, bool always) {
  if (!always && scoresOut == nullptr) {
    std::lock_guard<std::mutex> lock(g_memoMutex);
    const auto memo = g_memo.find(&shape);
    if (memo != g_memo.end() &&
        memo->second.digest == StateDigest(shape, kind, moving, second, !memo->second.raysAside)) {
      if (memo->second.raysAside) {
        const std::vector<Vec3>& a = memo->second.movingRays;
        const std::vector<Vec3>& b = memo->second.fixedRays;
        std::copy(a.begin(), a.end(), moving.rayPoints.begin());
        std::copy(b.begin(), b.end(), moving.otherView->rayPoints.begin());
      }
      return;
    }
  }
  const bool regular = RegularPair(moving, second);
  const bool settled = regular && !moving.skipNegativeST;
  const std::uint64_t raysBefore = settled ? 0 : RaysDigest(moving, second);

  std::size_t written;
  std::vector<double> scores = ScoreVertices(shape, kind, moving, second, written);
  ApplyScores(shape, scores, kind);
  g_computations.fetch_add(1);

  Memo memo;
  // A rejected trial scores 50 or more whatever the rays held, so in the position map
  // they never reach a colour.
  memo.raysAside =
      regular && moving.skipNegativeST && kind == MapKind::kPositions && written != kUnknown;
  const bool repeatable = settled || memo.raysAside || RaysDigest(moving, second) == raysBefore;
  if (memo.raysAside) {
    memo.movingRays.assign(moving.rayPoints.begin(), moving.rayPoints.begin() + written);
    memo.fixedRays.assign(moving.otherView->rayPoints.begin(),
                          moving.otherView->rayPoints.begin() + written);
  }
  if (repeatable) memo.digest = StateDigest(shape, kind, moving, second, !memo.raysAside);
  {
    std::lock_guard<std::mutex> lock(g_memoMutex);
    if (repeatable)
      g_memo[&shape] = std::move(memo);
    else
      g_memo.erase(&shape);
  }
  if (scoresOut != nullptr) *scoresOut = std::move(scores);
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

void MapScoreOverPositions(FstShape& shape, CameraModel& second, std::vector<double>* scores) {
  Map(shape, MapKind::kPositions, second, second, scores, false);
}

void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second,
                            std::vector<double>* scores) {
  Map(shape, MapKind::kDirections, view, second, scores, false);
}

void SetRadialScore(FstShape& shape, bool on, CameraModel& second) {
  shape.radialScore = on;
  if (!on) RestoreVertices(shape);
  // Selecting a sphere recomputes it even when it was shown before: no shortcut here.
  Map(shape, MapKind::kPositions, second, second, nullptr, true);
}

unsigned long long ErrorMapComputations() {
  return g_computations.load();
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
