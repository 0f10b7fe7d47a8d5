#pragma once
// The Vectors window of one view: the gap vectors between the two views' rays, drawn
// from the origin in their points' colours, with the axes and a sphere at their mean.
// Closing the window only hides it and tells its owner, which unchecks its "Show vectors"
// box.

#include <QOpenGLWidget>
#include <functional>
#include <vector>

#include "render/gl/CameraOverlays.h"
#include "render/gl/GlContext.h"

namespace velmora {

class VectorsDlg : public QOpenGLWidget, public VectorsFeed, public GlSurface {
  Q_OBJECT
 public:
  VectorsDlg();

  void Allocate(int n);
  void SetPoint(int i, double x, double y, double z) override;
  void SetColor(int i, double r, double g, double b);
  void ComputeCenter() override;
  void Invalidate() override { update(); }
  void SetBackground(float r, float g, float b);

  // GlSurface
  bool MakeCurrent() override;
  void DoneCurrent() override;
  void SwapBuffers() override {}

  // The mouse table of the window: left drag turns the bundle, right drag moves the
  // observer; buttons and modifiers as the event carries them. Public for tests.
  void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);

  GlContext context;
  int vectorCount = 0;
  std::vector<double> vectors;
  std::vector<double> vectorColors;
  double center[3] = {0, 0, 0};
  int lastX = -1, lastY = -1;
  // Called when the user closes the window; the owner sets it.
  std::function<void()> onClosed;

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool inGlCallback_ = false;
};

}  // namespace velmora
