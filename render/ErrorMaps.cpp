#include "render/ErrorMaps.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/Notify.h"
#include "base/Vec3.h"
#include "camera/ClosestPoints.h"
#include "render/MapKernel.h"

// How the maps are computed.
//
// The plain way tries every vertex on the real camera: set the trial angles,
// UpdateCamera(0), read ReconstructionError. That is what runs whenever the two views are
// not in the regular state below. In the regular state (both views linked to each other,
// equal non-zero point counts, every point array long enough) worker threads take blocks
// of vertices, each with its own copy of the moving camera's parameters, and do only the
// work that changes from one trial to the next: the fixed view's rays are computed once,
// and per trial only the pose's frame and the pair loop remain. The frame comes from the
// vertex coordinates (the sines and cosines of DirectionToAngles's angles are ratios of
// them); the pair loop (MapKernel) sums the squared gaps in closed form. Where the loop
// cannot vouch for a pair (near parallel, a sign of s or t too close to call, not finite)
// the pairs are computed with the camera model's own expressions in the same order, on
// the model's own frame, so every rejection is the model's to the bit.
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

struct ErrorMapMemoAccess {
  static bool& valid(ErrorMapMemo& m) { return m.valid_; }
  static std::uint64_t& digest(ErrorMapMemo& m) { return m.digest_; }
  static bool& raysAside(ErrorMapMemo& m) { return m.raysAside_; }
  static std::vector<Vec3>& movingRays(ErrorMapMemo& m) { return m.movingRays_; }
  static std::vector<Vec3>& fixedRays(ErrorMapMemo& m) { return m.fixedRays_; }
  static void SetRange(ErrorMapMemo& m, bool ranged, double min, double max) {
    m.ranged_ = ranged;
    m.min_ = min;
    m.max_ = max;
  }
};

namespace {

constexpr double kOutlierScore = kRejectedScore;
constexpr double kHueSpan = 0.7058823529411765;  // 12/17: blue-violet at 0, red at 1
// Below this many pairs tried (vertices times pairs) per worker, about a fifth of a
// millisecond, a thread costs more than it saves.
constexpr std::size_t kMinPairTrialsPerWorker = 200000;
// With rejections, real gaps left behind are neglected next to sentinels up to this.
constexpr double kHugeGap = kKernelHugeGap;
// The share of the largest magnitude in play (squared) under which the pair loop leaves
// the sign of a numerator of s or t to the model's expressions. The loop's rounding, and
// that of its frame, come to some hundred units in the last place of that magnitude
// (about 2e-14); this is several thousand times more.
constexpr double kSignMargin = 1e-10;

std::atomic<int> g_threadSetting{0};
std::atomic<int> g_kernelSetting{static_cast<int>(KernelLevel::kAvx512)};
std::atomic<unsigned long long> g_computations{0};
std::atomic<MapProgress*> g_progress{nullptr};

// How often a watched map asks its watcher whether to go on: often enough that a cancel
// takes effect at once, rarely enough that the asking costs nothing next to the trials.
constexpr auto kAskInterval = std::chrono::milliseconds(20);
constexpr std::size_t kPairTrialsPerClockRead = 1 << 16;

// The calling thread's side of a map: asks the watcher, if there is one, now and then
// whether to go on, and tells every worker to stop at its next vertex when it says no.
class MapWatch {
 public:
  MapWatch(std::size_t total, int pairs)
      : progress_(g_progress.load()),
        total_(total),
        every_(std::max<std::size_t>(
            1, kPairTrialsPerClockRead / static_cast<std::size_t>(std::max(pairs, 1)))) {}
  ~MapWatch() {
    if (progress_ != nullptr) progress_->Finished();
  }
  MapWatch(const MapWatch&) = delete;
  MapWatch& operator=(const MapWatch&) = delete;

  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
  // Asks at once; false when the map is to stop.
  bool Ask(std::size_t done) {
    if (progress_ == nullptr) return true;
    last_ = std::chrono::steady_clock::now();
    if (!Stopped() && !progress_->Continue(std::min(done, total_), total_))
      stop_.store(true, std::memory_order_relaxed);
    return !Stopped();
  }
  // After each vertex the calling thread tries; done counts the vertices taken so far.
  void Tick(std::size_t done) {
    if (progress_ == nullptr || ++sinceClockRead_ < every_) return;
    sinceClockRead_ = 0;
    if (std::chrono::steady_clock::now() - last_ >= kAskInterval) Ask(done);
  }

