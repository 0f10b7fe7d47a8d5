#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <functional>
#include <numbers>
#include <thread>

#include "app/MainDlg.h"
#include "camera/PositionFile.h"
#include "data/ControlDlg.h"
#include "platform/DialogBuilder.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

// X11 keysyms, which Qt reports as the native virtual key.
constexpr quint32 kControlL = 0xffe3, kControlR = 0xffe4, kShiftL = 0xffe1, kShiftR = 0xffe2;

constexpr char kDefaultCaption[] = "Left: move around, Right: zoom in/out";
constexpr char kCentreCaption[] =
    "Left: move around center X,Z, Right: move around center Y, F6 - center";
constexpr char kCtrlCaption[] = "Left: azimuth/altitude, Right: distance";
constexpr char kShiftCaption[] = "Left: pan/tilt, Right: focal length";
constexpr char kRotateCaption[] = "Left: rotate around principal ray";

constexpr double kHome[kObserverPoseSize] = {400, 0, 0, 0, 1, -1, 0};

std::vector<double> Parameters(const CameraModel& c) {
  return {c.azimuth, c.altitude, c.rotation, c.focalLength, c.distance, c.pan, c.tilt};
}

// One start-up for the whole program: the globals are published once per process.
class Navigation : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    control = new ControlDlg;
    control->Create();
    main = new MainDlg(control, {});
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
  }
  static void TearDownTestSuite() {
    delete main;
    delete control;
  }

  void SetUp() override {
    ASSERT_TRUE(WaitUntil([] { return main->CameraAnimationIdle(); }));
    main->keyFlags = 0;
    main->UpdateMouseMode(MODE_SLOW, false);
    main->scene.centreMode = false;
    main->savedPoseOwner = OWNER_HOME;
    main->zoomFactor = 0.84;
    main->lastX = main->lastY = -1;
    main->progress = 0;
    SetPose(kHome);
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
    First().UpdateCamera(VIEW_ALL);
    Second().UpdateCamera(VIEW_ALL);
    First().UpdatePanel();
    Second().UpdatePanel();
  }

  static void SetPose(const double (&p)[kObserverPoseSize]) {
    Scene& s = main->scene;
    s.distance = p[0], s.offsetX = p[1], s.offsetY = p[2], s.offsetZ = p[3];
    s.angleX = p[4], s.angleY = p[5], s.angleZ = p[6];
  }
  static std::vector<double> Pose() {
    const Scene& s = main->scene;
    return {s.distance, s.offsetX, s.offsetY, s.offsetZ, s.angleX, s.angleY, s.angleZ};
  }

  static bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > ms) return false;
      QTest::qWait(5);
    }
    return true;
  }
  static bool WaitForTransitions() {
    return WaitUntil([] { return main->CameraAnimationIdle(); });
  }

  static void SendKey(QEvent::Type type, int key, quint32 keysym = 0,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false) {
    QKeyEvent event(type, key, modifiers, 0, keysym, 0, QString(), repeat);
    QCoreApplication::sendEvent(main, &event);
  }
  static void Press(int key, quint32 keysym = 0, Qt::KeyboardModifiers modifiers = {}) {
    SendKey(QEvent::KeyPress, key, keysym, modifiers);
  }
  static void Release(int key, quint32 keysym = 0) { SendKey(QEvent::KeyRelease, key, keysym); }

  static void Move(QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(QEvent::MouseMove, at, main->mapToGlobal(at), Qt::NoButton, buttons,
                      modifiers);
    QCoreApplication::sendEvent(main, &event);
  }
  // A whole drag: the first event with the button only records the position.
  static void Drag(QPoint from, QPoint to, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers = {}) {
    Move(from, Qt::NoButton);
    Move(from, buttons, modifiers);
    Move(to, buttons, modifiers);
    Move(to, Qt::NoButton);
  }

  static inline ControlDlg* control = nullptr;
  static inline MainDlg* main = nullptr;
};

