#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <cmath>
#include <limits>
#include <numbers>
#include <thread>

#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "platform/DialogBuilder.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

using test::kControlL;
using test::kControlR;
using test::kShiftL;
using test::WaitUntil;

constexpr char kDefaultCaption[] = "Left: move around, Right: zoom in/out";
constexpr char kCtrlCaption[] = "Left: azimuth/altitude, Right: distance";
constexpr char kShiftCaption[] = "Left: pan/tilt, Right: focal length";
constexpr char kRotateCaption[] = "Left: rotate around principal ray";

constexpr double kHome[kObserverPoseSize] = {400, 0, 0, 0, 1, -1, 0};

std::vector<double> Parameters(const CameraModel& c) {
  const CameraParams& p = c.GetParams();
  return {p.azimuth, p.altitude, p.rotation, p.focalLength, p.distance, p.pan, p.tilt};
}

class Navigation : public test::WorkbenchTest {
 protected:
  void SetUp() override { Reset(); }
  // No key held, no drag, centre mode off, no flight nor saved pose, the observer home.
  static void Reset() {
    ASSERT_TRUE(WaitForTransitions());
    for (int key : {Qt::Key_Control, Qt::Key_Shift, Qt::Key_Z}) test::ReleaseKey(main, key);
    if (main->scene.centreMode) test::PressKey(main, Qt::Key_F7);
    test::MoveMouse(main, {0, 0}, Qt::NoButton);
    main->Navigation().flights.state = TransitionState{};
    main->scene.observer = ObserverPose{};
    ResetViews();
  }

  static ViewDlg& First() { return control->firstView; }
  static ViewDlg& Second() { return control->secondView; }

  // Both views at their defaults, the second at azimuth pi/2 and controlled, holding the
  // triangulation example whose one scene point is (2, 4, 40).
  static void ResetViews() {
    for (ViewDlg* view : {&First(), &Second()}) {
      view->camera.SetParams(CameraParams{});
      view->camera.SetScale(1.0f);
    }
    const double x1 = 1, y1 = 2, x2 = -200.0 / 29, y2 = 20.0 / 29;
    First().LoadImagePoints(&x1, &y1, 1);
    Second().LoadImagePoints(&x2, &y2, 1);
    Second().camera.SetAzAlt(std::numbers::pi / 2, 0);
    main->scene.SetScale(1.0f);
    if (!Second().isControlled) Second().OnControlClicked();
    for (ViewDlg* view : {&First(), &Second()}) {
      view->UpdateCamera(VIEW_ALL);
      view->UpdatePanel();
    }
  }

  static std::vector<double> Pose(const MainDlg& window = *main) {
    const ObserverPose& o = window.scene.observer;
    return {o.distance, o.offsetX, o.offsetY, o.offsetZ, o.angleX, o.angleY, o.angleZ};
  }

  static bool WaitForTransitions() {
    return WaitUntil([] { return main->CameraAnimationIdle(); });
  }

  // A key held down on X11: its press, then a release and a press of one timestamp, not
  // flagged as repeats, for each repeat; the key stays down.
  static void Hold(int key, quint32 keysym, quint64 time) {
    test::SendKey(main, QEvent::KeyPress, key, keysym, Qt::NoModifier, false, time);
    for (quint64 t = time + 30; t < time + 120; t += 30) {
      test::SendKey(main, QEvent::KeyRelease, key, keysym, Qt::NoModifier, false, t);
      test::SendKey(main, QEvent::KeyPress, key, keysym, Qt::NoModifier, false, t);
    }
  }
};

// Qt's key codes become the navigator's; the keys left out here are pressed through the
// window by the flight, caption and message cases.
TEST(NavigationKeys, QtKeysBecomeTheNavigatorsKeys) {
  const std::pair<int, NavKey> keys[] = {{Qt::Key_F4, NavKey::F4},    {Qt::Key_F10, NavKey::F10},
                                         {Qt::Key_F11, NavKey::F11},  {Qt::Key_F12, NavKey::F12},
                                         {Qt::Key_F3, NavKey::Other}, {Qt::Key_Q, NavKey::Other}};
  for (const auto& [qtKey, key] : keys) {
    const QKeyEvent event(QEvent::KeyPress, qtKey, Qt::NoModifier);
    EXPECT_EQ(MainNavigation::Translate(event).key, key) << qtKey;
  }
}

