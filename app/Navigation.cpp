// Mouse and keyboard navigation of the main window, and its side of the camera
// transitions: planning each one and applying its frames on the user-interface thread.

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <chrono>
#include <thread>

#include "app/MainDlg.h"
#include "camera/PositionFile.h"
#include "camera/ui/ViewDlg.h"
#include "data/DataFiles.h"
#include "data/ui/ControlDlg.h"

namespace velmora {

namespace {

// Left and right modifier keys: Qt gives both the same key code, but on X11 the native
// virtual key is the keysym, and the right-hand keys have their own (Control_R 0xffe4,
// Shift_R 0xffe2; the left ones are Control_L 0xffe3 and Shift_L 0xffe1). A platform that
// reports no keysym (0) cannot tell the sides apart; its keys count as left ones.
constexpr quint32 kKeysymShiftR = 0xffe2;
constexpr quint32 kKeysymControlR = 0xffe4;

bool IsLeftSideKey(const QKeyEvent& event) {
  const quint32 keysym = event.nativeVirtualKey();
  return keysym != kKeysymShiftR && keysym != kKeysymControlR;
}

// The view panels that exist, first view first.
std::vector<ViewDlg*> Views() {
  std::vector<ViewDlg*> views;
  for (ViewDlg* view : {g_pFirstView.load(), g_pSecondView.load()})
    if (view != nullptr) views.push_back(view);
  return views;
}

// A key toggle of a view's display box: the box takes the opposite of the view's own flag,
// then the box's click handling stores it and asks for a redraw.
void FlipViewBox(ViewDlg* view, QCheckBox* ViewDlg::*box, bool (ViewDlg::*shows)() const,
                 void (ViewDlg::*onClicked)()) {
  if (view == nullptr || view->*box == nullptr) return;
  (view->*box)->setChecked(!(view->*shows)());
  (view->*onClicked)();
}

// Z held: every drag moves at a twentieth of its speed.
constexpr double kSlowFactor = 0.05;

// What one pixel of mouse movement changes. The views' angles are in radians, their
// lengths in scene units; the observer turns in degrees and moves in its own units.
constexpr double kRotationPerPixel = 0.0125;  // a view's rotation about its principal ray
constexpr double kPanTiltPerPixel = 0.003125;
constexpr double kAzAltPerPixel = 0.00625;
constexpr double kLensPerPixel = 0.1;  // a view's focal length or distance
constexpr double kObserverAnglePerPixel = 1.0;
constexpr double kObserverDistancePerPixel = 2.0;
constexpr double kCentreShiftPerPixel = 1.0;  // the point the observer turns about

}  // namespace

QString MainDlg::MouseModeCaption(int flags) {
  QString caption;
  if ((flags & ~MODE_SLOW) == 0)
    caption = QStringLiteral("Left: move around, Right: zoom in/out");
  else if (flags & MODE_CENTRE)
    caption =
        QStringLiteral("Left: move around center X,Z, Right: move around center Y, F6 - center");
  else if (flags & MODE_CTRL)
    caption = (flags & MODE_SHIFT) ? QStringLiteral("Left: rotate around principal ray")
                                   : QStringLiteral("Left: azimuth/altitude, Right: distance");
  else
    caption = QStringLiteral("Left: pan/tilt, Right: focal length");
  if (flags & MODE_SLOW) caption += QStringLiteral(" x20 slower");
  return caption;
}

void MainDlg::UpdateMouseMode(int bit, bool on) {
  if (on)
    keyFlags |= bit;
  else
    keyFlags &= ~bit;
  setWindowTitle(MouseModeCaption(keyFlags));
}

void MainDlg::OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint point) {
  const int x = point.x(), y = point.y();
  const double f = (keyFlags & MODE_SLOW) ? kSlowFactor : 1.0;
  // Either Shift and either Ctrl key count here: these are the mouse event's own.
  const bool shift = modifiers & Qt::ShiftModifier;
  const bool ctrl = modifiers & Qt::ControlModifier;
  bool changed = false;

  if (buttons & Qt::LeftButton) {
    const bool drag = lastX != -1;
    if (drag) DragLeft(x - lastX, y - lastY, f, shift, ctrl);
    changed = drag;
    lastX = x;
    // The principal-ray rotation reads only x; y stays where the drag left it.
    if (scene.centreMode || !(shift && ctrl)) lastY = y;
    savedPoseOwner = OWNER_HOME;
  } else if (buttons & Qt::RightButton) {
    const bool drag = lastY != -1;
    if (drag) DragRight(y - lastY, f, shift, ctrl);
    changed = drag;
    lastY = y;
    savedPoseOwner = OWNER_HOME;
  } else {
    lastX = lastY = -1;
  }
  if (changed) PostAppMessage(g_hMainWnd.load(), UWM_REDRAW);
}

