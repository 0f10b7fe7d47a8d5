#pragma once
// What one view camera draws into the main scene: its glyph, image points, rays, mean
// ray, the sphere it moves on and its pan/tilt score sphere. Drawing the rays also feeds
// the view's Vectors window with the gaps between the two cameras' rays.

#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "render/FrameState.h"
#include "render/gl/FstShapeDraw.h"

namespace velmora {

// The view panel's display boxes.
// The Vectors window as the overlays see it.
class VectorsFeed {
 public:
  virtual ~VectorsFeed() = default;
  virtual void SetPoint(int i, double x, double y, double z) = 0;
  virtual void ComputeCenter() = 0;
  virtual void Invalidate() = 0;
};

// Draws the overlays of view (index 0 the first view, 1 the second) with the main
// window's context current and the modelview holding observer times scene scale. The
// pan/tilt sphere's triangle list is kept in panTiltTriangles when given.
void DrawOverlays(const CameraModel& view, int index, const OverlayOptions& options,
                  const FstShape* panTiltSphere, VectorsFeed* vectors,
                  TriangleCache* panTiltTriangles = nullptr);

}  // namespace velmora
