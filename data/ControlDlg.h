#pragma once
// The control panel: file choices, display options and the two view panels.

#include <QString>
#include <QWidget>

#include "camera/ViewDlg.h"
#include "platform/MessageQueue.h"

namespace velmora {

class ControlDlg : public QWidget, public MessageReceiver {
  Q_OBJECT
 public:
  // Builds both view panels and publishes g_pFirstView and g_pSecondView.
  ControlDlg();
  // Creates the window from its template and publishes g_hControlWnd.
  void Create();

  void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;

  // Reads dataPath: its first half into the first view, its second half into the second.
  void LoadDataFile();

  ViewDlg firstView{0};
  ViewDlg secondView{1};
  QString fstPath;
  QString dataPath;

 protected:
  bool event(QEvent* event) override;

 private:
  void OnInitDialog();
};

}  // namespace velmora