void MainDlg::DragLeft(double dx, double dy, double f, bool shift, bool ctrl) {
  if (scene.centreMode) {
    scene.observer.offsetX += dx * f * kCentreShiftPerPixel;
    scene.observer.offsetZ += dy * f * kCentreShiftPerPixel;
  } else if (shift && ctrl) {
    for (ViewDlg* view : Views()) view->DragRotation(-dx * f * kRotationPerPixel);
  } else if (shift) {
    for (ViewDlg* view : Views())
      view->DragPanTilt(-dx * f * kPanTiltPerPixel, -dy * f * kPanTiltPerPixel);
  } else if (ctrl) {
    for (ViewDlg* view : Views()) view->DragAzAlt(dx * f * kAzAltPerPixel, dy * f * kAzAltPerPixel);
  } else {
    scene.observer.angleX += dy * f * kObserverAnglePerPixel;
    scene.observer.angleY += dx * f * kObserverAnglePerPixel;
  }
}

void MainDlg::DragRight(double dy, double f, bool shift, bool ctrl) {
  if (scene.centreMode) {
    scene.observer.offsetY -= dy * f * kCentreShiftPerPixel;
  } else if (shift) {
    for (ViewDlg* view : Views()) view->DragFocalLength(dy * f * kLensPerPixel);
  } else if (ctrl) {
    for (ViewDlg* view : Views()) view->DragDistance(dy * f * kLensPerPixel);
  } else {
    scene.observer.distance += kObserverDistancePerPixel * dy * f;
  }
}

void MainDlg::OnKeyDown(const QKeyEvent& event) {
  if (OnToolKey(event)) return;
  // First presses only, and nothing with Alt held.
  if (event.isAutoRepeat() || (event.modifiers() & Qt::AltModifier)) return;
  ViewDlg* first = g_pFirstView.load();
  ViewDlg* second = g_pSecondView.load();
  auto startTransition = [this](int kind) {
    transitionKind = kind;
    StartCameraAnimation();
  };

  switch (event.key()) {
    case Qt::Key_F4:  // the control panel may have been closed
      controlPanel_->show();
      controlPanel_->raise();
      break;
    case Qt::Key_F5:
      scene.ToggleWireframe();
      update();
      break;
    case Qt::Key_Control:
      if (IsLeftSideKey(event)) UpdateMouseMode(MODE_CTRL, true);
      break;
    case Qt::Key_Shift:
      if (IsLeftSideKey(event)) UpdateMouseMode(MODE_SHIFT, true);
      break;
    case Qt::Key_F6:
      if (scene.centreMode) {
        // Shows at the next redraw.
        scene.observer.offsetX = scene.observer.offsetY = scene.observer.offsetZ = 0;
      } else if (LoadPositionFile()) {
        // Without the file the views took the fallback pose at once; there is nothing to
        // glide to then.
        startTransition(TRANSITION_POSITION);
      }
      break;
    case Qt::Key_F7:
      scene.ToggleCentreMode();
      UpdateMouseMode(MODE_CENTRE, scene.centreMode);
      update();
      break;
    case Qt::Key_Z:
      UpdateMouseMode(MODE_SLOW, true);
      break;
    case Qt::Key_F8:
      startTransition(TRANSITION_FIRST_VIEW);
      break;
    case Qt::Key_F9:
      startTransition(TRANSITION_SECOND_VIEW);
      break;
    case Qt::Key_F11:
      startTransition(TRANSITION_ZOOM);
      break;
    case Qt::Key_F12:
      startTransition(TRANSITION_OVERVIEW);
      break;
    case Qt::Key_F:
      PostAppMessage(g_hControlWnd.load(), UWM_SHOW_FST_OBJECT);
      break;
    case Qt::Key_P:
      PostAppMessage(g_hControlWnd.load(), UWM_SHOW_PT_PLANE);
      break;
    case Qt::Key_M:
      PostAppMessage(g_hControlWnd.load(), UWM_SHOW_MAIN_SPHERE);
      break;
    case Qt::Key_R:
      for (ViewDlg* view : {first, second})
        FlipViewBox(view, &ViewDlg::raysCheck, &ViewDlg::ShowsRays, &ViewDlg::OnRaysClicked);
      break;
    case Qt::Key_A:
      FlipViewBox(second, &ViewDlg::azAltCheck, &ViewDlg::ShowsAzAltSphere,
                  &ViewDlg::OnAzAltSphereClicked);
      break;
    case Qt::Key_N:
      for (ViewDlg* view : {first, second})
        FlipViewBox(view, &ViewDlg::meanRayCheck, &ViewDlg::ShowsMeanRay,
                    &ViewDlg::OnMeanRayClicked);
      break;
    default:
      break;
  }
}

