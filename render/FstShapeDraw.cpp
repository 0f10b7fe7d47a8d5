#include "render/FstShapeDraw.h"

#include <GL/gl.h>

#include <cstddef>

#include "render/FaceOrder.h"
#include "render/GlContext.h"

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

void DrawColoured(const FstShape& shape, bool frontOnly, double alpha) {
  if (shape.vertexColours.empty() || shape.vertexColours.size() < shape.vertices.size()) return;
  glPushMatrix();
  glScaled(0.8, 0.8, 0.8);
  glEnable(GL_CULL_FACE);
  if (!frontOnly) {
    glCullFace(GL_FRONT);
    ColouredPass(shape, alpha);
  }
  glCullFace(GL_BACK);
  ColouredPass(shape, alpha);
  glDisable(GL_CULL_FACE);
  glPopMatrix();
}

void SetVerticesFromViews(FstShape& shape, const CameraModel& first, const CameraModel& second) {
  const int n = first.imagePointCount;
  if (n < 1 || n != shape.pointCount || n != second.imagePointCount) return;
  if (shape.vertices.size() < 3 * static_cast<std::size_t>(n)) return;
  for (int i = 0; i < n; ++i) {
    Vec3 m{shape.vertices[3 * i], shape.vertices[3 * i + 1], shape.vertices[3 * i + 2]};
    first.GetMidpoint(i, m);  // leaves m alone where a pair has no ray points
    shape.vertices[3 * i] = m.x;
    shape.vertices[3 * i + 1] = m.y;
    shape.vertices[3 * i + 2] = m.z;
  }
}

}  // namespace velmora