TEST_F(Navigation, CaptionFollowsTheLeftModifierKeysZAndCentreMode) {
  const struct {
    QEvent::Type type;
    int key;
    quint32 keysym;
    const char* caption;
  } steps[] = {
      {QEvent::KeyPress, Qt::Key_Control, kControlL, kCtrlCaption},
      {QEvent::KeyPress, Qt::Key_Z, 0, "Left: azimuth/altitude, Right: distance x20 slower"},
      {QEvent::KeyRelease, Qt::Key_Z, 0, kCtrlCaption},
      {QEvent::KeyPress, Qt::Key_Shift, kShiftL, kRotateCaption},
      {QEvent::KeyRelease, Qt::Key_Control, kControlL, kShiftCaption},
      {QEvent::KeyRelease, Qt::Key_Shift, kShiftL, kDefaultCaption},
      // The right-hand keys leave the caption alone.
      {QEvent::KeyPress, Qt::Key_Control, kControlR, kDefaultCaption},
      {QEvent::KeyPress, Qt::Key_Shift, kShiftR, kDefaultCaption},
      {QEvent::KeyRelease, Qt::Key_Shift, kShiftR, kDefaultCaption},
      {QEvent::KeyRelease, Qt::Key_Control, kControlR, kDefaultCaption},
      // Centre mode wins over the modifiers.
      {QEvent::KeyPress, Qt::Key_F7, 0, kCentreCaption},
      {QEvent::KeyPress, Qt::Key_Control, kControlL, kCentreCaption},
      {QEvent::KeyPress, Qt::Key_Z, 0,
       "Left: move around center X,Z, Right: move around center Y, "
       "F6 - center x20 slower"},
      {QEvent::KeyRelease, Qt::Key_Z, 0, kCentreCaption},
      {QEvent::KeyPress, Qt::Key_F7, 0, kCtrlCaption},
      {QEvent::KeyRelease, Qt::Key_Control, kControlL, kDefaultCaption},
      // Z alone still says it is slower.
      {QEvent::KeyPress, Qt::Key_Z, 0, "Left: move around, Right: zoom in/out x20 slower"},
      {QEvent::KeyRelease, Qt::Key_Z, 0, kDefaultCaption},
  };
  int i = 0;
  for (const auto& step : steps) {
    SendKey(step.type, step.key, step.keysym);
    EXPECT_EQ(main->windowTitle().toStdString(), step.caption) << "step " << i++;
  }
  EXPECT_EQ(main->keyFlags, 0);
  EXPECT_FALSE(main->scene.centreMode);
}

TEST_F(Navigation, RepeatsAndAltDoNothingAndAHeldZStaysSlow) {
  SendKey(QEvent::KeyPress, Qt::Key_F7, 0, Qt::NoModifier, /*repeat=*/true);
  EXPECT_FALSE(main->scene.centreMode);
  Press(Qt::Key_F7, 0, Qt::AltModifier);
  EXPECT_FALSE(main->scene.centreMode);
  Press(Qt::Key_Control, kControlL, Qt::AltModifier);
  EXPECT_EQ(main->keyFlags, 0);

  // X11 repeats a held key as release and press pairs.
  Press(Qt::Key_Z);
  SendKey(QEvent::KeyRelease, Qt::Key_Z, 0, Qt::NoModifier, true);
  SendKey(QEvent::KeyPress, Qt::Key_Z, 0, Qt::NoModifier, true);
  EXPECT_EQ(main->keyFlags, MODE_SLOW);
  Release(Qt::Key_Z);
  EXPECT_EQ(main->keyFlags, 0);

  // Holding F8 starts one transition only.
  Press(Qt::Key_F8);
  for (int i = 0; i < 5; ++i) SendKey(QEvent::KeyPress, Qt::Key_F8, 0, Qt::NoModifier, true);
  ASSERT_TRUE(WaitUntil([] { return CameraTransitionWorker::Busy(); }));
  EXPECT_FALSE(CameraTransitionWorker::Waiting());
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(main->savedPoseOwner, OWNER_FIRST_VIEW);
}

