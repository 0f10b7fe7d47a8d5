#pragma once
// The closest points of two rays, as the camera model triangulates a pair and the error
// maps redo a pair they cannot vouch for: one solver, so that both agree to the bit.

#include "base/Vec3.h"

namespace velmora {

// Where the lines p1 + t d1 and p2 + s d2 come closest: t, s and the two points.
struct ClosestPoints {
  double t, s;
  Vec3 first, second;
};

// cc is |d2|^2, which a caller trying many rays against the same d2 keeps. Parallel lines
// (or a denominator that is not finite) take t = 0, P1 and its foot on the second line, so
// the gap is still the distance between the lines.
ClosestPoints SolveClosestPoints(const Vec3& p1, const Vec3& d1, const Vec3& p2, const Vec3& d2,
                                 double cc);

}  // namespace velmora
