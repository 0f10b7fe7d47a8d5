#pragma once
// A point or direction in scene units, and the few vector operations the camera model
// writes out, shared with the error maps' fast path so that both do the same arithmetic
// and agree to the bit.

namespace velmora {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 Sub(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline double Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Along(const Vec3& p, double t, const Vec3& d) {
  return {p.x + t * d.x, p.y + t * d.y, p.z + t * d.z};
}
// Row-major matrix times column vector.
inline Vec3 Mul(const double m[3][3], const Vec3& v) {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
          m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

}  // namespace velmora