// The caption on the window follows only the left Ctrl and Shift keys, told by their X11
// keysyms (a platform without keysyms, 0, has left ones only); either side's release ends
// the mode.
TEST_F(Navigation, CaptionFollowsTheLeftModifierKeysOnly) {
  constexpr auto kDown = QEvent::KeyPress, kUp = QEvent::KeyRelease;
  const struct {
    QEvent::Type type;
    int key;
    quint32 keysym;
    const char* caption;
  } steps[] = {
      {kDown, Qt::Key_Control, 0, kCtrlCaption},
      {kUp, Qt::Key_Control, 0, kDefaultCaption},
      {kDown, Qt::Key_Control, kControlR, kDefaultCaption},
      {kDown, Qt::Key_Shift, test::kShiftR, kDefaultCaption},
      {kDown, Qt::Key_Control, kControlL, kCtrlCaption},
      {kDown, Qt::Key_Shift, kShiftL, kRotateCaption},
      {kUp, Qt::Key_Control, kControlR, kShiftCaption},
      {kUp, Qt::Key_Shift, test::kShiftR, kDefaultCaption},
      {kDown, Qt::Key_Z, 0, "Left: move around, Right: zoom in/out x20 slower"},
      {kUp, Qt::Key_Z, 0, kDefaultCaption},
  };
  int i = 0;
  for (const auto& step : steps) {
    test::SendKey(main, step.type, step.key, step.keysym);
    EXPECT_EQ(main->windowTitle().toStdString(), step.caption) << "step " << i++;
  }
  EXPECT_EQ(main->Navigation().navigator.KeyFlags(), 0);

  // Held modes end with the keyboard: the window that takes it (a file dialog, a progress
  // dialog) takes their releases too. When it comes back no key is down here.
  test::SendKey(main, kDown, Qt::Key_Control, kControlL);
  test::SendKey(main, kDown, Qt::Key_Z, 0);
  for (const QEvent::Type focus : {QEvent::FocusOut, QEvent::FocusIn}) {
    QFocusEvent event(focus, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(main, &event);
    EXPECT_EQ(main->windowTitle().toStdString(), kDefaultCaption) << focus;
    EXPECT_EQ(main->Navigation().navigator.KeyFlags(), 0) << focus;
  }
}

// Held keys, as X11 repeats them (a release and a press of one timestamp, unflagged): the
// modes stay on, a toggle flips once; a flagged repeat does nothing, nor a key with Alt.
TEST_F(Navigation, HeldKeysActOnceAndHeldModesStayOn) {
  test::PressKey(main, Qt::Key_F7, 0, Qt::AltModifier);
  EXPECT_FALSE(main->scene.centreMode) << "nothing with Alt held";
  Hold(Qt::Key_Z, 0, 1000);
  EXPECT_EQ(main->Navigation().navigator.KeyFlags(), MODE_SLOW);
  test::SendKey(main, QEvent::KeyRelease, Qt::Key_Z, 0, Qt::NoModifier, false, 3000);
  EXPECT_EQ(main->Navigation().navigator.KeyFlags(), 0);
  Hold(Qt::Key_F7, 0, 4000);
  test::SendKey(main, QEvent::KeyPress, Qt::Key_F7, 0, Qt::NoModifier, /*repeat=*/true);
  EXPECT_TRUE(main->scene.centreMode);
  // A release and a new press at another time: the key acts again.
  test::SendKey(main, QEvent::KeyRelease, Qt::Key_F7, 0, Qt::NoModifier, false, 5000);
  test::SendKey(main, QEvent::KeyPress, Qt::Key_F7, 0, Qt::NoModifier, false, 5100);
  EXPECT_FALSE(main->scene.centreMode);
}

// The mouse event's buttons reach the navigator, the left one winning.
TEST_F(Navigation, PlainDragsTurnAndZoomTheObserver) {
  test::Drag(main, {100, 100}, {120, 100}, Qt::LeftButton | Qt::RightButton);
  test::Drag(main, {100, 100}, {100, 110}, Qt::RightButton);
  EXPECT_EQ(main->scene.observer, (ObserverPose{420, 0, 0, 0, 1, 19, 0}));
}

// The mouse event's own modifiers count, either side's; the drags reach only the
// controlled view, whose panel shows the new value.
TEST_F(Navigation, ModifierDragsMoveOnlyTheControlledView) {
  using C = CameraParams;
  const auto kLeft = Qt::LeftButton, kRight = Qt::RightButton;
  const auto kCtrl = Qt::ControlModifier, kShift = Qt::ShiftModifier;
  const struct {
    const char* name;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    QPoint to;  // from (100, 100)
    double C::*parameter;
    double change;
  } cases[] = {
      {"ctrl left", kLeft, kCtrl, {120, 104}, &C::azimuth, 20 * 0.00625},
      {"shift ctrl left", kLeft, kShift | kCtrl, {120, 104}, &C::rotation, -20 * 0.0125},
      {"shift right", kRight, kShift, {130, 110}, &C::focalLength, 1.0},
  };
  const std::vector<double> firstBefore = Parameters(First().camera);
  for (const auto& c : cases) {
    const double start = Second().camera.GetParams().*c.parameter;
    test::Drag(main, {100, 100}, c.to, c.buttons, c.modifiers);
    EXPECT_NEAR(Second().camera.GetParams().*c.parameter - start, c.change, 1e-12) << c.name;
    EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Second(), IDC_VIEW_AZIMUTH)->text(),
              QString::asprintf("%.15g", Second().camera.GetParams().azimuth))
        << c.name << ": the panel shows the new value";
  }
  EXPECT_EQ(Parameters(First().camera), firstBefore);
  EXPECT_EQ(main->scene.observer, ObserverPose{});  // the observer stays
}

