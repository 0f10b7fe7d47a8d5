#pragma once
// The pair loop of the error maps: the squared gap of every pair in closed form, for one
// trial pose, on the widest vectors the processor has. Core code: no OpenGL.
//
// For rays P1 + t d1 and P2 + s d2 through the camera centres C1 and C2 the squared
// distance between the lines is (B . (d1 x d2))^2 / |d1 x d2|^2 with B = C1 - C2: one
// division per pair and no closest points. The moving view's ray through
// its image point (x, y) is d1 = orbit * look * (x, y, -focal length), linear in (x, y, 1):
// per trial d1 = x A + y C + K, two fused steps a coordinate, and |d1|^2 = x^2 + y^2 +
// focal length^2 (the rotations keep lengths), which only "No s,t<0" needs.
//
// The loop works in chunks and gives up on a chunk, for the caller to redo it pair by pair
// with the camera model's own expressions, when one of its pairs is near parallel, has a
// gap beyond kKernelHugeGap or is not finite, or, with "No s,t<0", when the sign of the
// numerator of s or t is not certain: the margins below cover the rounding of this
// formulation and of a frame built without trigonometry, so any sign the loop accepts is
// the camera model's to the bit.

#include <cstddef>
#include <vector>

#include "render/MapSettings.h"  // KernelLevel

namespace velmora {

// Pairs are padded to a multiple of the widest vector.
constexpr std::size_t kPairLanes = 8;
// Pairs the loop accepts or gives up on together, when the pairs given up on are to be
// few (a multiple of kPairLanes).
constexpr std::size_t kPairChunk = 32;
// A pair is near parallel when |d1 x d2|^2 is not above this share of |d1|^2 |d2|^2.
constexpr double kNearParallel = 1e-4;
// Gaps beyond this are left to the pair-by-pair computation.
constexpr double kKernelHugeGap = 1e20;

// One map's pairs, one array per coordinate, padded with pairs (d = 0) that are accepted
// with a gap of exactly 0.
struct KernelPairs {
  std::size_t n = 0, padded = 0;
  bool skip = false;  // "No s,t<0"
  // (x, y): the moving view's image point. d: the fixed view's ray, planePoint -
  // cameraPosition.
  std::vector<double> x, y, dx, dy, dz;
  std::vector<double> aa, cc;  // |d1|^2 and |d|^2
  // kNearParallel |d1|^2 |d|^2, and 0 (1 in the padding) added to |d1 x d|^2 under the
  // division.
  std::vector<double> parallelLimit, pad;
  // "No s,t<0": the smallest numerators of t and s taken as certainly positive.
  std::vector<double> tMin, sMin;
};

// One trial: d1 = x A + y C + K and B = C1 - C2.
struct KernelFrame {
  double a[3], c[3], k[3], b[3];
};

// Sums into sum the gaps of the chunks of chunk pairs (a multiple of kPairLanes) from pair
// `from` (a multiple of chunk) on, stopping at the first chunk it gives up on. Returns that
// chunk's first pair, or a value >= pairs.n when every chunk was summed.
using PairKernel = std::size_t (*)(const KernelPairs& pairs, const KernelFrame& frame,
                                   std::size_t from, std::size_t chunk, double& sum);

// The kernel of a level, or nullptr when this build or this processor lacks it.
PairKernel KernelFor(KernelLevel level);
// The best level this processor runs, decided on the first call.
KernelLevel BestKernelLevel();
const char* KernelLevelName(KernelLevel level);

// Clears the upper halves of the vector registers where the processor has them, so that
// code built for SSE after code that left them dirty runs at full speed.
void ClearUpperVectorState();

}  // namespace velmora
