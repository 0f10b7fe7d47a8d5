#include "render/MapTrials.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "base/Notify.h"
#include "render/ErrorMaps.h"  // DirectionToAngles

namespace velmora {

namespace {

// The share of the largest magnitude in play (squared) under which the pair loop leaves
// the sign of a numerator of s or t to the model's expressions. The loop's rounding, and
// that of its frame, come to some hundred units in the last place of that magnitude
// (about 2e-14); this is several thousand times more.
constexpr double kSignMargin = 1e-10;

void Multiply(const double a[9], const double b[9], double out[9]) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
}

// The pair loop's frame from the orbit and look rotations (rows first) and the moving
// view's centre.
KernelFrame MakeKernelFrame(const PairTable& t, const double orbit[9], const double look[9],
                            const Vec3& centre, double focal) {
  double m[9];
  Multiply(orbit, look, m);
  KernelFrame k;
  for (int r = 0; r < 3; ++r)
    k.a[r] = m[3 * r], k.c[r] = m[3 * r + 1], k.k[r] = -focal * m[3 * r + 2];
  k.b[0] = centre.x - t.fixedCentre.x;
  k.b[1] = centre.y - t.fixedCentre.y;
  k.b[2] = centre.z - t.fixedCentre.z;
  return k;
}

// The pair loop's frame from the model's.
KernelFrame KernelFrameOf(const PairTable& t, const TrialFrame& f) {
  return MakeKernelFrame(t, f.o, f.l, Vec3{f.cx, f.cy, f.cz}, -f.nf);
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
    k = MakeKernelFrame(t, o, t.look, Vec3{t.radius * o[2], t.radius * o[5], t.radius * o[8]},
                        t.focal);
    return true;
  }
  // The look rotation at (pan, tilt) and the view's roll.
  const double sr = t.sinRoll, cr = t.cosRoll;
  const double l[9] = {
      cr * c1 + sr * s2 * s1, cr * s2 * s1 - sr * c1, c2 * s1, sr * c2, cr * c2, -s2,
      sr * s2 * c1 - cr * s1, cr * s2 * c1 + sr * s1, c2 * c1};
  k = MakeKernelFrame(t, t.orbit, l, t.movingCentre, t.focal);
  return true;
}

PairKernel ChosenKernel(KernelLevel level) {
  const PairKernel chosen = KernelFor(level);
  return chosen != nullptr ? chosen : KernelFor(BestKernelLevel());
}

// The table's arrays for n pairs, padded for the pair loop.
void SizePairTable(PairTable& t, std::size_t n) {
  KernelPairs& k = t.pairs;
  k.n = n;
  k.padded = (n + kPairLanes - 1) / kPairLanes * kPairLanes;
  // Padding pairs have d = 0: no cross product, a gap of 0, and numerators that pass.
  for (auto* v : {&k.x, &k.y, &k.dx, &k.dy, &k.dz, &k.aa, &k.cc}) ResizeOrDie(*v, k.padded, 0.0);
  ResizeOrDie(k.parallelLimit, k.padded, -1.0);
  ResizeOrDie(k.pad, k.padded, 1.0);
  ResizeOrDie(k.tMin, k.padded, -1.0);
  ResizeOrDie(k.sMin, k.padded, -1.0);
  for (auto* v : {&t.mx, &t.my, &t.mz, &t.px, &t.py, &t.pz}) ResizeOrDie(*v, n, 0.0);
}

// "No s,t<0": the smallest numerators of t and s the pair loop takes as certainly
// positive. g bounds every length in those numerators (rays, centres, points).
void SetSignMargins(PairTable& t, double g) {
  KernelPairs& k = t.pairs;
  const double margin = kSignMargin * g * g;
  for (std::size_t i = 0; i < t.n; ++i) {
    // Their rounding is below margin |d2|^2 for t and margin |d1| |d2| for s.
    k.tMin[i] = margin * k.cc[i];
    k.sMin[i] = margin * std::sqrt(k.aa[i] * k.cc[i]);
  }
}

}  // namespace

void CopyCameraParameters(const CameraModel& from, CameraModel& to) {
  to.SetParams(from.GetParams());
  to.SetScale(from.GetScale());
}

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
  const Vec3 g = Sub(c.first, c.second);
  return {c, Dot(g, g)};
}

TrialFrame TrialWorker::Frame(double a, double b, bool directions) {
  if (directions)
    camera_.SetPanTilt(a, b);
  else
    camera_.SetAzAlt(a, b);
  return CameraFrame();
}

TrialFrame TrialWorker::CameraFrame() {
  camera_.ComputeRotations();
  camera_.ComputePositionAndCorners(0);
  TrialFrame f;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) f.o[3 * r + c] = camera_.orbitMatrix[r][c];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) f.l[3 * r + c] = camera_.lookMatrix[r][c];
  f.nf = -camera_.GetFocalLength();
  f.radius = camera_.GetOrbitRadius();
  f.cx = camera_.cameraPosition.x, f.cy = camera_.cameraPosition.y;
  f.cz = camera_.cameraPosition.z;
  return f;
}

