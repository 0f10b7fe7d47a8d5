#include "render/ObserverMath.h"

#include <cmath>
#include <numbers>

namespace velmora {

Vec3 ComputeEyeReferencePoint(double distance, double angleXDegrees, double angleYDegrees) {
  const double rx = angleXDegrees * std::numbers::pi / 180.0;
  const double ry = angleYDegrees * std::numbers::pi / 180.0;
  const double d = distance - 50.0;
  return Vec3{-d * std::cos(rx) * std::sin(ry), d * std::sin(rx), d * std::cos(rx) * std::cos(ry)};
}

double AspectRatio(int width, int height) {
  return static_cast<double>(width) / static_cast<double>(height == 0 ? 1 : height);
}

namespace {

// 4x4 row-major helpers; converted to column-major at the end.
using M4 = double[4][4];

void Identity(M4 m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0 : 0.0;
}

void Multiply(M4 a, const M4 b) {  // a = a * b
  M4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      r[i][j] = 0;
      for (int k = 0; k < 4; ++k) r[i][j] += a[i][k] * b[k][j];
    }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) a[i][j] = r[i][j];
}

void Translate(M4 m, double x, double y, double z) {
  M4 t;
  Identity(t);
  t[0][3] = x, t[1][3] = y, t[2][3] = z;
  Multiply(m, t);
}

// Rotation about a unit axis, as glRotated builds it.
void Rotate(M4 m, double degrees, double x, double y, double z) {
  const double a = degrees * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a);
  M4 r;
  Identity(r);
  r[0][0] = x * x * (1 - c) + c, r[0][1] = x * y * (1 - c) - z * s,
  r[0][2] = x * z * (1 - c) + y * s;
  r[1][0] = y * x * (1 - c) + z * s, r[1][1] = y * y * (1 - c) + c,
  r[1][2] = y * z * (1 - c) - x * s;
  r[2][0] = x * z * (1 - c) - y * s, r[2][1] = y * z * (1 - c) + x * s,
  r[2][2] = z * z * (1 - c) + c;
  Multiply(m, r);
}

}  // namespace

void ObserverMatrix(double distance, double offsetX, double offsetY, double offsetZ, double angleX,
                    double angleY, double angleZ, double out[16]) {
  M4 m;
  Identity(m);
  Translate(m, 0, 0, -distance);
  Rotate(m, angleZ, 0, 0, 1);
  Rotate(m, angleX, 1, 0, 0);
  Rotate(m, angleY, 0, 1, 0);
  Translate(m, offsetX, offsetY, offsetZ);
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) out[c * 4 + r] = m[r][c];
}

}  // namespace velmora
