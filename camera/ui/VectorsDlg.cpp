#include "camera/ui/VectorsDlg.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QCloseEvent>
#include <QMouseEvent>
#include <QOpenGLContext>

#include "base/Notify.h"
#include "platform/DialogBuilder.h"

namespace velmora {

VectorsDlg::VectorsDlg() : QOpenGLWidget(nullptr) {
  BuildDialog(this, FindDialogTemplate(IDD_VECTORS));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  // Moves without a button must reach the handler too: they forget the last position.
  setMouseTracking(true);
  // Grey until the control panel says otherwise, which may be before the first show.
  context.SetClearColor(0.5f, 0.5f, 0.5f);
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
  context.observer.distance = 50.0;
  // The colour already set is kept: "White bkg." may have been ticked before this show.
  context.Resize(context.width, context.height);
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
  if (context.BeginFrame()) {
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(256, 0, 0);
    glColor3f(0, 1, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 256, 0);
    glColor3f(0, 0, 1);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 256);
    for (int k = 0; k < vectorCount; ++k) {
      glColor3dv(&vectorColors[3 * k]);
      glVertex3d(0, 0, 0);
      glVertex3dv(&vectors[3 * k]);
    }
    glEnd();

    glPushMatrix();
    glTranslated(center[0], center[1], center[2]);
    glColor4d(0, 0, 1, 1);
    if (GLUquadric* quadric = gluNewQuadric()) {
      gluSphere(quadric, 0.7, 20, 20);
      gluDeleteQuadric(quadric);
    }
    glPopMatrix();
    context.EndFrame();
  }
  inGlCallback_ = false;
}

void VectorsDlg::OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x,
                             int y) {
  const bool shift = modifiers & Qt::ShiftModifier, ctrl = modifiers & Qt::ControlModifier;
  if (buttons & Qt::LeftButton) {
    if (shift && ctrl) {
      lastX = x;
      return;
    }
    if (!shift && !ctrl && lastX != -1) {
      context.observer.angleX += y - lastY;
      context.observer.angleY += x - lastX;
      repaint();  // at once, not when the queue gets to it
    }
    lastX = x;
    lastY = y;
  } else if (buttons & Qt::RightButton) {
    if (lastY != -1) {
      context.observer.distance += 2.0 * (y - lastY);
      repaint();
    }
    lastY = y;
  } else {
    lastX = lastY = -1;
  }
}

void VectorsDlg::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  OnMouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
  QOpenGLWidget::mouseMoveEvent(event);
}

void VectorsDlg::closeEvent(QCloseEvent* event) {
  // The window and its data stay: checking "Show vectors" again shows it as it was.
  if (onClosed) onClosed();
  event->accept();
}

}  // namespace velmora
