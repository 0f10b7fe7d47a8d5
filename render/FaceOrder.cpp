#include "render/FaceOrder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

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

namespace {

// A key whose unsigned order is the order of the distances (-0 and +0 alike).
std::uint64_t DistanceKey(double d) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(d + 0.0);
  return bits >> 63 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// The faces nearer than the spent mark, by (distance, index), into sorted: one key per
// face and a stable radix sort of (key, face) pairs, eleven bits a pass, leaving out the
// passes where every key has the same digits. Returns the lowest face whose distance is
// the mark itself, or n.
int SortLiveByDistanceThenIndex(const double* distance, int n, std::vector<int>& sorted) {
  struct Entry {
    std::uint64_t key;
    int face;
  };
  constexpr int kBits = 11, kPasses = (64 + kBits - 1) / kBits;
  constexpr std::size_t kBuckets = std::size_t{1} << kBits;
  thread_local std::vector<Entry> entries, spare;
  thread_local std::vector<std::uint32_t> counts;
  entries.resize(static_cast<std::size_t>(n));
  counts.assign(kPasses * kBuckets, 0);
  std::size_t count = 0;
  int lowestAtMark = n;
  for (int i = 0; i < n; ++i) {
    const double d = distance[i];
    if (!(d < kSpentDistance)) {
      if (d == kSpentDistance && lowestAtMark == n) lowestAtMark = i;
      continue;
    }
    const std::uint64_t key = DistanceKey(d);
    entries[count++] = {key, i};
    for (int p = 0; p < kPasses; ++p)
      ++counts[p * kBuckets + ((key >> (p * kBits)) & (kBuckets - 1))];
  }
  entries.resize(count);
  spare.resize(count);
  for (int p = 0; p < kPasses && count > 0; ++p) {
    std::uint32_t* c = &counts[p * kBuckets];
    const std::uint64_t digit = (entries[0].key >> (p * kBits)) & (kBuckets - 1);
    if (c[digit] == count) continue;  // one digit for all: the pass keeps the order
    std::uint32_t start = 0;
    for (std::size_t b = 0; b < kBuckets; ++b) start += std::exchange(c[b], start);
    for (const Entry& e : entries) spare[c[(e.key >> (p * kBits)) & (kBuckets - 1)]++] = e;
    entries.swap(spare);
  }
  sorted.resize(count);
  for (std::size_t i = 0; i < count; ++i) sorted[i] = entries[i].face;
  return lowestAtMark;
}

}  // namespace

void OrderFacesByDistance(double* distance, int* order, int n) {
  if (n <= 0) return;
  // Each step of the selection takes the nearest live face, so while faces nearer than the
  // spent mark are left, runs of equal distance fill the positions in ascending order of
  // distance. Within a run of value v: at position k, face k wins if it belongs to the run
  // and is still live; otherwise the lowest live face of the run.
  thread_local std::vector<int> sorted;
  int lowestAtMark = SortLiveByDistanceThenIndex(distance, n, sorted);
  const std::size_t live = sorted.size();
  std::size_t placed = 0, lowest = 0, runEnd = 0;
  double v = 0;
  for (int k = 0; k < n; ++k) {
    int winner;
    if (std::isnan(distance[k])) {
      // No distance is below NaN, and NaN is below none: only its own step takes it.
      winner = k;
    } else if (placed < live) {
      if (placed == runEnd) {
        lowest = runEnd;
        v = distance[sorted[runEnd]];
        while (++runEnd < live && distance[sorted[runEnd]] == v) {
        }
      }
      if (distance[k] == v) {
        winner = k;  // live member of this run: v is below the spent mark
      } else {
        while (distance[sorted[lowest]] != v) ++lowest;
        winner = sorted[lowest];
      }
      ++placed;
    } else if (k > 0) {
      // Left are spent faces and faces at or beyond the mark (infinite, huge): the mark is
      // the nearest, so face k when it is at the mark, else the lowest face there, drawn
      // once more.
      winner = distance[k] == kSpentDistance ? k : lowestAtMark;
    } else {
      winner = 0;  // nothing spent yet and nothing below the mark: one plain scan
      for (int j = 1; j < n; ++j)
        if (distance[j] < distance[winner]) winner = j;
    }
    distance[winner] = kSpentDistance;
    order[k] = winner;
    lowestAtMark = std::min(lowestAtMark, winner);
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
