// The messages between the control panel, the view panels and the main window, with the
// whole program started as it is for the user.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>

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
using test::ComboItems;
using test::Posted;
using test::Settle;

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
    test::TypeAndLeave(GetDlgItemAs<QLineEdit>(control, IDC_SCALE), text);
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

// A box or a key of the main window -> the messages the main window gets -> the scene and
// the boxes. Each press flips exactly its own states, and a second press restores them.
TEST_F(ProtocolTest, BoxesAndKeysSwitchTheirSceneStateAndBoxTogether) {
  Control().frontOnlyCheck->setEnabled(true);
  Control().distanceCheck->setEnabled(true);
  ViewDlg &first = Control().firstView, &second = Control().secondView;
  first.raysCheck->click();  // each view's rays flip from its own state
  Settle();
  using Posts = std::function<std::vector<Posted>(LPARAM on)>;
  const auto carries = [](unsigned msg) -> Posts {
    return [msg](LPARAM on) { return std::vector<Posted>{{msg, 0, on}}; };
  };
  const auto redraws = [](int n) -> Posts {
    return [n](LPARAM) { return std::vector<Posted>(n, {UWM_REDRAW, 0, 0}); };
  };
  const auto click = [](QCheckBox* box) { return [box] { box->click(); }; };
  const auto key = [](int k) { return [k] { test::PressKey(main, k); }; };
  const struct {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> flips;
    Posts posts;
  } rows[] = {
      {"Coordinates", click(Control().coordinatesCheck), {"axes"}, carries(UWM_SHOW_COORDINATES)},
      {"FST object", click(Control().fstObjectCheck), {"FST object"}, carries(UWM_SHOW_FST_OBJECT)},
      {"F", key(Qt::Key_F), {"FST object"}, carries(UWM_SHOW_FST_OBJECT)},
      {"Front only", click(Control().frontOnlyCheck), {"front only"}, carries(UWM_FRONT_ONLY)},
      {"By distance", click(Control().distanceCheck), {"by distance"}, carries(UWM_DISTANCE_MODE)},
      {"Plane", click(Control().ptPlaneCheck), {"plane"}, carries(UWM_SHOW_PT_PLANE)},
      {"P", key(Qt::Key_P), {"plane"}, carries(UWM_SHOW_PT_PLANE)},
      // The 100-point sphere is selected: item 0.
      {"Main sphere",
       click(Control().mainSphereCheck),
       {"main sphere"},
       carries(UWM_SHOW_MAIN_SPHERE)},
      {"M", key(Qt::Key_M), {"main sphere"}, carries(UWM_SHOW_MAIN_SPHERE)},
      {"White bkg.",
       click(Control().whiteBackgroundCheck),
       {"white", "first vectors white", "second vectors white"},
       carries(UWM_WHITE_BACKGROUND)},
      {"Skip negative",
       click(Control().skipNegativeStCheck),
       {"first skips", "second skips"},
       [](LPARAM) {
         return std::vector<Posted>{{UWM_VIEWS_CHANGED, 0, VIEW_PANTILT}, {UWM_REDRAW, 0, 0}};
       }},
      {"R", key(Qt::Key_R), {"first rays", "second rays"}, redraws(2)},
      {"N", key(Qt::Key_N), {"first mean ray", "second mean ray"}, redraws(2)},
      {"A", key(Qt::Key_A), {"second az/alt"}, redraws(1)},
      {"first Camera", click(first.cameraCheck), {"first camera"}, redraws(1)},
      {"second Rays", click(second.raysCheck), {"second rays"}, redraws(1)},
      {"first Mean ray", click(first.meanRayCheck), {"first mean ray"}, redraws(1)},
      {"first Az/alt", click(first.azAltCheck), {"first az/alt"}, redraws(1)},
      {"second Pan/tilt", click(second.panTiltCheck), {"second pan/tilt"}, redraws(1)},
      {"first Show vectors", click(first.showVectorsCheck), {"first vectors"}, redraws(0)},
      {"F5", key(Qt::Key_F5), {"wireframe"}, redraws(0)},
  };
  test::MessageLog log;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const test::Displays start = test::DisplayStates(Main(), Control());
    const bool on = !start.at(row.flips[0]).first;
    for (bool flipped : {true, false}) {
      row.act();
      Settle();
      test::Displays expected = start;
      for (const std::string& name : row.flips) {
        expected.at(name).first ^= flipped;
        expected.at(name).second ^= flipped;
      }
      EXPECT_EQ(test::DisplayStates(Main(), Control()), expected);
      EXPECT_EQ(log.Take(&Main()), row.posts(flipped == on ? 1 : 0));
    }
  }
}

// The typed scale reaches the views as typed and the scene with 0 drawn at 1; the slider's
// position reaches the scene in hundredths.
TEST_F(ProtocolTest, ScaleAndAlphaReachTheSceneAndTheViews) {
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
  Control().alphaSlider->setValue(70);
  Settle();
  EXPECT_DOUBLE_EQ(TheScene().alpha, 0.7);
  Control().alphaSlider->setValue(50);
}

// Where two frames differ: the bounding box of the changed pixels.
QRect Changed(const QImage& a, const QImage& b) {
  QRect box;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

// The main sphere is drawn the same size on screen whatever the Scale box says, while the
// cameras grow with it.
TEST_F(ProtocolTest, MainSphereKeepsItsSizeWhenTheScaleChanges) {
  Control().sphereSizeCombo->setCurrentIndex(0);
  std::vector<QRect> spheres;
  for (const char* scale : {"1", "0.5", "3"}) {
    SCOPED_TRACE(scale);
    LeaveScaleEdit(scale);
    const QImage without = Main().grabFramebuffer();
    Control().mainSphereCheck->click();
    Settle();
    spheres.push_back(Changed(without, Main().grabFramebuffer()));
    Control().mainSphereCheck->click();
    Settle();
  }
  LeaveScaleEdit("1");
  ASSERT_GT(spheres[0].width(), 10);
  for (const QRect& sphere : spheres) {
    EXPECT_NEAR(sphere.width(), spheres[0].width(), 2);
    EXPECT_NEAR(sphere.height(), spheres[0].height(), 2);
  }
}

// White clears the main window's frame at its full size.
TEST_F(ProtocolTest, WhiteBackgroundClearsTheWholeFrame) {
  for (bool white : {true, false}) {
    Control().whiteBackgroundCheck->click();
    Settle();
    const float expected = white ? 1.0f : 0.5f;
    EXPECT_EQ(TheScene().clearGreen, expected);
    const QImage frame = Main().grabFramebuffer();
    EXPECT_EQ(qGray(frame.pixel(2, frame.height() - 3)), white ? 255 : 128);
    EXPECT_EQ(TheScene().width, frame.width()) << "the resize keeps the client size";
  }
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