 private:
  MapProgress* const progress_;
  const std::size_t total_;
  const std::size_t every_;  // vertices between two readings of the clock
  std::size_t sinceClockRead_ = 0;
  std::chrono::steady_clock::time_point last_;
  std::atomic<bool> stop_{false};
};

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

enum class MapKind { kPositions, kDirections };

// The pair data of one map.
struct PairTable {
  std::size_t n = 0;
  bool directions = false;
  bool skip = false;
  PairKernel kernel = nullptr;
  // The pair loop's arrays; also the fixed view's rays (kernel.dx, dy, dz, cc) for the
  // pair-by-pair computation.
  KernelPairs pairs;
  // The camera model's own inputs for the pair-by-pair computation. Position map: the
  // moving view's image points turned by its look rotation and moved out by the orbit
  // radius, so that only the orbit rotation is left per trial. Direction map: imageX and
  // imageY (mz unused). p: the fixed view's planePoints.
  std::vector<double> mx, my, mz, px, py, pz;
  Vec3 fixedCentre;
  // The moving view's orbit radius and focal length; its look rotation (rows first), fixed
  // in the position map; its orbit rotation and centre, fixed in the direction map; its roll.
  double radius = 0, focal = 0;
  double look[9] = {}, orbit[9] = {};
  Vec3 movingCentre;
  double sinRoll = 0, cosRoll = 1;
};

// One trial's rotations and camera position, as UpdateCamera(0) computes them.
struct TrialFrame {
  double o[9];  // orbit, rows first
  double l[9];  // look
  double nf, radius;
  double cx, cy, cz;
};

void Multiply(const double a[9], const double b[9], double out[9]) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
}

// The pair loop's frame from the orbit and look rotations (rows first) and the moving
// view's centre.
KernelFrame MakeKernelFrame(const PairTable& t, const double orbit[9], const double look[9],
                            const Vec3& centre) {
  double m[9];
  Multiply(orbit, look, m);
  KernelFrame k;
  for (int r = 0; r < 3; ++r)
    k.a[r] = m[3 * r], k.c[r] = m[3 * r + 1], k.k[r] = -t.focal * m[3 * r + 2];
  k.b[0] = centre.x - t.fixedCentre.x;
  k.b[1] = centre.y - t.fixedCentre.y;
  k.b[2] = centre.z - t.fixedCentre.z;
  return k;
}

// The pair loop's frame from the model's.
KernelFrame KernelFrameOf(const PairTable& t, const TrialFrame& f) {
  return MakeKernelFrame(t, f.o, f.l, Vec3{f.cx, f.cy, f.cz});
}

