// The whole workbench, started as for the user, driven by seeded random user actions:
// drags with every modifier, the main window's keys (with X11's repeats, and flights that
// new requests interrupt), typing into the boxes, the boxes themselves, good and malformed
// files. It checks only what must always hold: the numbers stay finite, no message box
// comes that the action cannot explain, the caption matches the keys held, exactly one
// view follows the mouse, the panels' boxes match the scene, an idle frame paints again
// the same, and the flights end. What a given input does belongs to the other tests.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <random>

#include "platform/DialogBuilder.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

using test::Settle;

class Soak : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    StartWorkbench();
    main->resize(320, 240);
    control->show();
    // The big sample spheres' error maps cost seconds each: start on the smallest.
    control->sphereSizeCombo->setCurrentIndex(0);
    Settle();
  }
  void SetUp() override {
    ControlDlg::fileDialog = [this](const FileDialogRequest&) { return chosen_; };
  }
  void TearDown() override { ControlDlg::fileDialog = {}; }

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  template <typename T>
  T Pick(std::initializer_list<T> items) {
    return items.begin()[Int(0, static_cast<int>(items.size()) - 1)];
  }
  ViewDlg& AView() { return Int(0, 1) == 0 ? control->firstView : control->secondView; }

  // Each action returns the beginnings of the message boxes it may show.
  std::vector<std::string> Drag() {
    const auto buttons =
        Pick<Qt::MouseButtons>({Qt::LeftButton, Qt::RightButton, Qt::LeftButton | Qt::RightButton});
    const auto modifiers =
        Pick<Qt::KeyboardModifiers>({Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
                                     Qt::ControlModifier | Qt::ShiftModifier});
    const QPoint from(Int(0, 319), Int(0, 239));
    test::Drag(main, from, from + QPoint(Int(-40, 40), Int(-40, 40)), buttons, modifiers);
    return {};
  }

  std::vector<std::string> Key() {
    const int key = Pick({Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_F9,
                          Qt::Key_F11, Qt::Key_F12, Qt::Key_F, Qt::Key_R, Qt::Key_P, Qt::Key_A,
                          Qt::Key_M, Qt::Key_N, Qt::Key_Z, Qt::Key_Control});
    test::SendKey(main, QEvent::KeyPress, key, test::kControlL);
    for (int i = Int(0, 4) - 2; i > 0; --i) {  // X11's repeats: a release and a press
      test::SendKey(main, QEvent::KeyRelease, key, test::kControlL, Qt::NoModifier, true);
      test::SendKey(main, QEvent::KeyPress, key, test::kControlL, Qt::NoModifier, true);
    }
    test::SendKey(main, QEvent::KeyRelease, key, test::kControlL);
    return {};
  }

  // Mostly numbers, some odd, and junk; the panels prompt for a number when they read junk.
  std::vector<std::string> Type() {
    const std::string text =
        Pick<std::string>({"0", "-0", " 12.5 ", "1e6", "-1e-9", "0x1p3", "1e-300", "", "abc", "nan",
                           "-inf", "1e400", "12abc", std::to_string(Int(-1000, 1000))});
    constexpr int kViewEdits[] = {IDC_VIEW_ALTITUDE, IDC_VIEW_AZIMUTH, IDC_VIEW_FOCAL_LENGTH,
                                  IDC_VIEW_DISTANCE, IDC_VIEW_PAN,     IDC_VIEW_TILT,
                                  IDC_VIEW_ROTATION};
    QLineEdit* edit = Int(0, 4) == 0 ? GetDlgItemAs<QLineEdit>(control, IDC_SCALE)
                                     : GetDlgItemAs<QLineEdit>(&AView(), kViewEdits[Int(0, 6)]);
    test::TypeAndLeave(edit, QString::fromStdString(text));
    return {"Please enter a number."};
  }

  std::vector<std::string> Click() {
    ViewDlg& view = AView();
    Pick<QAbstractButton*>({view.cameraCheck, view.raysCheck, view.azAltCheck, view.panTiltCheck,
                            view.meanRayCheck, view.showVectorsCheck, view.controlButton,
                            control->coordinatesCheck, control->fstObjectCheck,
                            control->mainSphereCheck, control->frontOnlyCheck,
                            control->distanceCheck, control->ptPlaneCheck,
                            control->skipNegativeStCheck, control->whiteBackgroundCheck})
        ->click();
    return {};
  }

  std::vector<std::string> Load() {
    const bool fst = Int(0, 1) == 0;
    chosen_ = fst ? Pick<QString>({"", "demo.fsd", bad_.c_str()})
                  : Pick<QString>({"", "demo.dtx", huge_.c_str(), "missing.dtx"});
    GetDlgItemAs<QPushButton>(control, fst ? IDC_BROWSE_FST : IDC_BROWSE_DATA)->click();
    return {"File " + bad_, "Cannot open file to read!"};
  }

  void Check(const std::vector<std::string>& allowed) {
    for (; seen_ < messages_.texts.size(); ++seen_) {
      const std::string& text = messages_.texts[seen_];
      bool ok = false;
      for (const std::string& start : allowed) ok |= text.rfind(start, 0) == 0;
      EXPECT_TRUE(ok) << "unexpected message box: " << text;
    }
    const Scene& s = main->scene;
    std::vector<double> numbers = {s.observer.distance,
                                   s.observer.offsetX,
                                   s.observer.offsetY,
                                   s.observer.offsetZ,
                                   s.observer.angleX,
                                   s.observer.angleY,
                                   s.observer.angleZ,
                                   s.scale,
                                   s.alpha};
    for (const ViewDlg* view : {&control->firstView, &control->secondView}) {
      const CameraModel& c = view->camera;
      numbers.insert(numbers.end(),
                     {c.GetParams().azimuth, c.GetParams().altitude, c.GetParams().rotation,
                      c.GetParams().focalLength, c.GetParams().distance, c.GetParams().pan,
                      c.GetParams().tilt, c.GetScale()});
    }
    for (std::size_t i = 0; i < numbers.size(); ++i)
      EXPECT_TRUE(std::isfinite(numbers[i])) << "number " << i << " is " << numbers[i];
    EXPECT_EQ(main->windowTitle(),
              MainDlg::MouseModeCaption(main->Navigation().navigator.KeyFlags()));
    EXPECT_NE(control->firstView.isControlled, control->secondView.isControlled)
        << "exactly one view follows the mouse";
  }

  void CheckFrames() {
    for (const auto& [name, display] : test::DisplayStates(*main, *control))
      EXPECT_EQ(display.first, display.second) << name << " differs from its box";
    const QImage frame = main->grabFramebuffer();
    if (main->CameraAnimationIdle()) {
      EXPECT_EQ(main->grabFramebuffer(), frame) << "two frames of an unchanged scene differ";
    }
  }

  std::mt19937_64 rng_;
  test::MessageRecorder messages_;
  std::size_t seen_ = 0;
  QString chosen_;
  test::TempDir dir_;
  std::string bad_ = dir_.Write("truncated.fsd", "1 FSTShape\n1\nobject\n3\n0 0 0\n");
  std::string huge_ = dir_.Write("huge.dtx", "1e300 -1e300\n1e308 1e308\n-1e300 1e300\n1 -1\n");
};

TEST_F(Soak, RandomUserActionsKeepTheWorkbenchSound) {
  rng_.seed(20250611);
  for (int i = 0; i < 200 && !HasFailure(); ++i) {
    SCOPED_TRACE(testing::Message() << "action " << i);
    const int kind = Int(0, 99);
    const std::vector<std::string> allowed = kind < 30   ? Drag()
                                             : kind < 55 ? Key()
                                             : kind < 75 ? Type()
                                             : kind < 92 ? Click()
                                                         : Load();
    Settle();
    Check(allowed);
    if ((i + 1) % 25 == 0) CheckFrames();
  }
  // A flight takes a few seconds; one that has not ended after this long has hung.
  EXPECT_TRUE(test::WaitUntil([] { return main->CameraAnimationIdle(); }, 30000))
      << "a camera flight did not end";
  Settle();
  CheckFrames();
}

}  // namespace
}  // namespace velmora