TEST_F(Navigation, ObserverDragsTurnAndZoomSlowerWithZ) {
  const struct {
    const char* name;
    bool slow;
    QPoint from, to;
    Qt::MouseButtons buttons;
    std::vector<double> change;  // distance, offsets, angles
  } cases[] = {
      {"left 20 right", false, {100, 100}, {120, 100}, Qt::LeftButton, {0, 0, 0, 0, 0, 20, 0}},
      {"left 20 right, Z", true, {100, 100}, {120, 100}, Qt::LeftButton, {0, 0, 0, 0, 0, 1, 0}},
      {"left 10 down", false, {100, 100}, {100, 110}, Qt::LeftButton, {0, 0, 0, 0, 10, 0, 0}},
      {"right 10 down", false, {100, 100}, {130, 110}, Qt::RightButton, {20, 0, 0, 0, 0, 0, 0}},
      {"right 10 up", false, {100, 100}, {100, 90}, Qt::RightButton, {-20, 0, 0, 0, 0, 0, 0}},
      {"right 10 down, Z", true, {100, 100}, {100, 110}, Qt::RightButton, {1, 0, 0, 0, 0, 0, 0}},
      {"left wins over right",
       false,
       {100, 100},
       {120, 100},
       Qt::LeftButton | Qt::RightButton,
       {0, 0, 0, 0, 0, 20, 0}},
  };
  for (const auto& c : cases) {
    SetPose(kHome);
    if (c.slow) Press(Qt::Key_Z);
    main->savedPoseOwner = OWNER_SECOND_VIEW;
    Drag(c.from, c.to, c.buttons);
    if (c.slow) Release(Qt::Key_Z);
    const std::vector<double> pose = Pose();
    for (int i = 0; i < kObserverPoseSize; ++i)
      EXPECT_NEAR(pose[i] - kHome[i], c.change[i], 1e-9) << c.name << " field " << i;
    EXPECT_EQ(main->savedPoseOwner, OWNER_HOME) << c.name;
    EXPECT_EQ(main->lastX, -1) << c.name;
    EXPECT_EQ(main->lastY, -1) << c.name;
  }

  // The first event of a drag only records where it starts.
  SetPose(kHome);
  Move({10, 10}, Qt::NoButton);
  Move({50, 70}, Qt::LeftButton);
  EXPECT_EQ(Pose(), std::vector<double>(std::begin(kHome), std::end(kHome)));
  EXPECT_EQ(main->lastX, 50);
  EXPECT_EQ(main->lastY, 70);
  Move({50, 70}, Qt::NoButton);
}

