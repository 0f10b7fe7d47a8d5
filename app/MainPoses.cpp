#include "app/MainPoses.h"

#include <GL/gl.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "app/MainDlg.h"
#include "base/Notify.h"
#include "data/ui/ControlDlg.h"

namespace velmora {

namespace {

constexpr int kWheelRun = 1;
constexpr qint64 kGlideMs = 600;
constexpr int kGlideStepMs = 20;

bool IsFlightKey(int key) {
  return key == Qt::Key_F6 || key == Qt::Key_F8 || key == Qt::Key_F9 || key == Qt::Key_F11 ||
         key == Qt::Key_F12;
}

}  // namespace

MainPoses::MainPoses(MainDlg& main) : main_(main) {
  clock_.start();
  glide_.setInterval(kGlideStepMs);
  connect(&glide_, &QTimer::timeout, this, [this] { GlideStep(); });
  qApp->installEventFilter(this);
}

Pose MainPoses::Now() const {
  return CurrentPose(main_.scene.workbench, main_.scene.observer);
}

void MainPoses::Show(const Pose& pose) {
  SetCameras(main_.scene.workbench, pose.cameras);
  main_.ControlPanel().firstView.UpdatePanel();
  main_.ControlPanel().secondView.UpdatePanel();
  main_.scene.observer = pose.observer;
  main_.update();
}

void MainPoses::BeginGesture(int run) {
  glide_.stop();
  history.Begin(Now(), run, clock_.elapsed());
}

void MainPoses::Undo() {
  glide_.stop();
  main_.Navigation().flights.StopCameraAnimation();
  Pose back;
  if (history.Undo(Now(), back)) Show(back);
}

void MainPoses::Redo() {
  glide_.stop();
  main_.Navigation().flights.StopCameraAnimation();
  Pose forward;
  if (history.Redo(Now(), forward)) Show(forward);
}

void MainPoses::Store(int mark) {
  marks[mark] = MarkPose(main_.scene.workbench, main_.scene.observer);
  lastMark_ = mark;
  main_.update();
}

void MainPoses::GlideTo(int mark) {
  if (!marks[mark].stored) {
    ShowMessage(std::string("Bookmark ") + (mark == 0 ? "A" : "B") + " is not stored yet: Ctrl+" +
                (mark == 0 ? "1" : "2") + " stores the pose shown.");
    return;
  }
  main_.Navigation().flights.StopCameraAnimation();
  BeginGesture();
  lastMark_ = mark;
  glideFrom_ = Now();
  glideTo_ = marks[mark].pose;
  glideStart_ = clock_.elapsed();
  glide_.start();
  GlideStep();
}

void MainPoses::GlideStep() {
  const double t = static_cast<double>(clock_.elapsed() - glideStart_) / kGlideMs;
  if (t >= 1) glide_.stop();
  Show(PoseBetween(glideFrom_, glideTo_, t));
}

int MainPoses::ShownMark() const {
  if (lastMark_ < 0) return -1;
  if (marks[1 - lastMark_].stored) return 1 - lastMark_;
  return marks[lastMark_].stored ? lastMark_ : -1;
}

void MainPoses::DrawShownMark() const {
  const int shown = ShownMark();
  if (shown < 0) return;
  // Dashed and dim: a place to go, not a camera of the scene.
  glPushAttrib(GL_LINE_BIT | GL_CURRENT_BIT);
  glEnable(GL_LINE_STIPPLE);
  glLineStipple(2, 0x3333);
  glColor3d(0.3, 0.3, 0.3);
  for (int i = 0; i < 2; ++i) {
    CameraModel camera;
    camera.SetParams(marks[shown].pose.cameras[i]);
    camera.SetScale(main_.scene.workbench.View(i).GetScale());
    camera.UpdateCamera(VIEW_ALL);
    const Vec3* k = camera.planeCorners;
    const Vec3& c = camera.cameraPosition;
    glBegin(GL_LINES);
    for (int j = 0; j < 4; ++j) {
      for (const Vec3& p : {c, k[j], k[j], k[(j + 1) % 4]}) glVertex3d(p.x, p.y, p.z);
    }
    glEnd();
  }
  glPopAttrib();
}

void MainPoses::PaintDifference(QPainter& painter, int, int) const {
  const int shown = ShownMark();
  if (shown < 0) return;
  const std::string text =
      BookmarkDifference(main_.scene.workbench, marks[shown], shown == 0 ? "A" : "B");
  painter.setPen(QColor(40, 40, 40));
  // Under the error text, clear of the legend in the bottom-right corner.
  painter.drawText(8, 6 + 2 * painter.fontMetrics().height(), QString::fromStdString(text));
}

bool MainPoses::eventFilter(QObject* watched, QEvent* event) {
  // Every event of the program passes here: the few that begin a gesture first.
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::FocusIn:
    case QEvent::Wheel:
      break;
    default:
      return false;
  }
  const auto* widget = qobject_cast<const QWidget*>(watched);
  if (widget == nullptr) return false;
  const ControlDlg& control = main_.ControlPanel();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
      // A drag begins with the first event that holds a button, as navigation sees it.
      if (widget != &main_) break;
      const bool held = static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton;
      if (held && !dragging_) BeginGesture();
      dragging_ = held;
      break;
    }
    case QEvent::KeyPress: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      if (widget == &main_ && !key->isAutoRepeat() && IsFlightKey(key->key())) BeginGesture();
      break;
    }
    case QEvent::FocusIn:
      if (qobject_cast<const QLineEdit*>(widget) != nullptr && control.isAncestorOf(widget))
        BeginGesture();
      break;
    case QEvent::Wheel:
      if (widget == &control || control.isAncestorOf(widget)) BeginGesture(kWheelRun);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace velmora
