#pragma once
// The main window's scene: the axes, the FST object, both cameras' overlays, the textured
// plane and the main sphere, seen through the observer of the GlContext it extends.

#include <functional>

#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "render/gl/CameraOverlays.h"
#include "render/gl/GlContext.h"

namespace velmora {

constexpr int kSampleSphereCount = 5;

// The plane through the reconstructed point 1 (o) and both camera centres: e and h are its
// two half-diagonals, 100 observer units long at any scale. False when there is no such
// plane: either view holds fewer than two points, the point cannot be reconstructed, or
// the three points do not span a plane.
bool PlaneGeometry(const CameraModel& first, const CameraModel& second, float scale, Vec3& o,
                   Vec3& e, Vec3& h);

// What the scene reads of one view camera and its panel.
struct SceneView {
  CameraModel* camera = nullptr;
  const OverlayOptions* options = nullptr;
  const FstShape* panTiltSphere = nullptr;  // null when the view's sphere did not load
  VectorsFeed* vectors = nullptr;           // may be null
};

class Scene : public GlContext {
 public:
  // Reads the sample spheres from the current directory, announcing each loaded one
  // (its nominal size: 100 ... 100000) through announceSphere, and maps them over the
  // positions of the second view's camera.
  Scene(SceneView first, SceneView second, std::function<void(int size)> announceSphere = {});

  // Renders and presents one complete frame.
  void Draw();

  void SetShowAxes(bool on) { showAxes = on; }
  void SetShowFstObject(bool on) { showFstObject = on; }
  void SelectMainSphere(int index, bool on);
  void SetFrontOnly(bool on) { frontOnly = on; }
  void SetAlpha(double a) { alpha = a; }
  void SetDistanceMode(bool on);
  void SetShowPlane(bool on);
  void SetScale(float s) { scale = s == 0.0f ? 1.0f : s; }
  void RemapMainSphere();
  void ToggleCentreMode() { centreMode = !centreMode; }
  // The texture loader: shows the wait notice around the first load of "plane.png".
  // Left empty, the texture loads without a notice.
  std::function<void(bool show)> showWaitNotice;

  FstShape sampleSpheres[kSampleSphereCount];
  int planeTexture = -1;  // -1 not loaded yet, -2 loading failed (never retried)
  bool showPlane = false;
  float scale = 1.0f;
  FstShape* loadedSpheres[kSampleSphereCount] = {};
  int loadedSphereCount = 0;
  FstShape fstObject;
  bool frontOnly = false;
  double alpha = 0.5;
  bool distanceMode = false;
  FstShape* mainSphere = nullptr;
  bool showAxes = true;
  bool showFstObject = true;
  bool centreMode = false;
  SceneView views[2];

 private:
  void DrawPlane();
  // The wait notice pumps messages; a second switch-on arriving meanwhile must not load again.
  bool loadingPlane_ = false;
};

}  // namespace velmora
