// The messages between the control panel, the view panels and the main window, with the
// whole program started as it is for the user.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <filesystem>
#include <functional>

#include "platform/DialogBuilder.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Lets every posted message run, and the paints they ask for.
void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

QStringList ComboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

class ProtocolTest : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    StartWorkbench();
    control->show();
    main->resize(320, 240);
    Settle();
  }
  void SetUp() override { Settle(); }

  static ControlDlg& Control() { return *control; }
  static MainDlg& Main() { return *main; }
  static Scene& TheScene() { return main->scene; }
  static Workbench& TheWorkbench() { return control->workbench; }
  static void LeaveScaleEdit(const QString& text) {
    auto* edit = GetDlgItemAs<QLineEdit>(control, IDC_SCALE);
    edit->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    Settle();
  }
};

TEST_F(ProtocolTest, AllFiveSampleSpheresAreListedWithFiveKSelected) {
  EXPECT_EQ(ComboItems(Control().sphereSizeCombo), QStringList({"100", "1K", "5K", "10K", "100K"}));
  EXPECT_EQ(Control().sphereSizeCombo->currentIndex(), 2);
  EXPECT_EQ(TheWorkbench().loadedSphereCount, 5);

  Control().mainSphereCheck->click();
  Settle();
  EXPECT_EQ(TheWorkbench().mainSphere, TheWorkbench().loadedSpheres[2]);
  Control().sphereSizeCombo->setCurrentIndex(0);
  Settle();
  EXPECT_EQ(TheWorkbench().mainSphere, TheWorkbench().loadedSpheres[0]);
  Control().mainSphereCheck->click();
  Settle();
  EXPECT_EQ(TheWorkbench().mainSphere, nullptr);
}

// Each box, and the F key's message to the control panel, flips the scene and its box
// together; twice restores both.
TEST_F(ProtocolTest, BoxesAndTheFKeyMessageToggleTheSceneAndBack) {
  Control().frontOnlyCheck->setEnabled(true);
  const struct {
    const char* name;
    std::function<void()> toggle;
    std::function<bool()> shown;
    QCheckBox* box;
  } cases[] = {
      {"Coordinates", [] { Control().coordinatesCheck->click(); },
       [] { return TheScene().showAxes; }, Control().coordinatesCheck},
      {"Front only", [] { Control().frontOnlyCheck->click(); }, [] { return TheScene().frontOnly; },
       Control().frontOnlyCheck},
      {"F key", [] { PostAppMessage(g_hControlWnd.load(), UWM_SHOW_FST_OBJECT, 0, 0); },
       [] { return TheScene().showFstObject; }, Control().fstObjectCheck},
  };
  for (const auto& c : cases) {
    const bool before = c.shown();
    for (bool expected : {!before, before}) {
      c.toggle();
      Settle();
      EXPECT_EQ(c.shown(), expected) << c.name;
      EXPECT_EQ(c.box->isChecked(), expected) << c.name;
    }
  }
  Control().alphaSlider->setValue(70);
  Settle();
  EXPECT_DOUBLE_EQ(TheScene().alpha, 0.7);
  Control().alphaSlider->setValue(50);
}

TEST_F(ProtocolTest, ZeroScaleDrawsAtOneButReachesTheViewsUnchanged) {
  const struct {
    const char* typed;
    float scene, views;
  } cases[] = {{"0", 1.0f, 0.0f}, {"-2", -2.0f, -2.0f}, {"2.5", 2.5f, 2.5f}, {"1", 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    LeaveScaleEdit(c.typed);
    EXPECT_EQ(TheScene().scale, c.scene);
    EXPECT_EQ(Control().firstView.camera.GetScale(), c.views);
    EXPECT_EQ(Control().secondView.camera.GetScale(), c.views);
  }
}

TEST_F(ProtocolTest, WhiteBackgroundReachesTheSceneAndBothVectorsWindows) {
  Control().secondView.vectorsWindow.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Control().secondView.vectorsWindow));
  Control().whiteBackgroundCheck->click();
  Settle();
  const GlContext* contexts[] = {&TheScene(), &Control().firstView.vectorsWindow.context,
                                 &Control().secondView.vectorsWindow.context};
  for (const GlContext* context : contexts) {
    EXPECT_EQ(context->clearRed, 1.0f);
    EXPECT_EQ(context->clearBlue, 1.0f);
  }
  const QImage frame = Main().grabFramebuffer();
  EXPECT_EQ(qGray(frame.pixel(2, frame.height() - 3)), 255);
  EXPECT_EQ(TheScene().width, frame.width()) << "the resize keeps the client size";

  Control().whiteBackgroundCheck->click();
  Settle();
  EXPECT_EQ(TheScene().clearGreen, 0.5f);
  EXPECT_EQ(Control().firstView.vectorsWindow.context.clearGreen, 0.5f);
  EXPECT_EQ(qGray(Main().grabFramebuffer().pixel(2, frame.height() - 3)), 128);
  Control().secondView.vectorsWindow.hide();
}

