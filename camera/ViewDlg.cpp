#include "camera/ViewDlg.h"

#include "platform/MessageQueue.h"

namespace velmora {

ViewDlg::ViewDlg(int index) : QWidget(nullptr), index(index) {
  vectorsWindow.SetOwnerPanel(this);
  // Camera changes reach the main window as messages; before it is published they are lost.
  camera.onViewsChanged = [](int mask) {
    PostAppMessage(g_hMainWnd.load(), UWM_VIEWS_CHANGED, 0, mask);
  };
}

SceneView ViewDlg::AsSceneView() {
  return SceneView{&camera, &options, sphereLoaded ? &panTiltSphere : nullptr, &vectorsWindow};
}

void ViewDlg::InitView(ViewDlg* other) {
  camera.otherView = &other->camera;
  UpdateCamera(VIEW_ALL);
}

}  // namespace velmora
