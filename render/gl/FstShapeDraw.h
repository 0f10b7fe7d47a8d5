#pragma once
// Drawing an FstShape with OpenGL, and moving its vertices onto the reconstructed points.
// Faces a malformed shape could carry (a colour index outside the table, a vertex index
// outside the vertices) are skipped.

#include "camera/CameraModel.h"
#include "data/FstShape.h"

namespace velmora {

// The FST object: faces ordered nearest first from EyeReferencePoint, optional open black
// outlines, then the palette-coloured polygons. Only front faces show when alpha is exactly
// 1.0, only back faces otherwise.
void DrawFaces(FstShape& shape, double alpha, bool outline);

// A shape with per-vertex colours, scaled by 0.8: the far side first (unless frontOnly),
// then the near side. Draws nothing while vertexColours is missing or shorter than the
// vertices. A shape whose drawable faces are all triangles goes through client vertex
// arrays (its triangle list is kept in shape.triangleCache); any other face makes the whole
// shape take DrawColouredImmediate. Client array state is restored and the current colour
// left as the last vertex set it, as one glBegin per face would.
void DrawColoured(const FstShape& shape, bool frontOnly, double alpha);

// The same picture with one glBegin(GL_POLYGON) per face: the fallback, and the reference
// the array drawing is checked and timed against.
void DrawColouredImmediate(const FstShape& shape, bool frontOnly, double alpha);

// When both views hold n >= 1 points and n equals the shape's pointCount, vertex i becomes
// the midpoint of the views' ray points i. Otherwise nothing changes.
void SetVerticesFromViews(FstShape& shape, const CameraModel& first, const CameraModel& second);

}  // namespace velmora