// A long operation that lets only its own dialog run (a long map's, a load's) holds the
// flight's frames back; the flight goes on to its end once it is over.
TEST_F(Navigation, AFlightWaitsWhileALongOperationLetsOnlyItsDialogRun) {
  const std::vector<double> home = Pose();
  test::PressKey(main, Qt::Key_F8);
  ASSERT_TRUE(WaitUntil([&] { return Pose() != home; }));
  {
    DeferAppMessages hold;
    const std::vector<double> held = Pose();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 200) QCoreApplication::processEvents();
    EXPECT_EQ(Pose(), held);
  }
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_NEAR(Pose()[POSE_OFFSET_Z], -40, 1e-6);
}

// F6 glides the views to the position file, the observer staying home; without the file
// the views take the fallback pose at once and the file's targets are kept.
TEST_F(Navigation, F6MovesTheViewsToThePositionFileOrTheFallbackPose) {
  double demo[kPositionTargetCount];
  ASSERT_TRUE(LoadPositionFile(kPositionFileName, demo));
  test::TempDir noScale, noFile;
  noScale.Write(kPositionFileName, "0.5\n-0.3\n0\n10\n50\n50\n0\n0\n");
  const struct {
    const char* name;
    std::filesystem::path dir;
    std::vector<double> values;
    float sceneScale;
    bool glides;
  } rows[] = {
      {"demo",
       std::filesystem::current_path(),
       {std::begin(demo), std::end(demo)},
       static_cast<float>(demo[POS_SCALE]),
       true},
      {"no scale line", noScale.path(), {0.5, -0.3, 0, 10, 50, 50, 0, 0, 0}, 1.0f, true},
      {"no file", noFile.path(), {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1}, 1.0f, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Reset();
    Second().camera.SetPanTilt(0.2, 0.1);
    Second().camera.SetRotation(1);
    First().camera.SetFocalLength(3);
    for (double& t : main->Navigation().flights.positionTargets) t = 7;
    {
      test::ScopedCurrentDir cd(row.dir);
      test::PressKey(main, Qt::Key_F6);
    }
    EXPECT_EQ(main->CameraAnimationIdle(), !row.glides);
    ASSERT_TRUE(WaitForTransitions());
    QTest::qWait(20);  // the panels' refresh is posted
    double got[kMaxAnimatedValues];
    ReadPositionValues(First().camera, Second().camera, got);
    for (int i = 0; i < kPositionTargetCount; ++i) EXPECT_NEAR(got[i], row.values[i], 1e-6) << i;
    EXPECT_EQ(main->scene.scale, row.sceneScale);
    EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Second(), IDC_VIEW_ALTITUDE)->text(),
              QString::asprintf("%.15g", Second().camera.GetParams().altitude));
    if (row.glides) {
      EXPECT_EQ(GetDlgItemAs<QLineEdit>(control, IDC_SCALE)->text(),
                QString::number(row.values[POS_SCALE]));
    } else {
      EXPECT_FALSE(CameraTransitionWorker::Busy());
      EXPECT_EQ(First().camera.GetFocalLength(), 10);
      for (double t : main->Navigation().flights.positionTargets) EXPECT_EQ(t, 7) << "targets kept";
    }
    EXPECT_EQ(main->scene.observer, ObserverPose{});
    EXPECT_EQ(main->Navigation().flights.state.savedPoseOwner, OWNER_HOME);
  }
}

