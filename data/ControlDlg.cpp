#include "data/ControlDlg.h"

#include "data/VectorData.h"
#include "platform/DialogBuilder.h"
#include "platform/Notify.h"

namespace velmora {

ControlDlg::ControlDlg() : QWidget(nullptr) {
  g_pFirstView = &firstView;
  g_pSecondView = &secondView;
}

void ControlDlg::Create() {
  BuildDialog(this, FindDialogTemplate(IDD_CONTROLS));
  OnInitDialog();
}

void ControlDlg::OnInitDialog() {
  g_hControlWnd = this;
  // The views compute themselves here; their change messages are lost because the main
  // window does not exist yet.
  firstView.InitView(&secondView);
  secondView.InitView(&firstView);
}

bool ControlDlg::event(QEvent* e) {
  return DispatchAppMessage(e, *this) || QWidget::event(e);
}

void ControlDlg::WindowProc(unsigned, WPARAM, LPARAM) {}

void ControlDlg::LoadDataFile() {
  VectorData data;
  if (!ReadVectorData(dataPath.toStdString(), data)) {
    ShowMessage("Cannot open file to read!");
    return;
  }
}

}  // namespace velmora
