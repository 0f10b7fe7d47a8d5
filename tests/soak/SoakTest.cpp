// The whole workbench, started as for the user, driven by seeded random user actions:
// drags with every modifier, the main window's keys (with repeats, and flights that new
// requests interrupt), typing and turning the wheel in the boxes, the boxes themselves,
// good and malformed files. It checks only what must always hold: the numbers stay
// finite, no message box comes that the action cannot explain, the frame paints and an
// idle frame paints again the same, the panels' boxes match the scene, exactly one view
// follows the mouse, and the flights end. What a given input does belongs to the other
// tests.
//
// VELMORA_SOAK_SEED and VELMORA_SOAK_ACTIONS replay a run; VELMORA_SOAK_TRACE=1 prints
// every action as it starts, so that a crash shows where it happened.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>

#include "platform/DialogBuilder.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

using test::Settle;

constexpr int kBurst = 25;
// A flight takes a few seconds; one that has not ended after this long has hung.
constexpr int kTransitionTimeoutMs = 30000;
constexpr int kViewEdits[] = {IDC_VIEW_ALTITUDE, IDC_VIEW_AZIMUTH, IDC_VIEW_FOCAL_LENGTH,
                              IDC_VIEW_DISTANCE, IDC_VIEW_PAN,     IDC_VIEW_TILT,
                              IDC_VIEW_ROTATION};

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr || *text == '\0' ? fallback : std::strtoull(text, nullptr, 0);
}

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
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  template <typename T>
  T Pick(std::initializer_list<T> items) {
    return items.begin()[Int(0, static_cast<int>(items.size()) - 1)];
  }
  void Describe(const std::string& text) {
    action_ = text;
    if (std::getenv("VELMORA_SOAK_TRACE") != nullptr) std::cerr << text << std::endl;
  }
  Qt::KeyboardModifiers Modifiers() {
    return Pick<Qt::KeyboardModifiers>({Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
                                        Qt::ControlModifier | Qt::ShiftModifier});
  }

  // Each action returns the beginnings of the message boxes it may show.
  std::vector<std::string> Drag() {
    const Qt::MouseButtons buttons =
        Pick<Qt::MouseButtons>({Qt::LeftButton, Qt::RightButton, Qt::LeftButton | Qt::RightButton});
    const Qt::KeyboardModifiers modifiers = Modifiers();
    const int key = Pick({0, int(Qt::Key_Control), int(Qt::Key_Shift), int(Qt::Key_Z)});
    const quint32 keysym = Pick({0u, test::kControlL, test::kControlR, test::kShiftL});
    Describe("drag " + std::to_string(buttons.toInt()) + " with " +
             std::to_string(modifiers.toInt()) + " holding key " + std::to_string(key));
    if (key != 0) test::PressKey(main, key, keysym);
    QPoint at(Int(0, 319), Int(0, 239));
    test::MoveMouse(main, at, buttons, modifiers);
    for (int i = Int(1, 5); i > 0; --i) {
      at += QPoint(Int(-40, 40), Int(-40, 40));
      test::MoveMouse(main, at, buttons, Chance(0.1) ? Modifiers() : modifiers);
    }
    test::MoveMouse(main, at, Qt::NoButton);
    if (key != 0) test::ReleaseKey(main, key, keysym);
    return {};
  }

  std::vector<std::string> Key() {
    const int key = Pick({Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_F9,
                          Qt::Key_F11, Qt::Key_F12, Qt::Key_F, Qt::Key_R, Qt::Key_P, Qt::Key_A,
                          Qt::Key_M, Qt::Key_N, Qt::Key_Z, Qt::Key_Control});
    const int repeats = Chance(0.2) ? Int(1, 3) : 0;
    Describe("key " + std::to_string(key) + " repeated " + std::to_string(repeats));
    const auto modifiers = Chance(0.05) ? Qt::AltModifier : Qt::NoModifier;
    test::SendKey(main, QEvent::KeyPress, key, test::kControlL, modifiers);
    for (int i = 0; i < repeats; ++i) {
      test::SendKey(main, QEvent::KeyRelease, key, test::kControlL, modifiers, true);
      test::SendKey(main, QEvent::KeyPress, key, test::kControlL, modifiers, true);
    }
    test::SendKey(main, QEvent::KeyRelease, key, test::kControlL, modifiers);
    return {};
  }

  // Mostly numbers, some odd, and junk; the panels prompt for a number when they read junk.
  std::vector<std::string> Type() {
    std::string text = Pick<std::string>({"0", "-0", " 12.5 ", "1e6", "-1e-9", "0x1p3", "1e12",
                                          ".5", "1e-300", "", "abc", "nan", "-inf", "1e400",
                                          "12abc", "1,5", std::to_string(Int(-1000, 1000))});
    QLineEdit* edit = GetDlgItemAs<QLineEdit>(control, IDC_SCALE);
    if (!Chance(0.2)) {
      ViewDlg& view = Chance(0.5) ? control->firstView : control->secondView;
      edit = GetDlgItemAs<QLineEdit>(&view, kViewEdits[Int(0, 6)]);
    }
    Describe("type \"" + text + "\" into " + edit->objectName().toStdString());
    if (Chance(0.7)) {
      test::TypeAndLeave(edit, QString::fromStdString(text));
    } else {
      test::SendFocus(edit, QEvent::FocusIn);
      test::Wheel(edit->parentWidget(), Int(-3, 3) * 120);
      test::SendFocus(edit, QEvent::FocusOut);
    }
    return {"Please enter a number."};
  }

  std::vector<std::string> Click() {
    ViewDlg& view = Chance(0.5) ? control->firstView : control->secondView;
    QAbstractButton* box = Pick<QAbstractButton*>(
        {view.cameraCheck, view.raysCheck, view.azAltCheck, view.panTiltCheck, view.meanRayCheck,
         view.showVectorsCheck, view.controlButton, control->coordinatesCheck,
         control->fstObjectCheck, control->mainSphereCheck, control->frontOnlyCheck,
         control->distanceCheck, control->ptPlaneCheck, control->skipNegativeStCheck,
         control->whiteBackgroundCheck});
    Describe("click " + box->text().toStdString());
    box->click();
    if (Chance(0.2)) control->sphereSizeCombo->setCurrentIndex(Int(0, 1));
    if (Chance(0.2)) control->alphaSlider->setValue(Int(0, 100));
    return {};
  }

  std::vector<std::string> Load() {
    const bool fst = Chance(0.5);
    chosen_ = fst ? Pick<QString>({"", "demo.fsd", "sphere100.fsd", bad_.c_str()})
                  : Pick<QString>({"", "demo.dtx", huge_.c_str(), "missing.dtx"});
    Describe("load " + chosen_.toStdString());
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
    std::vector<double> numbers = {s.distance, s.offsetX, s.offsetY, s.offsetZ, s.angleX,
                                   s.angleY,   s.angleZ,  s.scale,   s.alpha};
    for (const ViewDlg* view : {&control->firstView, &control->secondView}) {
      const CameraModel& c = view->camera;
      numbers.insert(numbers.end(), {c.azimuth, c.altitude, c.rotation, c.focalLength, c.distance,
                                     c.pan, c.tilt, c.GetScale()});
    }
    for (std::size_t i = 0; i < numbers.size(); ++i)
      EXPECT_TRUE(std::isfinite(numbers[i])) << "number " << i << " is " << numbers[i];
    EXPECT_EQ(main->windowTitle(), MainDlg::MouseModeCaption(main->keyFlags));
    EXPECT_NE(control->firstView.isControlled, control->secondView.isControlled)
        << "exactly one view follows the mouse";
  }

  void CheckFrames() {
    Settle();
    for (const auto& [name, display] : test::DisplayStates(*main, *control))
      EXPECT_EQ(display.first, display.second) << name << " differs from its box";
    const QImage frame = main->grabFramebuffer();
    EXPECT_EQ(frame.size(), main->size() * main->devicePixelRatio());
    if (main->CameraAnimationIdle()) {
      EXPECT_EQ(main->grabFramebuffer(), frame) << "two frames of an unchanged scene differ";
    }
  }

  void WaitForFlights() {
    EXPECT_TRUE(test::WaitUntil([] { return main->CameraAnimationIdle(); }, kTransitionTimeoutMs))
        << "a camera flight did not end";
  }

  std::mt19937_64 rng_;
  std::string action_;
  test::MessageRecorder messages_;
  std::size_t seen_ = 0;
  QString chosen_;
  test::TempDir dir_;
  std::string bad_ = dir_.Write("truncated.fsd", "1 FSTShape\n1\nobject\n3\n0 0 0\n");
  std::string huge_ = dir_.Write("huge.dtx", "1e300 -1e300\n1e308 1e308\n-1e300 1e300\n1 -1\n");
};

TEST_F(Soak, RandomUserActionsKeepTheWorkbenchSound) {
  const std::uint64_t seed = EnvNumber("VELMORA_SOAK_SEED", 20250611);
  const int actions = static_cast<int>(EnvNumber("VELMORA_SOAK_ACTIONS", 200));
  rng_.seed(seed);
  for (int i = 0; i < actions && !HasFailure(); ++i) {
    SCOPED_TRACE(testing::Message()
                 << "replay: VELMORA_SOAK_SEED=" << seed << " VELMORA_SOAK_ACTIONS=" << i + 1);
    const int kind = Int(0, 99);
    const std::vector<std::string> allowed = kind < 30   ? Drag()
                                             : kind < 55 ? Key()
                                             : kind < 75 ? Type()
                                             : kind < 92 ? Click()
                                                         : Load();
    Settle();
    SCOPED_TRACE(action_);
    Check(allowed);
    if ((i + 1) % kBurst == 0) CheckFrames();
    // A few flights run to their end; the others meet the next requests.
    if (Chance(0.005)) WaitForFlights();
  }
  WaitForFlights();
  CheckFrames();
}

}  // namespace
}  // namespace velmora
