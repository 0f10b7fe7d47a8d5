#pragma once
#include <QDialog>

namespace velmora {

// "About Velmora": the version and the build stamp.
class AboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDlg(QWidget* parent = nullptr);
  static QString BuildLine();
};

}  // namespace velmora
