#pragma once
// Drawing an FstShape with OpenGL.
// Faces a malformed shape could carry (a colour index outside the table, a vertex index
// outside the vertices) are skipped.

#include <cstddef>
#include <vector>

#include "data/FstShape.h"

namespace velmora {

// The FST object: faces ordered nearest first from EyeReferencePoint, optional open black
// outlines, then the palette-coloured polygons. Only front faces show when alpha is exactly
// 1.0, only back faces otherwise.
void DrawFaces(FstShape& shape, double alpha, bool outline);

// The triangle list DrawColoured builds for one shape, kept by whoever draws that shape
// from frame to frame. It is rebuilt when the face list is replaced, its length or the
// vertex count changes, or a sampled face differs; code that edits faces in place beyond
// that should clear it (= {}). A cache drawn with another shape just rebuilds.
struct TriangleCache {
  bool built = false;
  const void* faces = nullptr;  // the face list's storage when built
  std::size_t faceCount = 0, vertexCount = 0;
  bool allTriangles = false;      // every drawable face is a triangle
  std::vector<unsigned> indices;  // 3 per drawable face, in list order
  std::vector<int> samples;       // face index, vertex count, first 3 indices (-1 if none)
};

// A shape with per-vertex colours, scaled by 0.8: the far side first (unless frontOnly),
// then the near side. Draws nothing while vertexColours is missing or shorter than the
// vertices. A shape whose drawable faces are all triangles goes through client vertex
// arrays (its triangle list kept in cache); any other face makes the whole shape take
// DrawColouredImmediate. Client array state is restored and the current colour left as
// the last vertex set it, as one glBegin per face would.
void DrawColoured(const FstShape& shape, bool frontOnly, double alpha, TriangleCache& cache);
// The same with a triangle list built for this one draw.
void DrawColoured(const FstShape& shape, bool frontOnly, double alpha);

// The same picture with one glBegin(GL_POLYGON) per face: the fallback, and the reference
// the array drawing is checked and timed against.
void DrawColouredImmediate(const FstShape& shape, bool frontOnly, double alpha);

}  // namespace velmora