TEST_F(Navigation, ModifierDragsMoveOnlyTheControlledView) {
  const struct {
    const char* name;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    QPoint to;  // from (100, 100)
    double CameraModel::*parameter;
    double change;
    double CameraModel::*other;  // a second parameter the drag changes, or null
    double otherChange;
  } cases[] = {
      {"ctrl left",
       Qt::LeftButton,
       Qt::ControlModifier,
       {120, 104},
       &CameraModel::azimuth,
       20 * 0.00625,
       &CameraModel::altitude,
       4 * 0.00625},
      {"shift left",
       Qt::LeftButton,
       Qt::ShiftModifier,
       {120, 104},
       &CameraModel::pan,
       -20 * 0.003125,
       &CameraModel::tilt,
       -4 * 0.003125},
      {"shift ctrl left",
       Qt::LeftButton,
       Qt::ShiftModifier | Qt::ControlModifier,
       {120, 104},
       &CameraModel::rotation,
       -20 * 0.0125,
       nullptr,
       0},
      {"shift right",
       Qt::RightButton,
       Qt::ShiftModifier,
       {130, 110},
       &CameraModel::focalLength,
       1.0,
       nullptr,
       0},
      {"shift ctrl right",
       Qt::RightButton,
       Qt::ShiftModifier | Qt::ControlModifier,
       {130, 110},
       &CameraModel::focalLength,
       1.0,
       nullptr,
       0},
      {"ctrl right",
       Qt::RightButton,
       Qt::ControlModifier,
       {130, 110},
       &CameraModel::distance,
       1.0,
       nullptr,
       0},
  };
  for (bool firstControlled : {false, true}) {
    if (firstControlled) First().OnControlClicked();
    ViewDlg& moved = firstControlled ? First() : Second();
    ViewDlg& kept = firstControlled ? Second() : First();
    for (const auto& c : cases) {
      const std::vector<double> keptBefore = Parameters(kept.camera);
      const double start = moved.camera.*c.parameter;
      const double otherStart = c.other ? moved.camera.*c.other : 0;
      Drag({100, 100}, c.to, c.buttons, c.modifiers);
      EXPECT_NEAR(moved.camera.*c.parameter - start, c.change, 1e-12) << c.name;
      if (c.other) {
        EXPECT_NEAR(moved.camera.*c.other - otherStart, c.otherChange, 1e-12) << c.name;
      }
      EXPECT_EQ(Parameters(kept.camera), keptBefore) << c.name;
      // The panel shows the new value.
      EXPECT_EQ(GetDlgItemAs<QLineEdit>(&moved, IDC_VIEW_AZIMUTH)->text(),
                QString::asprintf("%.15g", moved.camera.azimuth))
          << c.name;
    }
    EXPECT_EQ(Pose(), std::vector<double>(std::begin(kHome), std::end(kHome)))
        << "the observer stays";
  }
}

TEST_F(Navigation, RightCtrlKeyLeavesTheCaptionButItsDragStillSteers) {
  Press(Qt::Key_Control, kControlR);
  EXPECT_EQ(main->windowTitle().toStdString(), kDefaultCaption);
  const double azimuth = Second().camera.azimuth;
  Drag({100, 100}, {140, 100}, Qt::LeftButton, Qt::ControlModifier);
  Release(Qt::Key_Control, kControlR);
  EXPECT_NEAR(Second().camera.azimuth - azimuth, 40 * 0.00625, 1e-12);
  EXPECT_EQ(main->windowTitle().toStdString(), kDefaultCaption);
}