// The pair loop's frame for the trial at the vertex direction (x, y, z), without
// trigonometry: the sine and cosine of atan2(x, z) are x / h and z / h, those of
// atan2(-y, h) are -y / r and h / r. False on the y axis and for coordinates that do not
// give finite ratios; there the model's frame is used.
bool KernelFrameAt(const PairTable& t, double x, double y, double z, KernelFrame& k) {
  const double h2 = x * x + z * z;
  const double h = std::sqrt(h2), r = std::sqrt(h2 + y * y);
  if (!(h > 0) || !(r < std::numeric_limits<double>::infinity())) return false;
  const double s1 = x / h, c1 = z / h, s2 = -y / r, c2 = h / r;
  if (!t.directions) {
    // The orbit rotation at (azimuth, altitude), as ComputeRotations builds it.
    const double o[9] = {c1, s2 * s1, c2 * s1, 0, c2, -s2, -s1, s2 * c1, c2 * c1};
    k = MakeKernelFrame(t, o, t.look, Vec3{t.radius * o[2], t.radius * o[5], t.radius * o[8]});
    return true;
  }
  // The look rotation at (pan, tilt) and the view's roll.
  const double sr = t.sinRoll, cr = t.cosRoll;
  const double l[9] = {
      cr * c1 + sr * s2 * s1, cr * s2 * s1 - sr * c1, c2 * s1, sr * c2, cr * c2, -s2,
      sr * s2 * c1 - cr * s1, cr * s2 * c1 + sr * s1, c2 * c1};
  k = MakeKernelFrame(t, t.orbit, l, t.movingCentre);
  return true;
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
  const KernelPairs& k = t.pairs;
  const Vec3 p2{t.px[i], t.py[i], t.pz[i]}, d2{k.dx[i], k.dy[i], k.dz[i]};
  const ClosestPoints c = SolveClosestPoints(p1, Sub(p1, Vec3{f.cx, f.cy, f.cz}), p2, d2, k.cc[i]);
  PairResult r{c.t, c.s, 0, c.first, c.second};
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

  // The model's frame at the trial angles.
  TrialFrame Frame(double a, double b, bool directions);
  // The trial at a vertex direction, and at the given angles.
  TrialResult TrialAt(const PairTable& t, const double* direction);
  TrialResult TrialAtAngles(const PairTable& t, double a, double b);
  // Takes blocks of vertices in increasing order until none are left or the watch says
  // stop; on the calling thread (asks) it also lets the watch ask the watcher.
  void Run(const PairTable& t, const double* source, TrialResult* results,
           std::atomic<std::size_t>& next, std::size_t vertices, std::size_t block, MapWatch& watch,
           bool asks);

 private:
  // The pair loop, and the model's expressions on the chunks it gives up on; exact()
  // returns the model's frame of the trial.
  template <class ExactFrame>
  TrialResult Sum(const PairTable& t, const KernelFrame& frame, ExactFrame&& exact);
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

template <class ExactFrame>
TrialResult Worker::Sum(const PairTable& t, const KernelFrame& frame, ExactFrame&& exact) {
  const std::size_t n = t.n;
  // Without rejections most trials have no pair to give up on: one check for the whole
  // trial first.
  if (!t.skip) {
    double all = 0;
    if (t.kernel(t.pairs, frame, 0, t.pairs.padded, all) >= n) return {all, n};
  }
  double sum = 0;
  for (std::size_t from = 0; from < n; from += kPairChunk) {
    from = t.kernel(t.pairs, frame, from, kPairChunk, sum);
    if (from >= n) break;
    const TrialFrame& f = exact();
    for (std::size_t i = from; i < std::min(from + kPairChunk, n); ++i) {
      const PairResult p = SolvePair(t, f, i);
      if (t.skip && !(p.s > 0 && p.t > 0)) return {sum, i};
      if (t.skip && !(p.gap <= kHugeGap)) hugeGap = true;
      sum += p.gap;
    }
  }
  return {sum, n};
}

TrialResult Worker::TrialAt(const PairTable& t, const double* direction) {
  TrialFrame model;
  bool built = false;
  const auto exact = [&]() -> const TrialFrame& {
    if (!built) {
      double a, b;
      DirectionToAngles(direction[0], direction[1], direction[2], a, b);
      model = Frame(a, b, t.directions);
      built = true;
    }
    return model;
  };
  KernelFrame frame;
  if (!KernelFrameAt(t, direction[0], direction[1], direction[2], frame))
    frame = KernelFrameOf(t, exact());
  return Sum(t, frame, exact);
}

TrialResult Worker::TrialAtAngles(const PairTable& t, double a, double b) {
  const TrialFrame model = Frame(a, b, t.directions);
  return Sum(t, KernelFrameOf(t, model), [&]() -> const TrialFrame& { return model; });
}

void Worker::Run(const PairTable& t, const double* source, TrialResult* results,
                 std::atomic<std::size_t>& next, std::size_t vertices, std::size_t block,
                 MapWatch& watch, bool asks) {
  for (;;) {
    const std::size_t first = next.fetch_add(block);
    if (first >= vertices) return;
    const std::size_t last = std::min(vertices, first + block);
    for (std::size_t v = first; v < last; ++v) {
      if (watch.Stopped()) return;
      results[v] = TrialAt(t, source + 3 * v);
      if (asks) watch.Tick(next.load(std::memory_order_relaxed));
    }
  }
}

std::size_t WorkerCount(std::size_t vertices, std::size_t pairs) {
  if (vertices == 0) return 1;
  const int setting = g_threadSetting.load();
  std::size_t count;
  if (setting > 0) {
    count = static_cast<std::size_t>(setting);
  } else {
    count = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t work = vertices * std::max<std::size_t>(pairs, 1);
    count = std::min(count, std::max<std::size_t>(1, work / kMinPairTrialsPerWorker));
  }
  return std::min(count, vertices);
}

PairKernel ChosenKernel() {
  const PairKernel chosen = KernelFor(static_cast<KernelLevel>(g_kernelSetting.load()));
  return chosen != nullptr ? chosen : KernelFor(BestKernelLevel());
}

void BuildPairTable(MapKind kind, const CameraModel& moving, PairTable& t) {
  const CameraModel& fixed = *moving.otherView;
  const std::size_t n = static_cast<std::size_t>(moving.imagePointCount);
  t.n = n;
  t.directions = kind == MapKind::kDirections;
  t.skip = moving.skipNegativeST;
  t.kernel = ChosenKernel();
  KernelPairs& k = t.pairs;
  k.n = n;
  k.skip = t.skip;
  k.padded = (n + kPairLanes - 1) / kPairLanes * kPairLanes;
  // Padding pairs have d = 0: no cross product, a gap of 0, and numerators that pass.
  for (auto* v : {&k.x, &k.y, &k.dx, &k.dy, &k.dz, &k.aa, &k.cc}) ResizeOrDie(*v, k.padded, 0.0);
  ResizeOrDie(k.parallelLimit, k.padded, -1.0);
  ResizeOrDie(k.pad, k.padded, 1.0);
  ResizeOrDie(k.tMin, k.padded, -1.0);
  ResizeOrDie(k.sMin, k.padded, -1.0);
  for (auto* v : {&t.mx, &t.my, &t.mz, &t.px, &t.py, &t.pz}) ResizeOrDie(*v, n, 0.0);

  // The rotations and centre from the parameters as they stand, as UpdateCamera would
  // compute them.
  CameraModel looking;
  CopyCameraParameters(moving, looking);
  looking.ComputeRotations();
  looking.ComputePositionAndCorners(0);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      t.orbit[3 * r + c] = looking.orbitMatrix[r][c], t.look[3 * r + c] = looking.lookMatrix[r][c];
  t.radius = looking.orbitRadius;
  t.focal = moving.focalLength;
  t.movingCentre = looking.cameraPosition;
  t.sinRoll = std::sin(looking.rotation), t.cosRoll = std::cos(looking.rotation);
  t.fixedCentre = fixed.cameraPosition;

  double largestU = 0, largestD = 0, largestP = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 p = fixed.planePoints[i];
    const Vec3 dir = Sub(p, fixed.cameraPosition);
    t.px[i] = p.x, t.py[i] = p.y, t.pz[i] = p.z;
    k.dx[i] = dir.x, k.dy[i] = dir.y, k.dz[i] = dir.z;
    k.cc[i] = Dot(dir, dir);
    const Vec3 image{moving.imageX[i], moving.imageY[i], -moving.focalLength};
    if (t.directions) {
      t.mx[i] = image.x, t.my[i] = image.y;
    } else {
      const Vec3 u = Mul(looking.lookMatrix, image);
      t.mx[i] = u.x, t.my[i] = u.y, t.mz[i] = u.z + moving.orbitRadius;
    }
    k.x[i] = image.x, k.y[i] = image.y;
    k.aa[i] = Dot(image, image);
    k.parallelLimit[i] = kNearParallel * (k.aa[i] * k.cc[i]);
    k.pad[i] = 0;
    largestU = std::max(largestU, k.aa[i]);
    largestD = std::max(largestD, k.cc[i]);
    largestP = std::max(largestP, Dot(p, p));
  }
  // Every length in the numerators of s and t (rays, centres, points) is below g.
  const double g = std::sqrt(largestU) + std::sqrt(largestD) + std::sqrt(largestP) +
                   std::fabs(moving.orbitRadius) + std::sqrt(Dot(t.fixedCentre, t.fixedCentre));
  const double margin = kSignMargin * g * g;
  for (std::size_t i = 0; i < n; ++i) {
    // Their rounding is below margin |d2|^2 for t and margin |d1| |d2| for s.
    k.tMin[i] = margin * k.cc[i];
    k.sMin[i] = margin * std::sqrt(k.aa[i] * k.cc[i]);
  }
}

