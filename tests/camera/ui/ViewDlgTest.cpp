#include "camera/ui/ViewDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cmath>

#include "platform/DialogBuilder.h"
#include "platform/MessageQueue.h"
#include "tests/GuiDriver.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

using test::Posted;

// Two panels in one window, set up as the control panel does it; built once because the
// main-window handle is published once per process.
class ViewPanelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    mainWindow = new QObject;  // stands in for the main window
    g_hMainWnd = mainWindow;
    host = new QWidget;
    first = new ViewDlg(0);
    second = new ViewDlg(1);
    first->Create(host);
    first->SetViewIndex(0, false);
    first->InitView("First View", second);
    second->Create(host);
    second->move(0, first->height() + 4);
    second->SetViewIndex(1, true);
    second->InitView("Second View", first);
    host->resize(first->width(), 2 * first->height() + 8);
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host));
  }
  static void TearDownTestSuite() {
    delete first;
    delete second;
    delete host;
    delete mainWindow;
  }
  void SetUp() override {
    for (ViewDlg* view : {first, second}) {
      view->camera.SetParams(CameraParams{});
      view->camera.UpdateCamera(0);
      view->UpdatePanel();
      view->focusedField = FIELD_NONE;
    }
    log.Take(mainWindow);
  }
  // What the panels posted to the main window since the last call.
  std::vector<Posted> Posts() { return log.Take(mainWindow); }
  static std::vector<Posted> Recomputes(int mask) {
    return {{UWM_VIEWS_CHANGED, 0, mask}, {UWM_REDRAW, 0, 0}};
  }

  static QLineEdit* Edit(ViewDlg* view, int id) { return GetDlgItemAs<QLineEdit>(view, id); }

  static inline QObject* mainWindow = nullptr;
  test::MessageLog log;
  static inline QWidget* host = nullptr;
  static inline ViewDlg* first = nullptr;
  static inline ViewDlg* second = nullptr;
};