TEST_F(Navigation, RotationDragRecordsOnlyX) {
  // Begun with Shift and Ctrl, the drag has no y; going on with Ctrl alone measures from -1.
  const double altitude = Second().camera.altitude;
  Move({10, 10}, Qt::NoButton);
  Move({50, 60}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
  Move({70, 80}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(main->lastX, 70);
  EXPECT_EQ(main->lastY, -1);
  Move({75, 90}, Qt::LeftButton, Qt::ControlModifier);
  Move({75, 90}, Qt::NoButton);
  EXPECT_NEAR(Second().camera.altitude - altitude, (90 + 1) * 0.00625, 1e-12);
}

TEST_F(Navigation, CentreModeMovesTheCentreAndF6CentresIt) {
  Press(Qt::Key_F7);
  ASSERT_TRUE(main->scene.centreMode);
  Press(Qt::Key_Control, kControlL);
  Drag({100, 100}, {110, 105}, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
  Drag({100, 100}, {120, 104}, Qt::RightButton, Qt::ControlModifier);
  Release(Qt::Key_Control, kControlL);
  EXPECT_DOUBLE_EQ(main->scene.offsetX, 10);
  EXPECT_DOUBLE_EQ(main->scene.offsetZ, 5);
  EXPECT_DOUBLE_EQ(main->scene.offsetY, -4);
  EXPECT_DOUBLE_EQ(Second().camera.azimuth, std::numbers::pi / 2) << "views untouched";

  Press(Qt::Key_F6);
  EXPECT_EQ(main->scene.offsetX, 0);
  EXPECT_EQ(main->scene.offsetY, 0);
  EXPECT_EQ(main->scene.offsetZ, 0);
  EXPECT_TRUE(main->CameraAnimationIdle()) << "no glide in centre mode";
  Press(Qt::Key_F7);
  EXPECT_FALSE(main->scene.centreMode);
  EXPECT_EQ(main->windowTitle().toStdString(), kDefaultCaption);
}

TEST_F(Navigation, DisplayKeysToggleTheirBoxes) {
  // Each view's box flips from its own flag.
  First().raysCheck->setChecked(false);
  First().OnRaysClicked();
  ASSERT_FALSE(First().ShowsRays());
  ASSERT_TRUE(Second().ShowsRays());
  Press(Qt::Key_R);
  EXPECT_TRUE(First().ShowsRays());
  EXPECT_FALSE(Second().ShowsRays());
  EXPECT_FALSE(Second().raysCheck->isChecked());
  Press(Qt::Key_R);
  EXPECT_FALSE(First().ShowsRays());
  EXPECT_TRUE(Second().ShowsRays());

  const bool firstMeanRay = First().ShowsMeanRay();
  Press(Qt::Key_N);
  EXPECT_NE(First().ShowsMeanRay(), firstMeanRay);
  EXPECT_NE(Second().ShowsMeanRay(), firstMeanRay);

  const bool firstAzAlt = First().ShowsAzAltSphere();
  const bool secondAzAlt = Second().ShowsAzAltSphere();
  Press(Qt::Key_A);
  EXPECT_EQ(First().ShowsAzAltSphere(), firstAzAlt) << "A is the second view's only";
  EXPECT_NE(Second().ShowsAzAltSphere(), secondAzAlt);
  Press(Qt::Key_A);

  const bool wireframe = main->scene.wireframe;
  Press(Qt::Key_F5);
  EXPECT_NE(main->scene.wireframe, wireframe);
  Press(Qt::Key_F5);

  // F, M and P go through the control panel's boxes to the scene.
  const struct {
    int key;
    QCheckBox* box;
    std::function<bool()> shown;
  } panelKeys[] = {
      {Qt::Key_F, control->fstObjectCheck, [] { return main->scene.showFstObject; }},
      {Qt::Key_M, control->mainSphereCheck, [] { return main->scene.mainSphere != nullptr; }},
      {Qt::Key_P, control->ptPlaneCheck, [] { return main->scene.showPlane; }},
  };
  for (const auto& k : panelKeys) {
    const bool checked = k.box->isChecked();
    Press(k.key);
    ASSERT_TRUE(WaitUntil([&] { return k.shown() != checked; }, 5000)) << k.key;
    EXPECT_NE(k.box->isChecked(), checked) << k.key;
    Press(k.key);
    ASSERT_TRUE(WaitUntil([&] { return k.shown() == checked; }, 5000)) << k.key;
  }

  control->close();
  ASSERT_FALSE(control->isVisible());
  Press(Qt::Key_F4);
  EXPECT_TRUE(control->isVisible());
}

TEST_F(Navigation, FirstViewFlightOutAndBack) {
  Press(Qt::Key_F8);
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(main->savedPoseOwner, OWNER_FIRST_VIEW);
  EXPECT_EQ(main->progress, 25.0);
  // Looking at the centre (2, 4, -40) from the first camera's distance.
  const std::vector<double> out = Pose();
  EXPECT_NEAR(out[POSE_DISTANCE], std::sqrt(2.0 * 2 + 4 * 4 + 100 * 100) * 0.84, 1e-6);
  EXPECT_NEAR(out[POSE_OFFSET_X], 2, 1e-6);
  EXPECT_NEAR(out[POSE_OFFSET_Y], 4, 1e-6);
  EXPECT_NEAR(out[POSE_OFFSET_Z], -40, 1e-6);

  Press(Qt::Key_F8);
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(main->savedPoseOwner, OWNER_HOME);
  const std::vector<double> back = Pose();
  for (int i = 0; i < kObserverPoseSize; ++i) EXPECT_NEAR(back[i], kHome[i], 1e-6) << i;
}

TEST_F(Navigation, SecondFlightGoesOnAndReturnsToThePoseSavedFirst) {
  Press(Qt::Key_F8);
  ASSERT_TRUE(WaitForTransitions());
  const std::vector<double> atFirst = Pose();
  Press(Qt::Key_F9);
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(main->savedPoseOwner, OWNER_SECOND_VIEW);
  EXPECT_GT(std::abs(Pose()[POSE_ANGLE_Y] - atFirst[POSE_ANGLE_Y]), 10) << "turned to the second";
  Press(Qt::Key_F9);
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(main->savedPoseOwner, OWNER_HOME);
  const std::vector<double> back = Pose();
  for (int i = 0; i < kObserverPoseSize; ++i) EXPECT_NEAR(back[i], kHome[i], 1e-6) << i;
}

TEST_F(Navigation, AThirdRequestWhileOneRunsAndOneWaitsIsDropped) {
  Press(Qt::Key_F8);
  ASSERT_TRUE(WaitUntil([] { return main->progress > 0 && main->progress < 25; }));
  Press(Qt::Key_F12);
  ASSERT_TRUE(WaitUntil([] { return CameraTransitionWorker::Waiting(); }));
  Press(Qt::Key_F12);  // dropped; the waiting one runs the kind stored last, 5
  ASSERT_TRUE(WaitForTransitions());
  // Out to the first view, then on to the overview: a third run would have flown home.
  EXPECT_EQ(main->savedPoseOwner, OWNER_OVERVIEW);
  const std::vector<double> pose = Pose();
  EXPECT_NEAR(pose[POSE_DISTANCE], 5, 1e-6);
  EXPECT_NEAR(pose[POSE_OFFSET_X], -2, 1e-6);
  EXPECT_NEAR(pose[POSE_ANGLE_X], -20, 1e-6);
  EXPECT_NEAR(NormalizeAngle(pose[POSE_ANGLE_Y] - 135), 0, 1e-6);
}

TEST_F(Navigation, ZoomActsOnlyOnAFlyOutAndTogglesBack) {
  Press(Qt::Key_F11);
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(Pose(), std::vector<double>(std::begin(kHome), std::end(kHome)));
  EXPECT_EQ(main->zoomFactor, 0.84);

  Press(Qt::Key_F9);
  ASSERT_TRUE(WaitForTransitions());
  const std::vector<double> out = Pose();
  Press(Qt::Key_F11);
  ASSERT_TRUE(WaitForTransitions());
  EXPECT_EQ(main->zoomFactor, 0.9999);
  EXPECT_NEAR(Pose()[POSE_DISTANCE], out[POSE_DISTANCE] / 0.84 * 0.9999, 1e-6);
  EXPECT_NEAR(Pose()[POSE_ANGLE_Y], out[POSE_ANGLE_Y], 1e-9);
  Press(Qt::Key_F11);
  ASSERT_TRUE(WaitForTransitions());
  const std::vector<double> again = Pose();
  for (int i = 0; i < kObserverPoseSize; ++i) EXPECT_NEAR(again[i], out[i], 1e-6) << i;
}

// The nine values of the position file as the views hold them.
std::vector<double> PositionValues(const CameraModel& first, const CameraModel& second) {
  double v[kMaxAnimatedValues];
  ReadPositionValues(first, second, v);
  return {std::begin(v), std::end(v)};
}

TEST_F(Navigation, F6GlidesTheSecondViewToThePositionFile) {
  double expected[kPositionTargetCount];
  ASSERT_TRUE(LoadPositionFile(kPositionFileName, expected));
  Press(Qt::Key_F6);
  ASSERT_TRUE(WaitForTransitions());
  QTest::qWait(20);  // the panels' refresh is posted
  const std::vector<double> got = PositionValues(First().camera, Second().camera);
  for (int i = 0; i < kPositionTargetCount; ++i) EXPECT_NEAR(got[i], expected[i], 1e-6) << i;
  EXPECT_EQ(main->scene.scale, static_cast<float>(expected[POS_SCALE]));
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Second(), IDC_VIEW_AZIMUTH)->text(),
            QString::asprintf("%.15g", Second().camera.azimuth));
  EXPECT_EQ(Pose(), std::vector<double>(std::begin(kHome), std::end(kHome)));
  EXPECT_EQ(main->savedPoseOwner, OWNER_HOME);
}

TEST_F(Navigation, AMissingScaleLineNeverGivesTheViewsAZeroScale) {
  test::TempDir dir;
  dir.Write(kPositionFileName, "0.5\n-0.3\n0\n10\n50\n50\n0\n0\n");
  {
    test::ScopedCurrentDir cd(dir.path());
    Press(Qt::Key_F6);
  }
  ASSERT_TRUE(WaitForTransitions());
  QTest::qWait(20);
  EXPECT_EQ(main->scene.scale, 1.0f);
  for (ViewDlg* view : {&First(), &Second()}) {
    EXPECT_EQ(view->camera.GetScale(), 1.0f);
    for (const Vec3& corner : view->camera.planeCorners)
      EXPECT_TRUE(std::isfinite(corner.x) && std::isfinite(corner.y) && std::isfinite(corner.z));
  }
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(control, IDC_SCALE)->text(), "1");
  EXPECT_NEAR(Second().camera.azimuth, 0.5, 1e-12);
}

