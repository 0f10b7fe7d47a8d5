#pragma once
// The panel of one view camera. It holds the camera model and the view's Vectors window.

#include <QString>
#include <QWidget>

#include "app/VectorsDlg.h"
#include "camera/CameraModel.h"

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

  const int index;
  CameraModel camera;
  VectorsDlg vectorsWindow;
};

}  // namespace velmora