TEST_F(ProtocolTest, LoadedFstObjectFollowsTheReconstructedPoints) {
  Control().fstPath = QString::fromStdString(fs::absolute("demo.fsd").string());
  PostAppMessage(g_hMainWnd.load(), UWM_LOAD_FST, 0, 0);
  Settle();
  const int n = TheWorkbench().fstObject.GetPointCount();
  ASSERT_GT(n, 0);
  EXPECT_EQ(GetDlgItemAs<QLabel>(&Control(), IDC_FST_STATUS)->text(),
            QString::asprintf("%i points.", n));
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Control(), IDC_FST_FILE)->text(), Control().fstPath);

  Control().dataPath = "demo.dtx";
  Control().LoadDataFile();
  Settle();
  ASSERT_EQ(Control().firstView.GetPointCount(), n) << "the demo files belong together";
  for (int i : {0, n / 2, n - 1}) {
    Vec3 midpoint;
    Control().firstView.GetMidpoint(i, midpoint);
    const auto& v = TheWorkbench().fstObject.vertices;
    EXPECT_THAT((Vec3{v[3 * i], v[3 * i + 1], v[3 * i + 2]}), test::Vec3Near(midpoint, 1e-9)) << i;
  }
}

TEST_F(ProtocolTest, CameraChangesRecolourTheViewSpheres) {
  ViewDlg& first = Control().firstView;
  ASSERT_TRUE(first.sphereLoaded);
  const std::vector<double> before = first.panTiltSphere.vertexColours;
  Control().dataPath = "demo.dtx";
  Control().LoadDataFile();
  first.camera.SetAzAlt(0.3, 0.1);
  first.UpdateCamera(VIEW_AZALT);
  Settle();
  EXPECT_NE(first.panTiltSphere.vertexColours, before);
}

TEST_F(ProtocolTest, UpdatePanelsCopiesParametersIntoBothPanels) {
  Control().firstView.camera.SetDistance(77);
  Control().secondView.camera.SetPanTilt(0.5, -0.125);
  PostAppMessage(g_hMainWnd.load(), UWM_UPDATE_PANELS, 0, 0);
  Settle();
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Control().firstView, IDC_VIEW_DISTANCE)->text(), "77");
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(&Control().secondView, IDC_VIEW_TILT)->text(), "-0.125");
}

// Runs in a process of its own (see the test list): the start-up happens once per process.
// Its command line names an FST file whose name is not valid UTF-8 and ends in upper case,
// a data file, and a data file that its ending leaves ignored.
class TwoSphereStartUp : public test::WorkbenchTest {
 protected:
  static constexpr char kFstName[] = "caf\xe9.FSD";
  static void SetUpTestSuite() {
    if (g_hControlWnd.load() != nullptr) return;
    dir = new test::TempDir;
    for (const char* name : {"sphere100.fsd", "sphere1K.fsd", "cols.fcd"})
      fs::copy_file(name, dir->path() / name);
    fs::copy_file("sphere100.fsd", dir->path() / kFstName);
    fs::copy_file("demo.dtx", dir->path() / "b.dtx");
    dir->Write("c.txt", "1 2\n3 4\n");
    inDir = new test::ScopedCurrentDir(dir->path());
    control = new ControlDlg;
    control->Create();
    main = new MainDlg(control, MainDlg::LocalFileNames({kFstName, "b.dtx", "c.txt"}));
    main->show();
    // The command line is loaded by the time the window is shown.
    fstPointsAtShow = control->workbench.fstObject.pointCount;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    Settle();
  }
  static void TearDownTestSuite() {
    WorkbenchTest::TearDownTestSuite();
    delete inDir;
    delete dir;
  }
  void SetUp() override {
    if (main == nullptr) GTEST_SKIP() << "needs a process of its own";
  }
  static inline test::TempDir* dir = nullptr;
  static inline test::ScopedCurrentDir* inDir = nullptr;
  static inline int fstPointsAtShow = 0;
};

TEST_F(TwoSphereStartUp, LoadsTheCommandLineBeforeTheWindowRuns) {
  EXPECT_EQ(fstPointsAtShow, 100);
  EXPECT_EQ(control->fstPath, QFile::decodeName(kFstName));
  EXPECT_EQ(GetDlgItemAs<QLabel>(control, IDC_FST_STATUS)->text(), "100 points.");
  EXPECT_EQ(control->dataPath, "b.dtx");
  EXPECT_EQ(control->firstView.camera.imagePointCount, 154);
}

TEST_F(TwoSphereStartUp, ListsTheTwoLoadedSpheresWithTheFirstSelected) {
  EXPECT_EQ(ComboItems(control->sphereSizeCombo), QStringList({"100", "1K"}));
  EXPECT_EQ(control->sphereSizeCombo->currentIndex(), 0);
  control->mainSphereCheck->click();
  Settle();
  EXPECT_EQ(control->workbench.mainSphere, control->workbench.loadedSpheres[0]);
  EXPECT_TRUE(control->frontOnlyCheck->isEnabled());
}

}  // namespace
}  // namespace velmora
