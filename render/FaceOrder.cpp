#include "render/FaceOrder.h"

#include <algorithm>
#include <cstddef>

namespace velmora {

void OrderFacesBySelection(double* distance, int* order, int n) {
  for (int k = 0; k < n; ++k) {
    int candidate = k;
    for (int j = 0; j < n; ++j)
      if (distance[j] < distance[candidate]) candidate = j;
    order[k] = candidate;
    distance[candidate] = kSpentDistance;
  }
}

void OrderFacesByDistance(double* distance, int* order, int n) {
  if (n <= 0) return;
  for (int i = 0; i < n; ++i) {
    // Spent faces are only guaranteed to lose when every live distance is below the mark.
    if (!(distance[i] < kSpentDistance)) {
      OrderFacesBySelection(distance, order, n);
      return;
    }
  }
  // Each step of the selection takes the nearest live face, so runs of equal distance
  // fill consecutive positions in ascending order of distance.
  for (int i = 0; i < n; ++i) order[i] = i;
  std::sort(order, order + n, [distance](int a, int b) {
    return distance[a] < distance[b] || (distance[a] == distance[b] && a < b);
  });

  // Within a run [s, e) of value v: at position k, face k wins if it belongs to the run and
  // is still live; otherwise the lowest live face of the run. The run's members are kept
  // aside in index order because the positions are rewritten as we go.
  thread_local std::vector<int> members;
  int s = 0;
  while (s < n) {
    const double v = distance[order[s]];
    int e = s + 1;
    while (e < n && distance[order[e]] == v) ++e;
    if (e - s == 1) {
      distance[order[s]] = kSpentDistance;
      s = e;
      continue;
    }
    members.assign(order + s, order + e);
    std::size_t lowest = 0;
    for (int k = s; k < e; ++k) {
      int winner;
      if (distance[k] == v) {
        winner = k;  // live member of this run: v is below the spent mark
      } else {
        while (distance[members[lowest]] != v) ++lowest;
        winner = members[lowest];
      }
      distance[winner] = kSpentDistance;
      order[k] = winner;
    }
    s = e;
  }
}

bool FaceIsDrawable(const FstShape& shape, const FstFace& face) {
  if (face.colorIndex < 0 || face.colorIndex > 255) return false;
  if (face.vertexCount < 0 ||
      static_cast<std::size_t>(face.vertexCount) > face.vertexIndices.size())
    return false;
  const std::size_t points = shape.vertices.size() / 3;
  for (int i = 0; i < face.vertexCount; ++i) {
    const int v = face.vertexIndices[i];
    if (v < 0 || static_cast<std::size_t>(v) >= points) return false;
  }
  return true;
}

void ComputeFaceDistances(FstShape& shape, const Vec3& eye) {
  const std::size_t n = shape.faces.size();
  if (shape.faceDistance.size() != n) shape.faceDistance.resize(n);
  if (shape.faceOrder.size() != n) shape.faceOrder.resize(n);
  const std::size_t points = shape.vertices.size() / 3;
  const double* xyz = shape.vertices.data();
  for (std::size_t f = 0; f < n; ++f) {
    const FstFace& face = shape.faces[f];
    const int count =
        std::min<std::size_t>(std::max(face.vertexCount, 0), face.vertexIndices.size());
    double sx = 0, sy = 0, sz = 0;
    for (int i = 0; i < count; ++i) {
      const int v = face.vertexIndices[i];
      if (v < 0 || static_cast<std::size_t>(v) >= points) continue;
      sx += xyz[3 * v];
      sy += xyz[3 * v + 1];
      sz += xyz[3 * v + 2];
    }
    // One third whatever the vertex count: exact for a triangle's centroid, 4/3 of it for
    // a quadrilateral. The comparison only needs a consistent key.
    const double px = sx * 0.3333333333333333 - eye.x;
    const double py = sy * 0.3333333333333333 - eye.y;
    const double pz = sz * 0.3333333333333333 - eye.z;
    shape.faceDistance[f] = px * px + py * py + pz * pz;
  }
}

}  // namespace velmora
