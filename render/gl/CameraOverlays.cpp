#include "render/gl/CameraOverlays.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/Digest.h"
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

constexpr double kPointRadius = 0.03;

void SmallSphereAt(GLUquadric* quadric, const Vec3& p) {
  glPushMatrix();
  glTranslated(p.x, p.y, p.z);
  gluSphere(quadric, kPointRadius, 10, 10);
  glPopMatrix();
}

// Up to this many rays a view draws every ray. Beyond it only every k-th pair's ray and
// gap are drawn, at most this many: each line costs the same setup, and a million rays
// paint the same dense fan of random colours as a hundred thousand, at ten times the
// cost (seconds per frame on a software rasteriser).
constexpr std::size_t kRayLimit = 100000;

// Each ray from the camera to twice its ray point, and for a pair the gap from the ray
// point to the midpoint of both.
void EmitRays(const CameraModel& view, std::size_t n, std::size_t pairs) {
  const Vec3& c = view.cameraPosition;
  const std::size_t stride = n > kRayLimit ? (n + kRayLimit - 1) / kRayLimit : 1;
  glBegin(GL_LINES);
  for (std::size_t i = 0; i < n; i += stride) {
    const Vec3& col = view.pointColors[i];
    const Vec3& r = view.rayPoints[i];
    glColor3d(col.x, col.y, col.z);
    Vertex(c);
    Vertex(Vec3{c.x + 2 * (r.x - c.x), c.y + 2 * (r.y - c.y), c.z + 2 * (r.z - c.z)});
    if (i >= pairs) continue;
    const Vec3& q = view.otherView->rayPoints[i];
    Vertex(r);
    Vertex(Vec3{(r.x + q.x) / 2, (r.y + q.y) / 2, (r.z + q.z) / 2});
  }
  glEnd();
}

// The transform and rasterisation state as they decide which pixels a small sphere covers.
struct PixelGrid {
  double mvp[16] = {};    // column-major, projection times modelview
  double bound[16] = {};  // |projection| times |modelview|: what the terms may reach
  GLint viewport[4] = {};
  // False when coverage is not "pixel centre inside a filled triangle" (outlines, smooth
  // or multisampled polygons, feedback or selection): then every sphere counts as seen.
  bool centreSampled = false;

  static PixelGrid Current() {
    PixelGrid g;
    GLdouble model[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, g.viewport);
    for (int col = 0; col < 4; ++col)
      for (int row = 0; row < 4; ++row) {
        double sum = 0, magnitude = 0;
        for (int k = 0; k < 4; ++k) {
          sum += projection[4 * k + row] * model[4 * col + k];
          magnitude += std::abs(projection[4 * k + row] * model[4 * col + k]);
        }
        g.mvp[4 * col + row] = sum;
        g.bound[4 * col + row] = magnitude;
      }
    GLint mode[2] = {}, renderMode = 0, sampleBuffers = 0;
    glGetIntegerv(GL_POLYGON_MODE, mode);
    glGetIntegerv(GL_RENDER_MODE, &renderMode);
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    g.centreSampled = mode[0] == GL_FILL && mode[1] == GL_FILL && renderMode == GL_RENDER &&
                      sampleBuffers == 0 && !glIsEnabled(GL_POLYGON_SMOOTH);
    return g;
  }

  // Whether a sphere of radius r about p may cover a pixel centre of the viewport: false
  // only when the bounding box, on screen, of the cube around it lies wholly in front of
  // the eye and between the depth planes and holds no pixel centre even widened by a
  // margin far beyond single-precision transform error and sub-pixel snapping.
  bool MayCover(const Vec3& p, double r) const {
    if (!centreSampled) return true;
    const double* m = mvp;
    const double* b = bound;
    const double scale = 0.5 * std::max(viewport[2], viewport[3]);
    double xMin = HUGE_VAL, xMax = -HUGE_VAL, yMin = HUGE_VAL, yMax = -HUGE_VAL, error = 0;
    for (int corner = 0; corner < 8; ++corner) {
      const double x = p.x + (corner & 1 ? r : -r), y = p.y + (corner & 2 ? r : -r),
                   z = p.z + (corner & 4 ? r : -r);
      double clip[4], reach[4];
      for (int row = 0; row < 4; ++row) {
        clip[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
        reach[row] = b[row] * std::abs(x) + b[4 + row] * std::abs(y) + b[8 + row] * std::abs(z) +
                     b[12 + row];
      }
      const double w = clip[3];
      // NaN fails these too.
      if (!(w > 0) || !(std::abs(clip[2]) <= w)) return true;
      const double nx = clip[0] / w, ny = clip[1] / w;
      const double sx = viewport[0] + (nx + 1) * 0.5 * viewport[2];
      const double sy = viewport[1] + (ny + 1) * 0.5 * viewport[3];
      xMin = std::min(xMin, sx), xMax = std::max(xMax, sx);
      yMin = std::min(yMin, sy), yMax = std::max(yMax, sy);
      // Single-precision matrices and transform err by a few units in the last place of
      // the terms; 2^-18 of them, in pixels, leaves a wide allowance.
      const double ndc =
          (std::max(reach[0], reach[1]) + std::max(std::abs(nx), std::abs(ny)) * reach[3]) / w;
      error = std::max(error, ndc * scale * 0x1p-18);
    }
    if (!std::isfinite(error)) return true;
    // Sub-pixel snapping moves a vertex by 1/512 pixel at most.
    const double margin = 1.0 / 32 + error;
    return HasCentre(xMin - margin, xMax + margin, viewport[0], viewport[2]) &&
           HasCentre(yMin - margin, yMax + margin, viewport[1], viewport[3]);
  }

  // Whether [lo, hi] holds a pixel centre (i + 0.5) of the pixels from first on.
  static bool HasCentre(double lo, double hi, int first, int count) {
    const double from = std::max(std::ceil(lo - 0.5), static_cast<double>(first));
    const double to = std::min(std::floor(hi - 0.5), static_cast<double>(first) + count - 1);
    return from <= to;
  }
};

// What decides the pixels a small sphere covers.
void AddGrid(Digest& d, const PixelGrid& g) {
  d.AddBytes(g.mvp, sizeof g.mvp);
  d.AddBytes(g.viewport, sizeof g.viewport);
  d.AddValue(static_cast<int>(g.centreSampled));
}

// Keeps kept.list when its digest is digest; otherwise records record into it afresh.
// The list's name survives a rebuild.
template <typename Record>
void Rebuild(unsigned& list, std::uint64_t& kept, std::uint64_t digest, Record record) {
  if (list != 0 && kept == digest && glIsList(list)) return;
  if (list == 0 || !glIsList(list)) list = glGenLists(1);
  if (list == 0) return;
  kept = digest;
  glNewList(list, GL_COMPILE);
  record();
  glEndList();
}

}  // namespace