// What the replay of the rejections reads.
struct ReplayInput {
  const PairTable& pairs;
  const double* source;  // the vertex directions, three coordinates each
  std::size_t vertices;
  const std::vector<TrialResult>& results;  // every vertex's trial
  double savedA, savedB;                    // the angles the map started from
};

// With rejections: the scores of the rejected trials from what earlier trials left behind,
// and the real cameras' pairs as the trials leave them for the final UpdateCamera(0).
class RejectionReplay {
 public:
  RejectionReplay(const ReplayInput& in, Worker& worker, CameraModel& moving)
      : in_(in), n_(in.pairs.n), worker_(worker), moving_(moving), fixed_(*moving.otherView) {}

  // The scores of every trial into scores. False when a real gap is too large to neglect
  // next to a sentinel.
  bool Score(double* scores) {
    SumPairsBeforeTheMap();
    for (std::size_t v = 0; v < in_.vertices; ++v)
      if (!ScoreTrial(v, scores[v])) return false;
    return true;
  }

  // Puts into the real cameras the pairs the trials leave behind; the number of leading
  // pairs they wrote.
  std::size_t LeaveRaysAsTheTrialsDo() {
    // The final recomputation at the original angles: when it rejects too, the pairs after
    // its rejection keep what the last trial to reach them wrote.
    const TrialResult last = worker_.TrialAtAngles(in_.pairs, in_.savedA, in_.savedB);
    const std::size_t written = std::min(n_, std::max(covered_, last.rejectedAt + 1));
    if (last.rejectedAt == n_) return written;
    std::size_t low = 0;
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
      const std::size_t from = std::max(low, last.rejectedAt + 1), to = step->reach;
      low = to + 1;
      if (from <= to) RewriteRays(step->vertex, from, to);
    }
    return written;
  }

 private:
  struct Step {
    std::size_t vertex, reach;  // this vertex's trial wrote pairs up to reach last
  };

  // What the pairs held before the map, summed from each pair to the last.
  void SumPairsBeforeTheMap() {
    ResizeOrDie(before_, n_ + 1, 0.0);
    for (std::size_t j = n_; j-- > 0;) {
      const Vec3 g = Sub(moving_.rayPoints[j], fixed_.rayPoints[j]);
      before_[j] = Dot(g, g) + before_[j + 1];
    }
  }

  // One trial's score, in vertex order, from what the earlier trials left behind.
  bool ScoreTrial(std::size_t v, double& score) {
    const TrialResult& r = in_.results[v];
    if (r.rejectedAt == n_) {
      score = std::log(std::sqrt(r.sum));
      sentinels_.clear();
      steps_.assign(1, Step{v, n_ - 1});
      covered_ = n_;
      return true;
    }
    const std::size_t k = r.rejectedAt;
    while (!sentinels_.empty() && sentinels_.back() < k) sentinels_.pop_back();
    const bool atK = !sentinels_.empty() && sentinels_.back() == k;
    const std::size_t later = sentinels_.size() - (atK ? 1 : 0);
    const std::size_t real = covered_ > k + 1 ? covered_ - (k + 1) - later : 0;
    double sum = r.sum + sentinelGap_;
    sum += static_cast<double>(later) * sentinelGap_;
    if (real > 0 && !(static_cast<double>(real) * kHugeGap <= sum * 1e-13)) return false;
    sum += before_[std::max(covered_, k + 1)];
    score = std::log(std::sqrt(sum));
    if (!atK) sentinels_.push_back(k);
    while (!steps_.empty() && steps_.back().reach <= k) steps_.pop_back();
    steps_.push_back(Step{v, k});
    covered_ = std::max(covered_, k + 1);
    return true;
  }

  // Pairs from to to as vertex u's trial wrote them.
  void RewriteRays(std::size_t u, std::size_t from, std::size_t to) {
    const double* d = in_.source + 3 * u;
    double a, b;
    DirectionToAngles(d[0], d[1], d[2], a, b);
    const TrialFrame f = worker_.Frame(a, b, in_.pairs.directions);
    for (std::size_t j = from; j <= to; ++j) {
      if (j == in_.results[u].rejectedAt) {
        moving_.rayPoints[j] = Vec3{sentinel_, 0, 0};
        fixed_.rayPoints[j] = Vec3{0, 0, 0};
      } else {
        const PairResult p = SolvePair(in_.pairs, f, j);
        moving_.rayPoints[j] = p.a;
        fixed_.rayPoints[j] = p.b;
      }
    }
  }

  const ReplayInput in_;
  const std::size_t n_;
  Worker& worker_;
  CameraModel& moving_;
  CameraModel& fixed_;
  const double sentinel_ = std::exp(kRejectedScore);
  const double sentinelGap_ = sentinel_ * sentinel_;
  std::vector<double> before_;
  std::vector<std::size_t> sentinels_;  // pairs now holding a sentinel, smallest last
  std::vector<Step> steps_;             // reach shrinking towards the back
  std::size_t covered_ = 0;             // pairs below this were written by some trial
};

