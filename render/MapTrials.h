#pragma once
// One trial of an error map: the moving view at one vertex's angles, scored by the sum of
// its pairs' squared gaps, on a copy of the moving camera's parameters so that worker
// threads can try vertices side by side. Core code: no OpenGL.
//
// Only what changes from one trial to the next is done per trial: the fixed view's rays
// are computed once (PairTable), and per trial only the pose's frame and the pair loop
// remain. The frame comes from the vertex coordinates (the sines and cosines of
// DirectionToAngles's angles are ratios of them); the pair loop (MapKernel) sums the
// squared gaps in closed form. Where the loop cannot vouch for a pair (near parallel, a
// sign of s or t too close to call, not finite) the pairs are computed with the camera
// model's own expressions in the same order, on the model's own frame, so every
// rejection is the model's to the bit.

#include <cstddef>
#include <vector>

#include "base/Vec3.h"
#include "camera/CameraModel.h"
#include "camera/ClosestPoints.h"
#include "render/MapKernel.h"

namespace velmora {

// Which angles of the moving view a map sets: azimuth and altitude, or pan and tilt.
enum class MapKind { kPositions, kDirections };

// The vertices a map tries, and the angles its moving view started from.
struct TrialSet {
  MapKind kind;
  const double* directions;  // three coordinates a vertex
  std::size_t vertices;
  double startA, startB;
};

// The parameters UpdateCamera reads, as they stand (orbitRadius is not renewed from them).
void CopyCameraParameters(const CameraModel& from, CameraModel& to);

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

// The table of the moving view against its other view as they stand, with the pair loop
// of the given level (the best one where the processor or the build lacks it).
void BuildPairTable(MapKind kind, const CameraModel& moving, KernelLevel level, PairTable& t);

// One trial's rotations and camera position, as UpdateCamera(0) computes them.
struct TrialFrame {
  double o[9];  // orbit, rows first
  double l[9];  // look
  double nf, radius;
  double cx, cy, cz;
};

// Pair i exactly as Triangulate and ReconstructionError see it, parallel rule included:
// first and second are the moving and the fixed view's rayPoints, gap their squared
// distance.
struct PairResult : ClosestPoints {
  double gap;
};
PairResult SolvePair(const PairTable& t, const TrialFrame& f, std::size_t i);

struct TrialResult {
  double sum;              // the gaps of every pair, or of those before the rejected one
  std::size_t rejectedAt;  // the first rejected pair; n when none is
  double baseline = 0;     // the distance between the two centres
};

// The error of the given kind from a trial's plain error (log sqrt of its summed gaps).
double TrialError(const PairTable& t, ErrorKind kind, double plainError, double baseline);

// The trials of one thread, on its own copy of the moving view's parameters.
class TrialWorker {
 public:
  void CopyCamera(const CameraModel& moving) { CopyCameraParameters(moving, camera_); }
  // With rejections: a trial met a real gap above kKernelHugeGap, too large to neglect
  // next to a rejection's sentinel.
  bool HugeGap() const { return hugeGap_; }

  // The model's frame at the trial angles.
  TrialFrame Frame(double a, double b, bool directions);
  // The model's frame at the parameters the worker's camera holds.
  TrialFrame CameraFrame();
  // The trial at a vertex direction, and at the given angles.
  TrialResult TrialAt(const PairTable& t, const double* direction);
  TrialResult TrialAtAngles(const PairTable& t, double a, double b);
  // The trial with all seven parameters given, on a direction map's table (which takes
  // every rotation, centre and focal length from the trial's frame).
  TrialResult TrialWithParams(const PairTable& t, const CameraParams& params);

 private:
  // The pair loop, and the model's expressions on the chunks it gives up on; exact()
  // returns the model's frame of the trial.
  template <class ExactFrame>
  TrialResult Sum(const PairTable& t, const KernelFrame& frame, ExactFrame&& exact);
  template <class ExactFrame>
  TrialResult SumGaps(const PairTable& t, const KernelFrame& frame, ExactFrame&& exact);

  CameraModel camera_;  // the moving view's parameters with the trial angles
  bool hugeGap_ = false;
};

}  // namespace velmora
