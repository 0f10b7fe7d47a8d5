#pragma once
// The drawing order of an FST object's faces, nearest to the observer first. Core code:
// no OpenGL, so the order can be checked and timed on its own.
//
// The order is defined by a selection: for k = 0 ... n-1 the candidate starts as face k,
// a scan over all faces takes any face strictly nearer than the candidate, the winner goes
// to position k and is spent (its distance becomes kSpentDistance). Among equal distances
// face k itself wins when it is one of them, else the lowest index. The selection is
// quadratic; OrderFacesByDistance gives the same order in O(n log n).

#include <vector>

#include "base/Vec3.h"
#include "data/FstShape.h"

namespace velmora {

constexpr double kSpentDistance = 1.0e308;

// The selection exactly as defined above; every distance ends as kSpentDistance.
void OrderFacesBySelection(double* distance, int* order, int n);

// The same order and the same final distances as OrderFacesBySelection, in O(n log n)
// whatever the values. Sorts the faces below kSpentDistance by (distance, index) and
// replays the selection's tie rule within each run of equal distances. The rest follow
// what the selection makes of them: a NaN face takes only its own position, and once the
// faces below the mark are spent, the mark is the nearest value, so a face at or beyond
// it (infinite, huge) repeats the lowest face at the mark unless it is at the mark itself.
void OrderFacesByDistance(double* distance, int* order, int n);

// Whether a face can be drawn: a colour index inside the table and every vertex index
// inside the shape's vertices. Malformed faces are skipped, never indexed.
bool FaceIsDrawable(const FstShape& shape, const FstFace& face);

// The sort key of every face: one third of the sum of its vertices (whatever their
// number), squared distance to eye. Sizes faceDistance and faceOrder to the face list
// (allocating only when the face count changed). Vertex indices outside the shape are left
// out of the sum.
void ComputeFaceDistances(FstShape& shape, const Vec3& eye);

}  // namespace velmora