// Scores on worker copies; the real cameras get the rayPoints the plain way would leave
// before its final UpdateCamera(0). False (cameras untouched) when the plain way must run;
// true with the cameras untouched when the watch stopped it.
bool ScoreInParallel(const FstShape& shape, std::size_t vertices, MapKind kind, CameraModel& moving,
                     double savedA, double savedB, double* scores, std::size_t& written,
                     MapWatch& watch) {
  PairTable t;
  BuildPairTable(kind, moving, t);
  const double* source = shape.sourceVertices.data();
  std::vector<TrialResult> results;
  ResizeOrDie(results, vertices);

  const std::size_t count = WorkerCount(vertices, t.n);
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
                           std::ref(next), vertices, block, std::ref(watch), false);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the others take the blocks
    }
  }
  workers[0].Run(t, source, results.data(), next, vertices, block, watch, true);
  for (std::thread& th : threads) th.join();
  if (watch.Stopped()) return true;

  if (!t.skip) {
    for (std::size_t v = 0; v < vertices; ++v) scores[v] = std::log(std::sqrt(results[v].sum));
    written = t.n;
    return true;
  }
  for (const Worker& w : workers)
    if (w.hugeGap) return false;
  RejectionReplay replay(ReplayInput{t, source, vertices, results, savedA, savedB}, workers[0],
                         moving);
  if (!replay.Score(scores)) return false;
  written = replay.LeaveRaysAsTheTrialsDo();
  return true;
}