TEST_F(ViewPanelTest, LeavingABoxStoresTheTypedValueAndRecomputesItsGroup) {
  const struct {
    int id;
    const char* text;
    double CameraParams::*value;
    int mask;
    double orbitRadius;  // distance + focal length
  } cases[] = {
      {IDC_VIEW_AZIMUTH, "7.5", &CameraParams::azimuth, VIEW_AZALT, 60},         // not wrapped
      {IDC_VIEW_FOCAL_LENGTH, "-2", &CameraParams::focalLength, VIEW_LENS, 48},  // not clamped
      {IDC_VIEW_DISTANCE, " 80 ", &CameraParams::distance, VIEW_LENS, 90},
      {IDC_VIEW_TILT, "-1e-1", &CameraParams::tilt, VIEW_PANTILT, 60},
      {IDC_VIEW_ROTATION, "1", &CameraParams::rotation, VIEW_LENS, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SetUp();
    test::TypeAndLeave(Edit(first, c.id), c.text);
    EXPECT_DOUBLE_EQ(first->camera.GetParams().*c.value, std::atof(c.text));
    EXPECT_DOUBLE_EQ(first->camera.GetOrbitRadius(), c.orbitRadius);
    const Vec3 at = first->camera.cameraPosition;  // the camera moved with it
    EXPECT_NEAR(std::hypot(at.x, at.y, at.z), c.orbitRadius, 1e-9);
    EXPECT_EQ(first->focusedField, FIELD_NONE);
    EXPECT_EQ(Posts(), Recomputes(c.mask));
  }
}

TEST_F(ViewPanelTest, TextThatIsNotANumberStopsTheReadingThere) {
  test::MessageRecorder messages;
  // Read in the order altitude, azimuth, rotation, focal length, distance, pan, tilt.
  Edit(first, IDC_VIEW_ALTITUDE)->setText("0.3");
  Edit(first, IDC_VIEW_TILT)->setText("0.7");
  test::TypeAndLeave(Edit(first, IDC_VIEW_DISTANCE), "far");
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Please enter a number."});
  EXPECT_DOUBLE_EQ(first->camera.GetParams().altitude, 0.3);  // before the bad box: stored
  EXPECT_DOUBLE_EQ(first->camera.GetParams().distance, 50);
  EXPECT_DOUBLE_EQ(first->camera.GetParams().tilt, 0);  // after it: kept
  EXPECT_EQ(Posts(), Recomputes(VIEW_LENS)) << "still recomputes";
  Edit(first, IDC_VIEW_DISTANCE)->setText("50");
}

TEST_F(ViewPanelTest, WheelOnTheFocusedBoxStepsItsParameter) {
  const struct {
    int id;
    int delta;
    double CameraParams::*value;
    double change;
    int mask;
  } cases[] = {
      {IDC_VIEW_ALTITUDE, -240, &CameraParams::altitude, -0.2, VIEW_AZALT},
      {IDC_VIEW_FOCAL_LENGTH, 360, &CameraParams::focalLength, 3, VIEW_LENS},
      {IDC_VIEW_DISTANCE, -200, &CameraParams::distance, -1, VIEW_LENS},
      {IDC_VIEW_TILT, 60, &CameraParams::tilt, 0.05, VIEW_PANTILT},
      {IDC_VIEW_ROTATION, -120, &CameraParams::rotation, -0.1, VIEW_LENS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " by " << c.delta);
    SetUp();
    const double before = first->camera.GetParams().*c.value;
    test::SendFocus(Edit(first, c.id), QEvent::FocusIn);
    test::Wheel(first, c.delta);
    EXPECT_NEAR(first->camera.GetParams().*c.value, before + c.change, 1e-12);
    EXPECT_EQ(Edit(first, c.id)->text(),
              QString::asprintf("%.15g", first->camera.GetParams().*c.value));
    EXPECT_EQ(Posts(), Recomputes(c.mask));
    first->focusedField = FIELD_NONE;
  }
  // Lengths follow the drag rules: never below 0, and the orbit follows.
  SetUp();
  test::SendFocus(Edit(first, IDC_VIEW_FOCAL_LENGTH), QEvent::FocusIn);
  test::Wheel(first, -120 * 20);
  EXPECT_EQ(first->camera.GetParams().focalLength, 0);
  EXPECT_DOUBLE_EQ(first->camera.GetOrbitRadius(), 50);
  // With no box focused, as after leaving one, the wheel changes nothing.
  first->focusedField = FIELD_NONE;
  Posts();
  test::Wheel(first, 120);
  EXPECT_TRUE(Posts().empty());
}

// Closing a Vectors window unticks its box; ticking it shows the window again.
TEST_F(ViewPanelTest, ClosingTheVectorsWindowUnticksItsBox) {
  first->showVectorsCheck->click();
  ASSERT_TRUE(first->vectorsWindow.isVisible());
  first->vectorsWindow.close();
  EXPECT_FALSE(first->showVectorsCheck->isChecked());
  first->showVectorsCheck->click();
  EXPECT_TRUE(first->vectorsWindow.isVisible());
  first->vectorsWindow.close();
}

TEST_F(ViewPanelTest, ControlRadioMovesTheMouseToOneViewOnly) {
  first->DragAzAlt(0.5, 0.5);
  EXPECT_EQ(first->camera.GetParams().azimuth, 0) << "not controlled: drags do nothing";
  EXPECT_TRUE(Posts().empty());

  for (int click = 0; click < 2; ++click) {  // the second click changes nothing
    QTest::mouseClick(first->controlButton, Qt::LeftButton);
    EXPECT_TRUE(first->IsControlled() && first->controlButton->isChecked());
    EXPECT_FALSE(second->IsControlled() || second->controlButton->isChecked());
  }

  first->DragAzAlt(0.5, -0.25);
  second->DragAzAlt(0.5, 0.5);
  EXPECT_DOUBLE_EQ(first->camera.GetParams().azimuth, 0.5);
  EXPECT_DOUBLE_EQ(first->camera.GetParams().altitude, -0.25);
  EXPECT_EQ(second->camera.GetParams().azimuth, 0);

  // The main window redraws after its own drags (the navigation tests pin the others).
  EXPECT_EQ(Posts(), (std::vector<Posted>{{UWM_VIEWS_CHANGED, 0, VIEW_AZALT}}));

  QTest::mouseClick(second->controlButton, Qt::LeftButton);
  EXPECT_TRUE(second->IsControlled());
  EXPECT_FALSE(first->IsControlled() || first->controlButton->isChecked());
}

}  // namespace
}  // namespace velmora