void MainDlg::OnKeyUp(const QKeyEvent& event) {
  // Either side releases: a mode set by the left key ends with whichever key goes up.
  switch (event.key()) {
    case Qt::Key_Control:
      UpdateMouseMode(MODE_CTRL, false);
      break;
    case Qt::Key_Shift:
      UpdateMouseMode(MODE_SHIFT, false);
      break;
    case Qt::Key_Z:
      UpdateMouseMode(MODE_SLOW, false);
      break;
    default:
      break;
  }
}

bool MainDlg::LoadPositionFile() {
  if (velmora::LoadPositionFile(FindDataFile(kPositionFileName), positionTargets)) return true;
  ViewDlg* first = g_pFirstView.load();
  ViewDlg* second = g_pSecondView.load();
  if (first == nullptr || second == nullptr) return false;
  ApplyPositionFallback(first->camera, second->camera, [first, second] {
    first->UpdatePanel();
    second->UpdatePanel();
  });
  update();
  return false;
}

void MainDlg::StartCameraAnimation() {
  transitions_.StartCameraAnimation();
}

void MainDlg::StopCameraAnimation() {
  // A worker may be blocked handing a frame to this thread: serve those hand-overs while
  // waiting, or the two threads would wait for each other.
  transitions_.Stop([this] { QCoreApplication::sendPostedEvents(this, QEvent::MetaCall); });
}

bool MainDlg::HandOver(const std::function<void()>& work) {
  for (;;) {
    if (transitions_.Stopping()) return false;
    bool done = false, refused = false;
    QMetaObject::invokeMethod(
        this,
        [this, &work, &done, &refused] {
          if (transitions_.Stopping()) return;
          // A long operation lets only its own dialog run (a map's progress, a load's):
          // the frame waits until it is over instead of moving the cameras under it.
          if (AppMessagesDeferred()) {
            refused = true;
            return;
          }
          work();
          done = true;
        },
        Qt::BlockingQueuedConnection);
    if (!refused) return done;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool MainDlg::PrepareTransition(TransitionPlan& plan) {
  bool planned = false;
  HandOver([this, &plan, &planned] {
    const ViewDlg* first = g_pFirstView.load();
    const ViewDlg* second = g_pSecondView.load();
    if (first == nullptr || second == nullptr) return;
    const double pose[kObserverPoseSize] = {scene.observer.distance, scene.observer.offsetX, scene.observer.offsetY,
                                            scene.observer.offsetZ,  scene.observer.angleX,  scene.observer.angleY,
                                            scene.observer.angleZ};
    TransitionState state;
    state.savedPoseOwner = savedPoseOwner;
    std::copy(std::begin(savedPose), std::end(savedPose), state.savedPose);
    state.zoomFactor = zoomFactor;
    // The kind is read now, when the transition starts, not when it was requested.
    planned = PlanTransition(transitionKind, pose, first->camera, second->camera, positionTargets,
                             stepTable, frameBudget, state, plan);
    savedPoseOwner = state.savedPoseOwner;
    std::copy(std::begin(state.savedPose), std::end(state.savedPose), savedPose);
    zoomFactor = state.zoomFactor;
  });
  return planned;
}

void MainDlg::ApplyTransitionFrame(const TransitionFrame& frame) {
  HandOver([this, &frame] {
    currentStep = frame.profile.currentStep;
    progress = frame.profile.progress;
    stepIndex = frame.profile.stepIndex;
    cruiseCount = frame.profile.cruiseCount;
    phase = frame.profile.phase;
    const auto& v = frame.values;

    if (frame.kind != TRANSITION_POSITION) {
      // Added, not set: a drag during the flight moves the observer along with it.
      scene.observer.distance += v[POSE_DISTANCE];
      scene.observer.offsetX += v[POSE_OFFSET_X];
      scene.observer.offsetY += v[POSE_OFFSET_Y];
      scene.observer.offsetZ += v[POSE_OFFSET_Z];
      scene.observer.angleX += v[POSE_ANGLE_X];
      scene.observer.angleY += v[POSE_ANGLE_Y];
      scene.observer.angleZ += v[POSE_ANGLE_Z];
      repaint();  // this frame is painted before the worker goes on
      return;
    }

    // The views and the Scale box get the glide's scale, 0 included, as typing it would;
    // views and scene draw 0 at 1. The scene takes the views' value, which is finite.
    scene.workbench.ApplyPositionTargets(v, [this, &v] {
      PostAppMessage(g_hControlWnd.load(), UWM_SET_SCALE, 0,
                     FloatToLParam(scene.workbench.Second().GetScale()));
      scene.SetScale(scene.workbench.Second().GetScale());
      PostAppMessage(g_hMainWnd.load(), UWM_UPDATE_PANELS);
    });
    update();
  });
}

}  // namespace velmora
