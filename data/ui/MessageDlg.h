#pragma once
// "Please wait..": the notice shown while the plane texture is loaded for the first time.
// No buttons and no input of its own; it lives only as long as the load.

#include <QDialog>
#include <functional>

namespace velmora {

class MessageDlg : public QDialog {
  Q_OBJECT
 public:
  explicit MessageDlg(QWidget* parent);
};

// What the scene's showWaitNotice wants: show(true) creates the notice over the second
// view's panel, shows it and handles the pending messages once so that it paints;
// show(false) removes it.
std::function<void(bool show)> MakeWaitNotice();

}  // namespace velmora
