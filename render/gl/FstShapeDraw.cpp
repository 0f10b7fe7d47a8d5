#include "render/gl/FstShapeDraw.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <vector>

#include "render/FaceOrder.h"
#include "render/gl/GlContext.h"

namespace velmora {
namespace {

void FaceVertices(const FstShape& shape, const FstFace& face) {
  const double* xyz = shape.vertices.data();
  for (int i = 0; i < face.vertexCount; ++i) glVertex3dv(xyz + 3 * face.vertexIndices[i]);
}

void ColouredPass(const FstShape& shape, double alpha) {
  const double* xyz = shape.vertices.data();
  const double* rgb = shape.vertexColours.data();
  for (const FstFace& face : shape.faces) {
    if (!FaceIsDrawable(shape, face)) continue;
    glBegin(GL_POLYGON);
    for (int i = 0; i < face.vertexCount; ++i) {
      const int v = face.vertexIndices[i];
      glColor4d(rgb[3 * v], rgb[3 * v + 1], rgb[3 * v + 2], alpha);
      glVertex3dv(xyz + 3 * v);
    }
    glEnd();
  }
}

bool HasColours(const FstShape& shape) {
  return !shape.vertexColours.empty() && shape.vertexColours.size() >= shape.vertices.size();
}

// Both passes around draw, the far side (front faces culled) first unless frontOnly.
template <typename Pass>
void TwoPasses(bool frontOnly, Pass pass) {
  glPushMatrix();
  glScaled(0.8, 0.8, 0.8);
  glEnable(GL_CULL_FACE);
  if (!frontOnly) {
    glCullFace(GL_FRONT);
    pass();
  }
  glCullFace(GL_BACK);
  pass();
  glDisable(GL_CULL_FACE);
  glPopMatrix();
}

constexpr std::size_t kSamples = 16;

// Face index, vertex count and up to three vertex indices of each sampled face, padded -1.
void SampleFaces(const FstShape& shape, std::vector<int>& out) {
  out.clear();
  const std::size_t n = shape.faces.size();
  if (n == 0) return;
  for (std::size_t k = 0; k < kSamples; ++k) {
    const std::size_t f = k * (n - 1) / (kSamples - 1);  // first and last always included
    const FstFace& face = shape.faces[f];
    out.push_back(static_cast<int>(f));
    out.push_back(face.vertexCount);
    for (std::size_t i = 0; i < 3; ++i)
      out.push_back(i < face.vertexIndices.size() ? face.vertexIndices[i] : -1);
  }
}

bool CacheMatches(const FstShape& shape, const TriangleCache& cache) {
  if (!cache.built || cache.faces != shape.faces.data() || cache.faceCount != shape.faces.size() ||
      cache.vertexCount != shape.vertices.size() / 3)
    return false;
  thread_local std::vector<int> now;
  SampleFaces(shape, now);
  return now == cache.samples;
}

// The shape's triangle list, rebuilt only when the faces or the vertex count changed.
const TriangleCache& Triangles(const FstShape& shape, TriangleCache& cache) {
  if (CacheMatches(shape, cache)) return cache;
  cache.built = true;
  cache.faces = shape.faces.data();
  cache.faceCount = shape.faces.size();
  cache.vertexCount = shape.vertices.size() / 3;
  SampleFaces(shape, cache.samples);
  cache.indices.clear();
  cache.allTriangles = true;
  for (const FstFace& face : shape.faces) {
    if (!FaceIsDrawable(shape, face)) continue;  // skipped by both ways of drawing
    if (face.vertexCount != 3) {
      cache.allTriangles = false;
      cache.indices.clear();
      break;
    }
    // Started at the second vertex: the same winding, and the order in which the
    // rasteriser receives a three-vertex polygon (its first vertex last), so colour
    // interpolation and edge pixels come out identical.
    for (int i : {1, 2, 0}) cache.indices.push_back(static_cast<unsigned>(face.vertexIndices[i]));
  }
  // glDrawElements takes an int count.
  if (cache.indices.size() > static_cast<std::size_t>(INT_MAX)) cache.allTriangles = false;
  cache.indices.shrink_to_fit();
  return cache;
}

}  // namespace

void DrawFaces(FstShape& shape, double alpha, bool outline) {
  ComputeFaceDistances(shape, EyeReferencePoint);
  const int n = static_cast<int>(shape.faces.size());
  OrderFacesByDistance(shape.faceDistance.data(), shape.faceOrder.data(), n);

  if (outline) {
    glColor3d(0, 0, 0);
    for (const FstFace& face : shape.faces) {
      if (!FaceIsDrawable(shape, face)) continue;
      glBegin(GL_LINE_STRIP);  // open: the closing edge is left out
      FaceVertices(shape, face);
      glEnd();
    }
  }

  glEnable(GL_CULL_FACE);
  glCullFace(alpha == 1.0 ? GL_BACK : GL_FRONT);
  for (int k = 0; k < n; ++k) {
    const FstFace& face = shape.faces[shape.faceOrder[k]];
    if (!FaceIsDrawable(shape, face)) continue;
    const int c = face.colorIndex;
    glColor4d(shape.paletteRed[c] / 256.0, shape.paletteGreen[c] / 256.0,
              shape.paletteBlue[c] / 256.0, alpha);
    glBegin(GL_POLYGON);
    FaceVertices(shape, face);
    glEnd();
  }
  glDisable(GL_CULL_FACE);
}

void DrawColouredImmediate(const FstShape& shape, bool frontOnly, double alpha) {
  if (!HasColours(shape)) return;
  TwoPasses(frontOnly, [&] { ColouredPass(shape, alpha); });
}

void DrawColoured(const FstShape& shape, bool frontOnly, double alpha) {
  TriangleCache once;
  DrawColoured(shape, frontOnly, alpha, once);
}

void DrawColoured(const FstShape& shape, bool frontOnly, double alpha, TriangleCache& cache) {
  if (!HasColours(shape)) return;
  const TriangleCache& triangles = Triangles(shape, cache);
  if (!triangles.allTriangles) {
    DrawColouredImmediate(shape, frontOnly, alpha);
    return;
  }
  if (triangles.indices.empty()) return;

  // RGBA per vertex in single precision, the precision glColor4d is kept in. The colours
  // change with every score map, so the array is filled per draw; the buffer is reused.
  const std::size_t vertexCount = shape.vertices.size() / 3;
  thread_local std::vector<float> rgba;
  rgba.resize(4 * vertexCount);
  const double* rgb = shape.vertexColours.data();
  const float a = static_cast<float>(alpha);
  for (std::size_t v = 0; v < vertexCount; ++v) {
    rgba[4 * v] = static_cast<float>(rgb[3 * v]);
    rgba[4 * v + 1] = static_cast<float>(rgb[3 * v + 1]);
    rgba[4 * v + 2] = static_cast<float>(rgb[3 * v + 2]);
    rgba[4 * v + 3] = a;
  }

  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_INDEX_ARRAY);
  glDisableClientState(GL_EDGE_FLAG_ARRAY);
  glVertexPointer(3, GL_DOUBLE, 0, shape.vertices.data());
  glColorPointer(4, GL_FLOAT, 0, rgba.data());
  const auto count = static_cast<GLsizei>(triangles.indices.size());
  TwoPasses(frontOnly, [&] {
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, triangles.indices.data());
  });
  glPopClientAttrib();

  // The current colour is undefined after an array draw; per face it would be the last
  // vertex's, which later drawing without its own colour takes.
  const unsigned last = triangles.indices[triangles.indices.size() - 2];  // stored third
  glColor4d(rgb[3 * last], rgb[3 * last + 1], rgb[3 * last + 2], alpha);
}

}  // namespace velmora
