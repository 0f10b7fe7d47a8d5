// Reference spheres: a Fibonacci lattice and its convex hull from Qhull.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <string>

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

#include "tools/DataGen.h"

namespace velmora::datagen {

std::vector<Vec3> FibonacciSphere(int count, double radius) {
  std::vector<Vec3> points;
  if (count <= 0) return points;
  points.reserve(count);
  const double goldenAngle = std::numbers::pi * (3.0 - std::sqrt(5.0));
  for (int i = 0; i < count; ++i) {
    // Equal-area bands in y, one point per band, turned by the golden angle.
    const double y = 1.0 - (2.0 * i + 1.0) / count;
    const double r = std::sqrt(std::max(0.0, 1.0 - y * y));
    const double theta = goldenAngle * i;
    points.push_back({SnapToGrid(radius * r * std::cos(theta)), SnapToGrid(radius * y),
                      SnapToGrid(radius * r * std::sin(theta))});
  }
  return points;
}

namespace {

// Rotates the triangle so its smallest index comes first; the winding is kept.
std::array<int, 3> Canonical(int a, int b, int c) {
  if (b < a && b < c) return {b, c, a};
  if (c < a && c < b) return {c, a, b};
  return {a, b, c};
}

std::vector<std::array<int, 3>> HullTriangles(const std::vector<Vec3>& points) {
  std::vector<coordT> coords;
  coords.reserve(points.size() * 3);
  for (const Vec3& p : points) coords.insert(coords.end(), {p.x, p.y, p.z});

  qhT qhData;
  qhT* qh = &qhData;
  qh_zero(qh, stderr);
  char options[] = "qhull Qt";
  const int exitCode = qh_new_qhull(qh, 3, static_cast<int>(points.size()), coords.data(), False,
                                    options, nullptr, stderr);
  std::vector<std::array<int, 3>> triangles;
  bool simplicial = true;
  if (exitCode == 0) {
    facetT* facet;
    FORALLfacets {
      int ids[3];
      int n = 0;
      vertexT *vertex, **vertexp;
      FOREACHvertex_(facet->vertices) {
        if (n < 3) ids[n] = qh_pointid(qh, vertex->point);
        ++n;
      }
      if (n != 3) {
        simplicial = false;
        continue;
      }
      triangles.push_back({ids[0], ids[1], ids[2]});
    }
  }
  qh_freeqhull(qh, !qh_ALL);
  int curLong = 0, totLong = 0;
  qh_memfreeshort(qh, &curLong, &totLong);
  if (exitCode != 0) throw std::runtime_error("Qhull failed with code " + std::to_string(exitCode));
  if (!simplicial) throw std::runtime_error("Qhull returned a non-triangular facet");
  return triangles;
}

}  // namespace

Mesh SphereMesh(int count, double radius, int colorIndex) {
  Mesh mesh;
  mesh.name = "sphere" + std::to_string(count);
  mesh.vertices = FibonacciSphere(count, radius);
  if (count < 4) throw std::runtime_error("a sphere needs at least 4 points");

  std::vector<std::array<int, 3>> triangles = HullTriangles(mesh.vertices);
  const auto& v = mesh.vertices;
  for (auto& t : triangles) {
    const Vec3 &a = v[t[0]], &b = v[t[1]], &c = v[t[2]];
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
    const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
    // The origin is inside, so the vertex sum points outward from the face.
    const double outward = nx * (a.x + b.x + c.x) + ny * (a.y + b.y + c.y) + nz * (a.z + b.z + c.z);
    if (outward < 0) std::swap(t[1], t[2]);
    t = Canonical(t[0], t[1], t[2]);
  }
  std::sort(triangles.begin(), triangles.end());

  // On a sphere every point is a hull vertex, so Euler's formula fixes the count; anything
  // else means Qhull merged or dropped points.
  if (triangles.size() != static_cast<size_t>(2 * count - 4)) {
    throw std::runtime_error(mesh.name + ": hull has " + std::to_string(triangles.size()) +
                             " faces, expected " + std::to_string(2 * count - 4));
  }
  mesh.faces.reserve(triangles.size());
  for (const auto& t : triangles) mesh.faces.push_back({colorIndex, {t[0], t[1], t[2]}});
  return mesh;
}

}  // namespace velmora::datagen
