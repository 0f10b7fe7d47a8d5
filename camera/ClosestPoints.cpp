#include "camera/ClosestPoints.h"

#include <cmath>

namespace velmora {

ClosestPoints SolveClosestPoints(const Vec3& p1, const Vec3& d1, const Vec3& p2, const Vec3& d2,
                                 double cc) {
  const Vec3 w = Sub(p1, p2);
  const double aa = Dot(d1, d1), bb = Dot(d1, d2);
  const double e1 = Dot(d1, w), e2 = Dot(d2, w);
  const double den = aa * cc - bb * bb;
  ClosestPoints r;
  if (den != 0 && std::isfinite(den)) {
    r.t = (bb * e2 - cc * e1) / den;
    r.s = (aa * e2 - bb * e1) / den;
  } else {
    r.t = 0;
    r.s = cc != 0 ? e2 / cc : 0;
  }
  r.first = Along(p1, r.t, d1);
  r.second = Along(p2, r.s, d2);
  return r;
}

}  // namespace velmora