// A window of its own, which goes away while it flies.
TEST_F(Navigation, ClosingDuringATransitionEndsPromptly) {
  auto* window = new MainDlg(control, MainDlg::LocalFileNames({}));
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  // The new window took the messages; they come back to the suite's once it is gone.
  const struct Restore {
    ~Restore() { g_hMainWnd = main; }
  } restore;
  const std::vector<double> start = Pose(*window);
  test::PressKey(window, Qt::Key_F8);
  ASSERT_TRUE(WaitUntil([&] { return Pose(*window) != start; }));
  test::PressKey(window, Qt::Key_F9);
  ASSERT_TRUE(WaitUntil([] { return CameraTransitionWorker::Waiting(); }));
  // Without serving events for longer than a frame's pause, the running worker is by
  // now blocked handing its next frame to this thread.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  QElapsedTimer timer;
  timer.start();
  window->close();
  delete window;
  EXPECT_LT(timer.elapsed(), 500);
  EXPECT_FALSE(CameraTransitionWorker::Busy());
  EXPECT_FALSE(CameraTransitionWorker::Waiting());
}

// Found by the soak: flights towards points that are not finite put NaN into the observer
// for good. Planned from such points, a flight either moves by finite steps or does not
// start and leaves the saved pose alone.
TEST(FlightPlanning, PointsThatAreNotFiniteNeverReachTheObserver) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    std::vector<double> x1, y1, x2, y2;  // two points in each view
    bool flies;
  } rows[] = {
      {"infinite", {inf, 1}, {-inf, 2}, {-inf, 3}, {inf, 4}, false},
      {"plain", {1, -3}, {2, 4}, {2, -1}, {2, 3}, true},
  };
  double table[kStepTableSize];
  FillStepTable(table);
  const double targets[kMaxAnimatedValues] = {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1};
  for (const auto& row : rows) {
    CameraModel first, second;
    first.otherView = &second;
    second.otherView = &first;
    second.SetAzAlt(1.5, 0);
    StoreImagePoints(first, row.x1.data(), row.y1.data(), 2);
    StoreImagePoints(second, row.x2.data(), row.y2.data(), 2);
    first.UpdateCamera(VIEW_ALL);
    second.UpdateCamera(VIEW_ALL);
    for (int kind :
         {TRANSITION_FIRST_VIEW, TRANSITION_SECOND_VIEW, TRANSITION_OVERVIEW, TRANSITION_ZOOM}) {
      SCOPED_TRACE(testing::Message() << row.name << ", kind " << kind);
      TransitionState state;
      if (kind == TRANSITION_ZOOM) {  // a fly-out to the first view is in effect
        state.savedPoseOwner = OWNER_FIRST_VIEW;
        std::copy(std::begin(kHome), std::end(kHome), state.savedPose);
      }
      const TransitionState before = state;
      TransitionPlan plan;
      const bool planned =
          PlanTransition(kind, kHome, first, second, targets, table, 25, state, plan);
      EXPECT_EQ(planned, row.flies);
      for (int i = 0; planned && i < plan.count; ++i)
        EXPECT_TRUE(std::isfinite(plan.increments[i]) && std::isfinite(plan.targets[i])) << i;
      if (!planned) {
        EXPECT_EQ(state.savedPoseOwner, before.savedPoseOwner);
        EXPECT_EQ(state.zoomFactor, before.zoomFactor);
        EXPECT_TRUE(std::equal(std::begin(state.savedPose), std::end(state.savedPose),
                               std::begin(before.savedPose)));
      }
    }
  }
}

// Found by the soak (seed 1: scale "1e400" typed at action 437, F6 at 450): the glide to
// the position file started from an infinite scale and gave the scene NaN until its last
// frame. Such a value now takes its target at once; the others still glide.
TEST(FlightPlanning, GlideFromAnInfiniteScaleHoldsOnlyFiniteValues) {
  CameraModel first, second;
  first.otherView = &second;
  second.otherView = &first;
  double table[kStepTableSize];
  FillStepTable(table);
  const double targets[kMaxAnimatedValues] = {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1};
  first.SetScale(std::numeric_limits<float>::infinity());
  second.SetScale(std::numeric_limits<float>::infinity());
  second.SetAzAlt(2, 0.25);
  TransitionState state;
  TransitionPlan plan;
  ASSERT_TRUE(
      PlanTransition(TRANSITION_POSITION, kHome, first, second, targets, table, 25, state, plan));
  EXPECT_EQ(plan.start[POS_SCALE], 1.0);
  EXPECT_EQ(plan.increments[POS_SCALE], 0.0);
  EXPECT_EQ(plan.start[POS_AZIMUTH], 2.0) << "finite values still glide";
  EXPECT_NE(plan.increments[POS_AZIMUTH], 0.0);
}

}  // namespace
}  // namespace velmora
