#pragma once
// The main window's scene: the axes, the FST object, both cameras' overlays, the textured
// plane and the main sphere, seen through the observer of the GlContext it extends.

#include <functional>

#include "camera/CameraModel.h"
#include "render/Workbench.h"
#include "render/gl/CameraOverlays.h"
#include "render/gl/FstShapeDraw.h"
#include "render/gl/GlContext.h"

namespace velmora {

// The plane through the reconstructed point 1 (o) and both camera centres: e and h are its
// two half-diagonals, 100 observer units long at any scale. False when there is no such
// plane: either view holds fewer than two points, the point cannot be reconstructed, or
// the three points do not span a plane.
bool PlaneGeometry(const CameraModel& first, const CameraModel& second, float scale, Vec3& o,
                   Vec3& e, Vec3& h);

// What the scene reads of a view's panel; the camera and its pan/tilt sphere come from
// the workbench.
struct SceneView {
  const OverlayOptions* options = nullptr;  // null: the scene keeps the view's boxes itself
  VectorsFeed* vectors = nullptr;           // may be null
};

// The scene draws what the workbench holds (the views, the FST object, the main sphere)
// and keeps only how it is shown, so the window and velmora-cli render the same state.
class Scene : public GlContext {
 public:
  Scene(Workbench& workbench, SceneView first = {}, SceneView second = {});
  // Frees the overlays' display lists in the context of the surface they were made on.
  ~Scene() override;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Renders and presents one complete frame.
  void Draw();
  // Drawn after the views' overlays in the scene's coordinates: marks a window adds to
  // its own frame (a bookmark's camera), which saved frames leave out.
  std::function<void()> drawMarks;

  // What the frame shows now. The main sphere and the distance mode are the workbench's,
  // the Scale value the views', the white background the clear colour's.
  FrameState Frame() const;
  // Shows state: each part is handed to its owner, the main sphere and the distance mode
  // only when they change (each change maps the sphere). A view whose boxes a panel owns
  // keeps them: the panel sets its own. False when the main sphere asked for did not load
  // (then there is none).
  bool SetFrame(const FrameState& state);

  void SetShowAxes(bool on) { showAxes = on; }
  void SetShowFstObject(bool on) { showFstObject = on; }
  void SetFrontOnly(bool on) { frontOnly = on; }
  void SetAlpha(double a) { alpha = a; }
  void SetShowPlane(bool on);
  void SetScale(float s) { scale = DrawnScale(s); }
  void ToggleCentreMode() { centreMode = !centreMode; }
  // The texture loader: shows the wait notice around the first load of "plane.png".
  // Left empty, the texture loads without a notice.
  std::function<void(bool show)> showWaitNotice;

  Workbench& workbench;
  int planeTexture = -1;  // -1 not loaded yet, -2 loading failed (never retried)
  bool showPlane = false;
  float scale = 1.0f;
  bool frontOnly = false;
  double alpha = 0.5;
  bool showAxes = true;
  bool showFstObject = true;
  bool centreMode = false;
  // Off, the overlays are drawn call by call every frame: the reference the kept lists
  // are checked and timed against.
  bool keepOverlayLists = true;
  SceneView views[2];

 private:
  void DrawPlane();
  // The kept triangle list of a main sphere: one per sample sphere, in table order, so
  // that switching between them rebuilds none; one more for any other shape.
  TriangleCache& SphereTriangles(const FstShape& sphere);
  TriangleCache sphereTriangles_[kSampleSphereCount];
  TriangleCache otherTriangles_;
  TriangleCache panTiltTriangles_[2];
  OverlayCache overlayLists_[2];
  // The surface whose context made the overlay lists; another context never calls them.
  GlSurface* listSurface_ = nullptr;
  // The boxes of a view no panel stands behind.
  OverlayOptions ownOptions_[2];
  // The wait notice pumps messages; a second switch-on arriving meanwhile must not load again.
  bool loadingPlane_ = false;
};

}  // namespace velmora