// Scores every vertex with the moving view at the vertex's angles, then leaves the
// cameras as one last UpdateCamera(0) at the original angles does. written: how many
// leading pairs the map's trials wrote (the rest keep what they held), or kUnknown.
constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
// When the watch stops it, the scores are incomplete and the cameras as the final
// UpdateCamera(0) leaves them.
std::vector<double> ScoreVertices(const FstShape& shape, MapKind kind, CameraModel& moving,
                                  CameraModel& second, std::size_t& written, MapWatch& watch) {
  written = kUnknown;
  const std::size_t vertices = MappedVertices(shape);
  std::vector<double> scores;
  ResizeOrDie(scores, vertices);

  double savedA, savedB;
  if (kind == MapKind::kPositions)
    moving.GetAzAlt(savedA, savedB);
  else
    moving.GetPanTilt(savedA, savedB);

  if (NoPairCanColour(moving, second)) {
    std::fill(scores.begin(), scores.end(), -std::numeric_limits<double>::infinity());
  } else if (!(vertices > 0 && RegularPair(moving, second) &&
               ScoreInParallel(shape, vertices, kind, moving, savedA, savedB, scores.data(),
                               written, watch))) {
    written = kUnknown;
    for (std::size_t v = 0; v < vertices && !watch.Stopped(); ++v) {
      const double* p = &shape.sourceVertices[3 * v];
      double a, b;
      DirectionToAngles(p[0], p[1], p[2], a, b);
      if (kind == MapKind::kPositions)
        moving.SetAzAlt(a, b);
      else
        moving.SetPanTilt(a, b);
      moving.UpdateCamera(0);
      scores[v] = second.ReconstructionError();
      watch.Tick(v + 1);
    }
  }

  if (kind == MapKind::kPositions)
    moving.SetAzAlt(savedA, savedB);
  else
    moving.SetPanTilt(savedA, savedB);
  moving.UpdateCamera(0);
  return scores;
}

