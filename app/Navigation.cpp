// The main window's navigation: its Qt key and mouse events become the navigator's, and
// its side of the camera transitions: planning each one and applying its frames on the
// user-interface thread.

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <chrono>
#include <thread>
#include <utility>

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

// The keys navigation knows, by Qt's key code.
constexpr std::pair<int, NavKey> kNavKeys[] = {
    {Qt::Key_F4, NavKey::F4},        {Qt::Key_F5, NavKey::F5},       {Qt::Key_F6, NavKey::F6},
    {Qt::Key_F7, NavKey::F7},        {Qt::Key_F8, NavKey::F8},       {Qt::Key_F9, NavKey::F9},
    {Qt::Key_F10, NavKey::F10},      {Qt::Key_F11, NavKey::F11},     {Qt::Key_F12, NavKey::F12},
    {Qt::Key_Control, NavKey::Ctrl}, {Qt::Key_Shift, NavKey::Shift}, {Qt::Key_Z, NavKey::Z},
    {Qt::Key_F, NavKey::F},          {Qt::Key_P, NavKey::P},         {Qt::Key_M, NavKey::M},
    {Qt::Key_R, NavKey::R},          {Qt::Key_A, NavKey::A},         {Qt::Key_N, NavKey::N},
};

NavKey NavKeyOf(int key) {
  for (const auto& [qtKey, navKey] : kNavKeys)
    if (qtKey == key) return navKey;
  return NavKey::Other;
}

// Ctrl, Shift and Z: held down as mouse modes rather than acting once.
bool IsModeKey(int key) {
  return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Z;
}

ViewDlg* ViewPanel(int index) {
  return index == 0 ? g_pFirstView.load() : g_pSecondView.load();
}

}  // namespace

MainNavigation::MainNavigation(MainDlg& window, ControlDlg& controlPanel)
    : flights(window),
      navigator(*this, window.scene.observer, window.scene.centreMode, flights.state),
      window_(window),
      controlPanel_(controlPanel) {}

KeyPress MainNavigation::Translate(const QKeyEvent& event) {
  const quint32 keysym = event.nativeVirtualKey();
  KeyPress press;
  press.key = NavKeyOf(event.key());
  press.rightSide = keysym == kKeysymShiftR || keysym == kKeysymControlR;
  press.repeat = event.isAutoRepeat();
  press.alt = event.modifiers() & Qt::AltModifier;
  return press;
}

MouseMove MainNavigation::Translate(const QMouseEvent& event) {
  MouseMove move;
  const QPoint at = event.position().toPoint();
  move.x = at.x();
  move.y = at.y();
  move.buttons = ((event.buttons() & Qt::LeftButton) ? BUTTON_LEFT : 0) |
                 ((event.buttons() & Qt::RightButton) ? BUTTON_RIGHT : 0);
  move.shift = event.modifiers() & Qt::ShiftModifier;
  move.ctrl = event.modifiers() & Qt::ControlModifier;
  return move;
}

bool MainNavigation::FirstPress(const QKeyEvent& event) {
  // A synthetic event carries no time (0) and is never taken for a repeat.
  const bool repeatedPair =
      event.timestamp() != 0 && event.key() == releasedKey_ && event.timestamp() == releasedAt_;
  releasedKey_ = 0;
  if (event.isAutoRepeat()) return false;
  if (repeatedPair) {
    if (IsModeKey(event.key())) navigator.OnKeyDown(Translate(event));
    return false;
  }
  return true;
}

void MainNavigation::Released(const QKeyEvent& event) {
  // X11 repeats a held key as release and press pairs; only the real release counts.
  if (event.isAutoRepeat()) return;
  releasedKey_ = event.key();
  releasedAt_ = event.timestamp();
  navigator.OnKeyUp(NavKeyOf(event.key()));
}

ViewDrags* MainNavigation::View(int index) {
  return ViewPanel(index);
}

void MainNavigation::ShowControlPanel() {
  controlPanel_.show();
  controlPanel_.raise();
}

void MainNavigation::ToggleWireframe() {
  window_.scene.ToggleWireframe();
}

void MainNavigation::StartTransition(TransitionKind kind) {
  flights.StartCameraAnimation(kind);
}

bool MainNavigation::LoadPositionFile() {
  if (velmora::LoadPositionFile(FindDataFile(kPositionFileName), flights.positionTargets))
    return true;
  ViewDlg* first = g_pFirstView.load();
  ViewDlg* second = g_pSecondView.load();
  if (first == nullptr || second == nullptr) return false;
  ApplyPositionFallback(first->camera, second->camera, [first, second] {
    first->UpdatePanel();
    second->UpdatePanel();
  });
  window_.update();
  return false;
}