double TrialError(const PairTable& t, ErrorKind kind, double plainError, double baseline) {
  if (kind == ErrorKind::kPlain) return plainError;
  // The moving view's centre lies the orbit radius from the origin whatever its angles.
  const double reach = std::fabs(t.radius) + std::sqrt(Dot(t.fixedCentre, t.fixedCentre));
  return BaselineError(plainError, t.n, baseline, reach);
}

template <class ExactFrame>
TrialResult TrialWorker::Sum(const PairTable& t, const KernelFrame& frame, ExactFrame&& exact) {
  TrialResult r = SumGaps(t, frame, exact);
  // The one more term of the baseline error, from the centres the frame holds.
  r.baseline =
      std::sqrt(frame.b[0] * frame.b[0] + frame.b[1] * frame.b[1] + frame.b[2] * frame.b[2]);
  return r;
}

template <class ExactFrame>
TrialResult TrialWorker::SumGaps(const PairTable& t, const KernelFrame& frame, ExactFrame&& exact) {
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
      if (t.skip && !(p.gap <= kKernelHugeGap)) hugeGap_ = true;
      sum += p.gap;
    }
  }
  return {sum, n};
}

TrialResult TrialWorker::TrialAt(const PairTable& t, const double* direction) {
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

TrialResult TrialWorker::TrialAtAngles(const PairTable& t, double a, double b) {
  const TrialFrame model = Frame(a, b, t.directions);
  return Sum(t, KernelFrameOf(t, model), [&]() -> const TrialFrame& { return model; });
}

TrialResult TrialWorker::TrialWithParams(const PairTable& t, const CameraParams& params) {
  camera_.SetParams(params);
  const TrialFrame model = CameraFrame();
  return Sum(t, KernelFrameOf(t, model), [&]() -> const TrialFrame& { return model; });
}

void BuildPairTable(MapKind kind, const CameraModel& moving, KernelLevel level, PairTable& t) {
  const CameraModel& fixed = *moving.otherView;
  const std::size_t n = static_cast<std::size_t>(moving.imagePointCount);
  t.n = n;
  t.directions = kind == MapKind::kDirections;
  t.skip = moving.skipNegativeST;
  t.kernel = ChosenKernel(level);
  KernelPairs& k = t.pairs;
  k.skip = t.skip;
  SizePairTable(t, n);

  // The rotations and centre from the parameters as they stand, as UpdateCamera would
  // compute them.
  CameraModel looking;
  CopyCameraParameters(moving, looking);
  looking.ComputeRotations();
  looking.ComputePositionAndCorners(0);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      t.orbit[3 * r + c] = looking.orbitMatrix[r][c], t.look[3 * r + c] = looking.lookMatrix[r][c];
  t.radius = looking.GetOrbitRadius();
  t.focal = moving.GetFocalLength();
  t.movingCentre = looking.cameraPosition;
  t.sinRoll = std::sin(looking.GetRotation()), t.cosRoll = std::cos(looking.GetRotation());
  t.fixedCentre = fixed.cameraPosition;

  double largestU = 0, largestD = 0, largestP = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 p = fixed.planePoints[i];
    const Vec3 dir = Sub(p, fixed.cameraPosition);
    t.px[i] = p.x, t.py[i] = p.y, t.pz[i] = p.z;
    k.dx[i] = dir.x, k.dy[i] = dir.y, k.dz[i] = dir.z;
    k.cc[i] = Dot(dir, dir);
    const Vec3 image{moving.imageX[i], moving.imageY[i], -moving.GetFocalLength()};
    if (t.directions) {
      t.mx[i] = image.x, t.my[i] = image.y;
    } else {
      const Vec3 u = Mul(looking.lookMatrix, image);
      t.mx[i] = u.x, t.my[i] = u.y, t.mz[i] = u.z + moving.GetOrbitRadius();
    }
    k.x[i] = image.x, k.y[i] = image.y;
    k.aa[i] = Dot(image, image);
    k.parallelLimit[i] = kNearParallel * (k.aa[i] * k.cc[i]);
    k.pad[i] = 0;
    largestU = std::max(largestU, k.aa[i]);
    largestD = std::max(largestD, k.cc[i]);
    largestP = std::max(largestP, Dot(p, p));
  }
  SetSignMargins(t, std::sqrt(largestU) + std::sqrt(largestD) + std::sqrt(largestP) +
                        std::fabs(moving.GetOrbitRadius()) +
                        std::sqrt(Dot(t.fixedCentre, t.fixedCentre)));
}

}  // namespace velmora