// A 64-bit digest of everything a map reads or writes, to tell "nothing changed". Arrays
// are mixed four words at a time, so a large sphere costs a fraction of a millisecond.
class Digest {
 public:
  void Add(std::uint64_t w) { h_ = Mix(h_ ^ w); }
  void Add(double d) { Add(std::bit_cast<std::uint64_t>(d)); }
  void Add(const void* p) { Add(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p))); }
  void Add(const std::vector<double>& v) { AddWords(v.data(), v.size()); }
  void Add(const std::vector<Vec3>& v) {
    static_assert(sizeof(Vec3) == 3 * sizeof(double));
    AddWords(v.data(), 3 * v.size());
  }
  std::uint64_t value() const { return h_; }

  // The digest of a whole array.
  static std::uint64_t Of(const std::vector<double>& v) {
    Digest d;
    d.Add(v);
    return d.value();
  }

 private:
  static std::uint64_t Mix(std::uint64_t h) {
    h *= 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }
  void AddWords(const void* data, std::size_t count) {
    Add(static_cast<std::uint64_t>(count));
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::uint64_t lane[4] = {h_, h_ + 1, h_ + 2, h_ + 3};
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
      std::uint64_t w[4];
      std::memcpy(w, bytes + 8 * i, sizeof w);
      for (int k = 0; k < 4; ++k) lane[k] = Mix(lane[k] ^ w[k]);
    }
    for (; i < count; ++i) {
      std::uint64_t w;
      std::memcpy(&w, bytes + 8 * i, sizeof w);
      lane[0] = Mix(lane[0] ^ w);
    }
    for (std::uint64_t l : lane) Add(l);
  }

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

