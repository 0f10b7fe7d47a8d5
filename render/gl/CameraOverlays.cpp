#include "render/gl/CameraOverlays.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

#include "render/ObserverMath.h"
#include "render/gl/FstShapeDraw.h"

namespace velmora {
namespace {

struct QuadricDeleter {
  void operator()(GLUquadric* q) const { gluDeleteQuadric(q); }
};

void Vertex(const Vec3& p) {
  glVertex3d(p.x, p.y, p.z);
}

void SmallSphereAt(GLUquadric* quadric, const Vec3& p) {
  glPushMatrix();
  glTranslated(p.x, p.y, p.z);
  gluSphere(quadric, 0.03, 10, 10);
  glPopMatrix();
}

}  // namespace

void DrawOverlays(const CameraModel& view, int index, const OverlayOptions& options,
                  const FstShape* panTiltSphere, VectorsFeed* vectors,
                  TriangleCache* panTiltTriangles) {
  std::unique_ptr<GLUquadric, QuadricDeleter> quadric(gluNewQuadric());
  if (!quadric) return;
  const Vec3& c = view.cameraPosition;
  const Vec3* corner = view.planeCorners;
  // Point arrays shorter than the count (or a missing other view) never get read past.
  const std::size_t n = std::min<std::size_t>(
      std::max(view.imagePointCount, 0),
      std::min({view.planePoints.size(), view.rayPoints.size(), view.pointColors.size()}));
  const CameraModel* other = view.otherView;
  const std::size_t pairs = other != nullptr ? std::min(n, other->rayPoints.size()) : 0;

  if (options.showCamera) {
    glColor3d(0, 0, 0);
    glBegin(GL_LINE_STRIP);
    for (const Vec3& p : {corner[0], corner[1], corner[2], corner[3], corner[0], c, corner[3]})
      Vertex(p);
    glEnd();
    glBegin(GL_LINE_STRIP);
    for (const Vec3& p : {corner[1], c, corner[2]}) Vertex(p);
    glEnd();
    if (n > 0) {
      gluQuadricDrawStyle(quadric.get(), GLU_FILL);
      for (std::size_t i = 0; i < n; ++i) SmallSphereAt(quadric.get(), view.planePoints[i]);
    }
  }

  if (options.showRays && n > 0) {
    glBegin(GL_LINES);
    for (std::size_t i = 0; i < n; ++i) {
      const Vec3& col = view.pointColors[i];
      const Vec3& r = view.rayPoints[i];
      glColor3d(col.x, col.y, col.z);
      Vertex(c);
      Vertex(Vec3{c.x + 2 * (r.x - c.x), c.y + 2 * (r.y - c.y), c.z + 2 * (r.z - c.z)});
      if (i >= pairs) continue;
      const Vec3& q = other->rayPoints[i];
      Vertex(r);
      Vertex(Vec3{(r.x + q.x) / 2, (r.y + q.y) / 2, (r.z + q.z) / 2});
      if (vectors != nullptr)
        vectors->SetPoint(3 * static_cast<int>(i), q.x - r.x, q.y - r.y, q.z - r.z);
    }
    glEnd();
    if (vectors != nullptr && pairs > 0) {
      vectors->ComputeCenter();
      vectors->Invalidate();
    }
  }

  // The mean of no points does not exist: no mean ray then.
  if (options.showMeanRay && n > 0) {
    glLineWidth(2.0f);
    Vec3 sum;
    for (std::size_t i = 0; i < n; ++i) {
      sum.x += view.planePoints[i].x;
      sum.y += view.planePoints[i].y;
      sum.z += view.planePoints[i].z;
    }
    if (index == 1) sum.y += 0.45;  // to the sum, so the mean rises by 0.45 / n
    const double inv = 1.0 / static_cast<double>(n);
    const Vec3 m{sum.x * inv, sum.y * inv, sum.z * inv};
    SmallSphereAt(quadric.get(), m);
    glBegin(GL_LINES);
    glColor3d(0, 0, 0);
    Vertex(c);
    Vertex(Vec3{c.x + 12 * (m.x - c.x), c.y + 12 * (m.y - c.y), c.z + 12 * (m.z - c.z)});
    glEnd();
    glLineWidth(1.0f);
  }

  if (options.showAzAltSphere) {
    gluQuadricDrawStyle(quadric.get(), GLU_LINE);
    gluSphere(quadric.get(), view.orbitRadius, 40, 40);
  }

  if (options.showPanTiltSphere && panTiltSphere != nullptr) {
    constexpr double D = kDegreesPerRadian;
    const double k = 0.05 / (view.scale != 0.0f ? view.scale : 1.0f);
    glPushMatrix();
    glTranslated(c.x, c.y, c.z);
    glScaled(k, k, k);
    glRotated(view.azimuth * D, 0, 1, 0);
    glRotated(view.altitude * D, 1, 0, 0);
    glRotated(std::atan2(view.meanY, view.focalLength) * D, 1, 0, 0);
    glRotated(std::atan2(view.meanX, view.focalLength) * D, 0, -1, 0);
    if (panTiltTriangles != nullptr)
      DrawColoured(*panTiltSphere, true, 1.0, *panTiltTriangles);
    else
      DrawColoured(*panTiltSphere, true, 1.0);
    glPopMatrix();
  }
}

}  // namespace velmora