void MainNavigation::TogglePanelBox(PanelBox box) {
  const unsigned msg = box == PanelBox::FstObject ? UWM_SHOW_FST_OBJECT
                       : box == PanelBox::PtPlane ? UWM_SHOW_PT_PLANE
                                                  : UWM_SHOW_MAIN_SPHERE;
  PostAppMessage(g_hControlWnd.load(), msg);
}

void MainNavigation::FlipViewBox(int index, ViewBox which) {
  struct Box {
    QCheckBox* ViewDlg::*box;
    bool (ViewDlg::*shows)() const;
    void (ViewDlg::*onClicked)();
  };
  const Box box =
      which == ViewBox::Rays
          ? Box{&ViewDlg::raysCheck, &ViewDlg::ShowsRays, &ViewDlg::OnRaysClicked}
      : which == ViewBox::MeanRay
          ? Box{&ViewDlg::meanRayCheck, &ViewDlg::ShowsMeanRay, &ViewDlg::OnMeanRayClicked}
          : Box{&ViewDlg::azAltCheck, &ViewDlg::ShowsAzAltSphere, &ViewDlg::OnAzAltSphereClicked};
  ViewDlg* view = ViewPanel(index);
  if (view == nullptr || view->*box.box == nullptr) return;
  // The box's click handling stores it and asks for a redraw.
  (view->*box.box)->setChecked(!(view->*box.shows)());
  (view->*box.onClicked)();
}

void MainNavigation::PostRedraw() {
  PostAppMessage(g_hMainWnd.load(), UWM_REDRAW);
}

void MainNavigation::Invalidate() {
  window_.update();
}

void MainNavigation::SetCaption(const std::string& caption) {
  window_.setWindowTitle(QString::fromStdString(caption));
}

MainFlights::MainFlights(MainDlg& window) : window_(window) {}

void MainFlights::StartCameraAnimation(int kind) {
  kind_ = kind;
  worker_.StartCameraAnimation();
}

void MainFlights::StopCameraAnimation() {
  // A worker may be blocked handing a frame to this thread: serve those hand-overs while
  // waiting, or the two threads would wait for each other.
  worker_.Stop([this] { QCoreApplication::sendPostedEvents(&window_, QEvent::MetaCall); });
}

bool MainFlights::HandOver(const std::function<void()>& work) {
  for (;;) {
    if (worker_.Stopping()) return false;
    bool done = false, refused = false;
    QMetaObject::invokeMethod(
        &window_,
        [this, &work, &done, &refused] {
          if (worker_.Stopping()) return;
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

bool MainFlights::PrepareTransition(TransitionPlan& plan) {
  bool planned = false;
  HandOver([this, &plan, &planned] {
    const ViewDlg* first = g_pFirstView.load();
    const ViewDlg* second = g_pSecondView.load();
    if (first == nullptr || second == nullptr) return;
    const ObserverPose& o = window_.scene.observer;
    const double pose[kObserverPoseSize] = {o.distance, o.offsetX, o.offsetY, o.offsetZ,
                                            o.angleX,   o.angleY,  o.angleZ};
    double stepTable[kStepTableSize];
    FillStepTable(stepTable);
    // The kind is read now, when the transition starts, not when it was requested.
    planned = PlanTransition(kind_, pose, first->camera, second->camera, positionTargets, stepTable,
                             kDefaultFrameBudget, state, plan);
  });
  return planned;
}

void MainFlights::ApplyTransitionFrame(const TransitionFrame& frame) {
  HandOver([this, &frame] {
    const auto& v = frame.values;
    Scene& scene = window_.scene;
    if (frame.kind != TRANSITION_POSITION) {
      // Added, not set: a drag during the flight moves the observer along with it.
      scene.observer.distance += v[POSE_DISTANCE];
      scene.observer.offsetX += v[POSE_OFFSET_X];
      scene.observer.offsetY += v[POSE_OFFSET_Y];
      scene.observer.offsetZ += v[POSE_OFFSET_Z];
      scene.observer.angleX += v[POSE_ANGLE_X];
      scene.observer.angleY += v[POSE_ANGLE_Y];
      scene.observer.angleZ += v[POSE_ANGLE_Z];
      window_.repaint();  // this frame is painted before the worker goes on
      return;
    }

    // The views and the Scale box get the glide's scale, 0 included, as typing it would;
    // views and scene draw 0 at 1. The scene takes the views' value, which is finite.
    scene.workbench.ApplyPositionTargets(v, [&scene] {
      PostAppMessage(g_hControlWnd.load(), UWM_SET_SCALE, 0,
                     FloatToLParam(scene.workbench.Second().GetScale()));
      scene.SetScale(scene.workbench.Second().GetScale());
      PostAppMessage(g_hMainWnd.load(), UWM_UPDATE_PANELS);
    });
    window_.update();
  });
}

}  // namespace velmora