// sourceDigest: Digest::Of(shape.sourceVertices), which no map changes, so that a map
// digests the sphere once.
std::uint64_t StateDigest(const FstShape& shape, MapKind kind, const CameraModel& moving,
                          const CameraModel& second, bool withRays, std::uint64_t sourceDigest) {
  Digest d;
  d.Add(static_cast<std::uint64_t>(kind));
  d.Add(static_cast<const void*>(&shape));
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
  d.Add(sourceDigest);
  d.Add(shape.vertexColours);
  if (shape.radialScore)
    d.Add(shape.vertices);
  else
    d.Add(static_cast<std::uint64_t>(shape.vertices.size()));
  return d.value();
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

// Colours (and in the radial position map, places) the vertices by their scores; false
// when the scores give no range (see ScoreRange), which min and max then hold.
bool ApplyScores(FstShape& shape, const std::vector<double>& scores, MapKind kind, double& min,
                 double& max) {
  const bool positions = kind == MapKind::kPositions;
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

// One map, unless memo says that this shape's last map left exactly the state it would
// start from and mapping that state again is known to change nothing.
void Map(FstShape& shape, MapKind kind, CameraModel& moving, CameraModel& second,
         std::vector<double>* scoresOut, bool always, ErrorMapMemo* memo) {
  using M = ErrorMapMemoAccess;
  // Whatever ran before may have left the upper vector halves dirty, which slows the
  // code built for SSE here tenfold; the map leaves them clean for what follows.
  ClearUpperVectorState();
  const std::uint64_t source = memo != nullptr ? Digest::Of(shape.sourceVertices) : 0;
  if (memo != nullptr && !always && scoresOut == nullptr && M::valid(*memo) &&
      M::digest(*memo) == StateDigest(shape, kind, moving, second, !M::raysAside(*memo), source)) {
    if (M::raysAside(*memo)) {
      const std::vector<Vec3>& a = M::movingRays(*memo);
      const std::vector<Vec3>& b = M::fixedRays(*memo);
      std::copy(a.begin(), a.end(), moving.rayPoints.begin());
      std::copy(b.begin(), b.end(), moving.otherView->rayPoints.begin());
    }
    ClearUpperVectorState();
    return;
  }
  // A map cancelled before it starts costs nothing more.
  MapWatch watch(MappedVertices(shape), moving.imagePointCount);
  if (!watch.Ask(0)) return;
  const bool regular = RegularPair(moving, second);
  const bool settled = regular && !moving.skipNegativeST;
  const std::uint64_t raysBefore = memo == nullptr || settled ? 0 : RaysDigest(moving, second);

  std::size_t written;
  std::vector<double> scores = ScoreVertices(shape, kind, moving, second, written, watch);
  if (watch.Stopped()) {
    ClearUpperVectorState();
    return;
  }
  double min = 0, max = 0;
  const bool ranged = ApplyScores(shape, scores, kind, min, max);
  g_computations.fetch_add(1);

  if (memo != nullptr) {
    M::SetRange(*memo, ranged, min, max);
    // A rejected trial scores kRejectedScore or more whatever the rays held, so in the
    // position map they never reach a colour.
    const bool raysAside =
        regular && moving.skipNegativeST && kind == MapKind::kPositions && written != kUnknown;
    const bool repeatable = settled || raysAside || RaysDigest(moving, second) == raysBefore;
    M::valid(*memo) = repeatable;
    M::raysAside(*memo) = raysAside;
    M::movingRays(*memo).clear();
    M::fixedRays(*memo).clear();
    if (raysAside) {
      M::movingRays(*memo).assign(moving.rayPoints.begin(), moving.rayPoints.begin() + written);
      M::fixedRays(*memo).assign(moving.otherView->rayPoints.begin(),
                                 moving.otherView->rayPoints.begin() + written);
    }
    if (repeatable) M::digest(*memo) = StateDigest(shape, kind, moving, second, !raysAside, source);
  }
  if (scoresOut != nullptr) *scoresOut = std::move(scores);
  ClearUpperVectorState();
}

}  // namespace

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

void MapScoreOverPositions(FstShape& shape, CameraModel& second, std::vector<double>* scores,
                           ErrorMapMemo* memo) {
  Map(shape, MapKind::kPositions, second, second, scores, false, memo);
}

void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second,
                            std::vector<double>* scores, ErrorMapMemo* memo) {
  Map(shape, MapKind::kDirections, view, second, scores, false, memo);
}

void SetRadialScore(FstShape& shape, bool on, CameraModel& second, ErrorMapMemo* memo) {
  shape.radialScore = on;
  if (!on) RestoreVertices(shape);
  // Selecting a sphere recomputes it even when it was shown before: no shortcut here.
  Map(shape, MapKind::kPositions, second, second, nullptr, true, memo);
}

MapProgress* SetErrorMapProgress(MapProgress* progress) {
  return g_progress.exchange(progress);
}

unsigned long long ErrorMapComputations() {
  return g_computations.load();
}

int SetErrorMapThreads(int count) {
  return g_threadSetting.exchange(std::max(count, 0));
}

KernelLevel SetErrorMapKernel(KernelLevel level) {
  return static_cast<KernelLevel>(g_kernelSetting.exchange(static_cast<int>(level)));
}

}  // namespace velmora
