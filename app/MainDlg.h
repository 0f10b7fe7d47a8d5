#pragma once
// The main window: its whole client area is the OpenGL view of the scene. Its caption is
// the status line of the mouse navigation.

#include <QOpenGLWidget>
#include <QStringList>

#include "platform/MessageQueue.h"
#include "render/GlSurface.h"
#include "render/Scene.h"

namespace velmora {

class ControlDlg;

// Key flags of the main window.
enum : int { MODE_CTRL = 1, MODE_SHIFT = 2, MODE_CENTRE = 4, MODE_SLOW = 8 };

// System-menu command of the About box.
constexpr int IDM_ABOUTBOX = 0x0010;

class MainDlg : public QOpenGLWidget, public GlSurface, public MessageReceiver {
  Q_OBJECT
 public:
  MainDlg(ControlDlg* controlPanel, QStringList arguments);
  ~MainDlg() override;

  void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;
  void OnSysCommand(int id);

  // GlSurface
  bool MakeCurrent() override;
  void DoneCurrent() override;
  void SwapBuffers() override;

  // The text written over the frame: the second view's reconstruction error, or empty
  // when it is not a finite number.
  static QString ErrorText(double error);

  // Loads an FST file into the scene's FST object behind the progress dialog; returns
  // the loader's result.
  int LoadFstObject(const QString& path);

  Scene scene;
  int lastX = -1, lastY = -1;
  int keyFlags = 0;
  int transitionKind = 0;
  double savedPose[7] = {};
  double positionTargets[9] = {};
  int savedPoseOwner = 0;
  double zoomFactor = 0.84;
  double stepTable[22] = {};
  double currentStep = 0, progress = 0;
  int stepIndex = 0, cruiseCount = 0, phase = 0;
  int frameBudget = 25;

 signals:
  void closed();

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnInitDialog();
  void ProcessCommandLine();
  void OnSize(int cx, int cy);
  void OnPaint();
  void DrawErrorText();

  ControlDlg* controlPanel_;
  QStringList arguments_;
  bool initialized_ = false;
  // Inside Qt's own GL callbacks the context is Qt's to manage: our release is skipped.
  bool inGlCallback_ = false;
};

}  // namespace velmora
