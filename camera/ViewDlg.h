#pragma once
// The panel of one view camera. It holds the camera model and the view's Vectors window.

#include <QString>
#include <QWidget>

#include "app/VectorsDlg.h"
#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "render/CameraOverlays.h"
#include "render/Scene.h"

namespace velmora {

class ViewDlg : public QWidget {
  Q_OBJECT
 public:
  // index 0 is the first view, 1 the second.
  explicit ViewDlg(int index);

  // Links the two cameras and computes this one for the first time.
  void InitView(ViewDlg* other);

  void UpdateCamera(int mask) { camera.UpdateCamera(mask); }
  double ReconstructionError() const { return camera.ReconstructionError(); }
  void GetMidpoint(int i, Vec3& out) const { camera.GetMidpoint(i, out); }
  int GetPointCount() const { return camera.GetPointCount(); }
  void SetVectorsTitle(const QString& text) { vectorsWindow.setWindowTitle(text); }

  // What the main scene reads of this view.
  SceneView AsSceneView();

  const int index;
  CameraModel camera;
  OverlayOptions options;
  FstShape panTiltSphere;
  bool sphereLoaded = false;
  VectorsDlg vectorsWindow;
};

}  // namespace velmora
