#include "app/VectorsDlg.h"

#include "platform/DialogBuilder.h"

namespace velmora {

VectorsDlg::VectorsDlg() : QOpenGLWidget(nullptr) {
  BuildDialog(this, FindDialogTemplate(IDD_VECTORS));
  setWindowFlag(Qt::WindowStaysOnTopHint);
}

}  // namespace velmora
