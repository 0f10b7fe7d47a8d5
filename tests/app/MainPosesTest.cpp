// Undo, redo and bookmarks in the workbench: each kind of gesture is one entry, and going
// back restores both cameras, the observer, the panels and the maps.

#include <QLineEdit>

#include "app/MainPoses.h"
#include "platform/DialogBuilder.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

class MainPosesTest : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    StartWorkbench(MainDlg::LocalFileNames({"demo.fsd", "demo.dtx"}));
  }
  static Pose Now() { return main->Poses().Now(); }
  static void Ctrl(int key, Qt::KeyboardModifiers more = Qt::NoModifier) {
    test::PressKey(main, key, 0, Qt::ControlModifier | more);
    test::ReleaseKey(main, key);
    test::Settle();
  }
  static void WaitIdle() {
    ASSERT_TRUE(test::WaitUntil([] {
      return main->CameraAnimationIdle() && !CameraTransitionWorker::Busy() &&
             !CameraTransitionWorker::Waiting();
    }));
    test::Settle();
  }
  static QLineEdit* Field(ViewDlg& panel, int id) { return GetDlgItemAs<QLineEdit>(&panel, id); }
  // What the maps and the panels show of the pose.
  static std::vector<double> SphereColours() {
    return control->workbench.mainSphere->vertexColours;
  }
};

TEST_F(MainPosesTest, EachKindOfGestureIsOneEntryThatUndoRestoresWhole) {
  control->mainSphereCheck->click();
  test::Settle();
  ViewDlg& second = control->secondView;
  const struct {
    const char* name;
    std::function<void()> gesture;
  } gestures[] = {
      {"drag",
       [] {
         test::Drag(main, {100, 100}, {130, 90}, Qt::LeftButton, Qt::ControlModifier);
       }},
      {"observer drag",
       [] {
         test::Drag(main, {100, 100}, {100, 140}, Qt::RightButton);
       }},
      {"flight",
       [] {
         test::PressKey(main, Qt::Key_F6);
         test::ReleaseKey(main, Qt::Key_F6);
         WaitIdle();
       }},
      {"typed value",
       [&] { test::TypeAndLeave(Field(control->firstView, IDC_VIEW_FOCAL_LENGTH), "13.5"); }},
      {"wheel run",
       [&] {
         test::SendFocus(Field(second, IDC_VIEW_TILT), QEvent::FocusIn);
         for (int i = 0; i < 3; ++i) test::Wheel(&second, 120);
         test::SendFocus(Field(second, IDC_VIEW_TILT), QEvent::FocusOut);
       }},
  };
  for (const auto& g : gestures) {
    SCOPED_TRACE(g.name);
    const Pose before = Now();
    const double error = second.camera.ReconstructionError();
    const std::vector<double> colours = SphereColours();
    const QString azimuth = Field(second, IDC_VIEW_AZIMUTH)->text();
    g.gesture();
    test::Settle();
    const Pose after = Now();
    ASSERT_NE(after, before);
    Ctrl(Qt::Key_Z);
    EXPECT_EQ(Now(), before);
    EXPECT_EQ(second.camera.ReconstructionError(), error);
    EXPECT_EQ(SphereColours(), colours);
    EXPECT_EQ(Field(second, IDC_VIEW_AZIMUTH)->text(), azimuth);
    Ctrl(Qt::Key_Z, Qt::ShiftModifier);
    EXPECT_EQ(Now(), after);
  }
  // Z alone stays the slow mode of drags.
  test::PressKey(main, Qt::Key_Z);
  EXPECT_TRUE(main->Navigation().navigator.KeyFlags() & MODE_SLOW);
  test::ReleaseKey(main, Qt::Key_Z);
  control->mainSphereCheck->click();
  test::Settle();
}

// A bookmark is glided back to, and the other one is the one measured against.
TEST_F(MainPosesTest, BookmarksAreGlidedToAndTheOtherIsShown) {
  MainPoses& poses = main->Poses();
  Ctrl(Qt::Key_1);
  const Pose a = Now();
  EXPECT_EQ(poses.ShownMark(), 0);
  test::Drag(main, {100, 100}, {160, 120}, Qt::LeftButton, Qt::ControlModifier);
  Ctrl(Qt::Key_2);
  const Pose b = Now();
  ASSERT_NE(a, b);
  test::PressKey(main, Qt::Key_1);
  test::ReleaseKey(main, Qt::Key_1);
  ASSERT_TRUE(test::WaitUntil([&] { return Now() == a; }, 5000));
  EXPECT_EQ(poses.ShownMark(), 1);
  // The glide is one entry: undone, it is back at B.
  Ctrl(Qt::Key_Z);
  EXPECT_EQ(Now(), b);
}

}  // namespace
}  // namespace velmora
