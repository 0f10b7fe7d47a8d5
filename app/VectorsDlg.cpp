#include "app/VectorsDlg.h"

#include <QOpenGLContext>

#include "platform/DialogBuilder.h"
#include "platform/Notify.h"

namespace velmora {

VectorsDlg::VectorsDlg() : QOpenGLWidget(nullptr) {
  BuildDialog(this, FindDialogTemplate(IDD_VECTORS));
  setWindowFlag(Qt::WindowStaysOnTopHint);
}

void VectorsDlg::Allocate(int n) {
  vectorCount = n < 0 ? 0 : n;
  ResizeOrDie(vectors, 3 * static_cast<size_t>(vectorCount));
  ResizeOrDie(vectorColors, 3 * static_cast<size_t>(vectorCount));
}

void VectorsDlg::SetPoint(int i, double x, double y, double z) {
  if (i < 0 || i + 2 >= 3 * vectorCount) {
    ShowMessage("Error in VectorsDlg::SetPoint()");
    return;
  }
  vectors[i] = x, vectors[i + 1] = y, vectors[i + 2] = z;
}

void VectorsDlg::SetColor(int i, double r, double g, double b) {
  if (i < 0 || i + 2 >= 3 * vectorCount) {
    ShowMessage("Error in VectorsDlg::SetColor()");
    return;
  }
  vectorColors[i] = r, vectorColors[i + 1] = g, vectorColors[i + 2] = b;
}

void VectorsDlg::ComputeCenter() {
  if (vectorCount == 0) return;
  double sum[3] = {0, 0, 0};
  for (int k = 0; k < vectorCount; ++k)
    for (int c = 0; c < 3; ++c) sum[c] += vectors[3 * k + c];
  for (int c = 0; c < 3; ++c) center[c] = sum[c] * (1.0 / vectorCount);
}

void VectorsDlg::SetBackground(float r, float g, float b) {
  context.SetClearColor(r, g, b);
  context.Resize(context.width, context.height);
}

bool VectorsDlg::MakeCurrent() {
  if (this->QOpenGLWidget::context() == nullptr) return false;
  if (!inGlCallback_) makeCurrent();
  return true;
}

void VectorsDlg::DoneCurrent() {
  if (!inGlCallback_) doneCurrent();
}

void VectorsDlg::initializeGL() {
  inGlCallback_ = true;
  context.Init(this);
  context.distance = 50.0;
  SetBackground(0.5f, 0.5f, 0.5f);
  inGlCallback_ = false;
}

void VectorsDlg::resizeGL(int w, int h) {
  inGlCallback_ = true;
  context.Resize(static_cast<int>(w * devicePixelRatio()),
                 static_cast<int>(h * devicePixelRatio()));
  inGlCallback_ = false;
}

void VectorsDlg::paintGL() {
  inGlCallback_ = true;
  if (context.BeginFrame()) context.EndFrame();
  inGlCallback_ = false;
}

}  // namespace velmora