TEST_F(Navigation, F6WithoutTheFileTakesTheFallbackPoseAtOnce) {
  Second().camera.SetPanTilt(0.2, 0.1);
  Second().camera.SetRotation(1);
  First().camera.SetFocalLength(3);
  for (double& t : main->positionTargets) t = 7;
  test::TempDir empty;
  {
    test::ScopedCurrentDir cd(empty.path());
    Press(Qt::Key_F6);
  }
  EXPECT_TRUE(main->CameraAnimationIdle()) << "nothing to glide to";
  EXPECT_FALSE(CameraTransitionWorker::Busy());
  const std::vector<double> got = PositionValues(First().camera, Second().camera);
  const std::vector<double> fallback = {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1};
  for (int i = 0; i < kPositionTargetCount; ++i) EXPECT_DOUBLE_EQ(got[i], fallback[i]) << i;
  EXPECT_EQ(First().camera.GetFocalLength(), 10);
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Second(), IDC_VIEW_AZIMUTH)->text(), "0.5");
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Second(), IDC_VIEW_ALTITUDE)->text(), "-0.3");
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&First(), IDC_VIEW_FOCAL_LENGTH)->text(), "10");
  for (double t : main->positionTargets) EXPECT_EQ(t, 7) << "targets kept";
}

// Last: the window goes away.
TEST_F(Navigation, ZClosingDuringATransitionEndsPromptly) {
  Press(Qt::Key_F8);
  ASSERT_TRUE(WaitUntil([] { return main->progress > 0; }));
  Press(Qt::Key_F9);
  ASSERT_TRUE(WaitUntil([] { return CameraTransitionWorker::Waiting(); }));
  // Without serving events for longer than a frame's pause, the running worker is by
  // now blocked handing its next frame to this thread.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  QElapsedTimer timer;
  timer.start();
  main->close();
  delete main;
  main = nullptr;
  EXPECT_LT(timer.elapsed(), 500);
  EXPECT_FALSE(CameraTransitionWorker::Busy());
  EXPECT_FALSE(CameraTransitionWorker::Waiting());
}

}  // namespace
}  // namespace velmora