void OverlayCache::Release() {
  for (unsigned list : {sphere_, points_.list, rays_.list})
    if (list != 0) glDeleteLists(list, 1);
  Forget();
}

void DrawOverlays(const CameraModel& view, int index, const OverlayOptions& options,
                  const FstShape* panTiltSphere, VectorsFeed* vectors,
                  TriangleCache* panTiltTriangles, OverlayCache* cache) {
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

  // One sphere's triangles in a list; a list of the translations to it of every point
  // sphere that may reach a pixel under this frame's transform, rebuilt when the points
  // or the transform change. A sphere reaching no pixel centre draws no pixel.
  const auto drawCachedSpheres = [&](GLUquadric* q) {
    if (cache->sphere_ == 0 || !glIsList(cache->sphere_)) {
      cache->sphere_ = glGenLists(1);
      if (cache->sphere_ == 0) return;
      glNewList(cache->sphere_, GL_COMPILE);
      // The same vertices without normals (nothing here is lit): cheaper to replay.
      gluQuadricNormals(q, GLU_NONE);
      gluSphere(q, kPointRadius, 10, 10);
      gluQuadricNormals(q, GLU_SMOOTH);
      glEndList();
    }
    const PixelGrid grid = PixelGrid::Current();
    Digest d;
    d.AddValue(n), d.AddValue(cache->sphere_);
    AddGrid(d, grid);
    d.AddBytes(view.planePoints.data(), n * sizeof(Vec3));
    Rebuild(cache->points_.list, cache->points_.digest, d.value(), [&] {
      // GLU's vertices lie on the radius to single precision.
      constexpr double reach = kPointRadius * 1.001;
      for (std::size_t i = 0; i < n; ++i) {
        const Vec3& p = view.planePoints[i];
        if (!grid.MayCover(p, reach)) continue;
        glPushMatrix();
        glTranslated(p.x, p.y, p.z);
        glCallList(cache->sphere_);
        glPopMatrix();
      }
    });
    glCallList(cache->points_.list);
  };

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
      if (cache != nullptr)
        drawCachedSpheres(quadric.get());
      else
        for (std::size_t i = 0; i < n; ++i) SmallSphereAt(quadric.get(), view.planePoints[i]);
    }
  }

  if (options.showRays && n > 0) {
    if (cache != nullptr) {
      Digest d;
      d.AddValue(n), d.AddValue(pairs), d.AddValue(c);
      d.AddBytes(view.pointColors.data(), n * sizeof(Vec3));
      d.AddBytes(view.rayPoints.data(), n * sizeof(Vec3));
      if (pairs > 0) d.AddBytes(other->rayPoints.data(), pairs * sizeof(Vec3));
      Rebuild(cache->rays_.list, cache->rays_.digest, d.value(), [&] { EmitRays(view, n, pairs); });
      glCallList(cache->rays_.list);
    } else {
      EmitRays(view, n, pairs);
    }
    if (vectors != nullptr && pairs > 0) {
      for (std::size_t i = 0; i < pairs; ++i) {
        const Vec3& r = view.rayPoints[i];
        const Vec3& q = other->rayPoints[i];
        vectors->SetPoint(3 * static_cast<int>(i), q.x - r.x, q.y - r.y, q.z - r.z);
      }
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
    gluSphere(quadric.get(), view.GetOrbitRadius(), 40, 40);
  }

  if (options.showPanTiltSphere && panTiltSphere != nullptr) {
    constexpr double D = kDegreesPerRadian;
    const double k = 0.05 / DrawnScale(view.GetScale());
    glPushMatrix();
    glTranslated(c.x, c.y, c.z);
    glScaled(k, k, k);
    glRotated(view.GetParams().azimuth * D, 0, 1, 0);
    glRotated(view.GetParams().altitude * D, 1, 0, 0);
    glRotated(std::atan2(view.meanY, view.GetFocalLength()) * D, 1, 0, 0);
    glRotated(std::atan2(view.meanX, view.GetFocalLength()) * D, 0, -1, 0);
    if (panTiltTriangles != nullptr)
      DrawColoured(*panTiltSphere, true, 1.0, *panTiltTriangles);
    else
      DrawColoured(*panTiltSphere, true, 1.0);
    glPopMatrix();
  }
}

}  // namespace velmora
