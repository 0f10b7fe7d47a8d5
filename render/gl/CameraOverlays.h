#pragma once
// What one view camera draws into the main scene: its glyph, image points, rays, mean
// ray, the sphere it moves on and its pan/tilt score sphere. Drawing the rays also feeds
// the view's Vectors window with the gaps between the two cameras' rays.

#include <cstdint>

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

// What one view's overlays keep from frame to frame in one context: display lists of a
// small sphere, of the image-point spheres that can reach a pixel under the last frame's
// transform, and of the rays, each with the digest of what it was built from. A list is
// rebuilt when its digest differs, so a changed point, colour, pose or observer never
// shows a stale picture.
class OverlayCache {
 public:
  OverlayCache() = default;
  OverlayCache(const OverlayCache&) = delete;
  OverlayCache& operator=(const OverlayCache&) = delete;

  // Deletes the lists; the context they were made in must be current.
  void Release();
  // Drops the lists without deleting them, for when their context is not current or gone.
  void Forget() { *this = OverlayCache{}; }
  bool HoldsLists() const { return sphere_ != 0 || points_.list != 0 || rays_.list != 0; }

 private:
  friend void DrawOverlays(const CameraModel&, int, const OverlayOptions&, const FstShape*,
                           VectorsFeed*, TriangleCache*, OverlayCache*);
  struct Kept {
    unsigned list = 0;
    std::uint64_t digest = 0;
  };
  OverlayCache& operator=(OverlayCache&&) = default;
  unsigned sphere_ = 0;
  Kept points_, rays_;
};

// Draws the overlays of view (index 0 the first view, 1 the second) with the main
// window's context current and the modelview holding observer times scene scale. The
// pan/tilt sphere's triangle list is kept in panTiltTriangles when given. With a cache the
// image-point spheres and the rays replay its lists, and spheres that cannot cover a pixel
// centre are left out; without one every call is made afresh, the reference the cached
// drawing matches pixel for pixel.
void DrawOverlays(const CameraModel& view, int index, const OverlayOptions& options,
                  const FstShape* panTiltSphere, VectorsFeed* vectors,
                  TriangleCache* panTiltTriangles = nullptr, OverlayCache* cache = nullptr);

}  // namespace velmora
