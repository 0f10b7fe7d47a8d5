#pragma once
// The Vectors window of one view: the gap vectors between the two views' rays.

#include <QOpenGLWidget>

namespace velmora {

class ViewDlg;

class VectorsDlg : public QOpenGLWidget {
  Q_OBJECT
 public:
  VectorsDlg();
  ViewDlg* ownerPanel = nullptr;
};

}  // namespace velmora
