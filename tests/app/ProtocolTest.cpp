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
using test::Posted;
using test::Settle;

class ProtocolTest : public test::WorkbenchTest {
 protected:
  // The command line: an upper-case ending and a name that is not UTF-8 load, a .txt
  // argument is ignored (its one point would replace the 154).
  static void SetUpTestSuite() {
    const fs::path fst = dir.path() / "caf\xe9.FSD", data = dir.path() / "b.dtx";
    fs::copy_file("sphere100.fsd", fst);
    fs::copy_file("demo.dtx", data);
    const std::string txt = dir.Write("c.txt", "1 2\n3 4\n");
    StartWorkbench(MainDlg::LocalFileNames({fst.c_str(), data.c_str(), txt.c_str()}));
    // What the command line loaded, before other cases load their own files.
    loaded = {control->workbench.fstObject.pointCount, control->fstPath,
              GetDlgItemAs<QLabel>(control, IDC_FST_STATUS)->text()};
    control->show();
    main->resize(320, 240);
    Settle();
  }
  void SetUp() override { Settle(); }
  static inline test::TempDir dir;
  static inline struct {
    int fstPoints;
    QString fstPath, fstStatus;
  } loaded;

  static void LeaveScaleEdit(const QString& text) {
    test::TypeAndLeave(GetDlgItemAs<QLineEdit>(control, IDC_SCALE), text);
    Settle();
  }
};

TEST_F(ProtocolTest, LoadsTheCommandLineBeforeTheWindowIsShown) {
  EXPECT_EQ(pointsAtShow, 154);
  EXPECT_EQ(loaded.fstPoints, 100);
  EXPECT_EQ(loaded.fstPath, QFile::decodeName((dir.path() / "caf\xe9.FSD").c_str()));
  EXPECT_EQ(loaded.fstStatus, "100 points.");
}

// A box or a key of the main window -> the messages the main window gets -> the scene and
// the boxes. Each press flips exactly its own states, and a second press restores them.
TEST_F(ProtocolTest, BoxesAndKeysSwitchTheirSceneStateAndBoxTogether) {
  control->sphereSizeCombo->setCurrentIndex(0);
  control->frontOnlyCheck->setEnabled(true);
  control->distanceCheck->setEnabled(true);
  ViewDlg &first = control->firstView, &second = control->secondView;
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
      {"Coordinates", click(control->coordinatesCheck), {"axes"}, carries(UWM_SHOW_COORDINATES)},
      {"FST object", click(control->fstObjectCheck), {"FST object"}, carries(UWM_SHOW_FST_OBJECT)},
      {"F", key(Qt::Key_F), {"FST object"}, carries(UWM_SHOW_FST_OBJECT)},
      {"Front only", click(control->frontOnlyCheck), {"front only"}, carries(UWM_FRONT_ONLY)},
      {"By distance", click(control->distanceCheck), {"by distance"}, carries(UWM_DISTANCE_MODE)},
      {"Plane", click(control->ptPlaneCheck), {"plane"}, carries(UWM_SHOW_PT_PLANE)},
      {"P", key(Qt::Key_P), {"plane"}, carries(UWM_SHOW_PT_PLANE)},
      // The 100-point sphere is selected: item 0.
      {"Main sphere",
       click(control->mainSphereCheck),
       {"main sphere"},
       carries(UWM_SHOW_MAIN_SPHERE)},
      {"M", key(Qt::Key_M), {"main sphere"}, carries(UWM_SHOW_MAIN_SPHERE)},
      {"White bkg.",
       click(control->whiteBackgroundCheck),
       {"white", "first vectors white", "second vectors white"},
       carries(UWM_WHITE_BACKGROUND)},
      {"Skip negative",
       click(control->skipNegativeStCheck),
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
    const test::Displays start = test::DisplayStates(*main, *control);
    const bool on = !start.at(row.flips[0]).first;
    for (bool flipped : {true, false}) {
      row.act();
      Settle();
      test::Displays expected = start;
      for (const std::string& name : row.flips) {
        expected.at(name).first ^= flipped;
        expected.at(name).second ^= flipped;
      }
      EXPECT_EQ(test::DisplayStates(*main, *control), expected);
      EXPECT_EQ(log.Take(main), row.posts(flipped == on ? 1 : 0));
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
    EXPECT_EQ(main->scene.scale, c.scene);
    EXPECT_EQ(control->firstView.camera.GetScale(), c.views);
    EXPECT_EQ(control->secondView.camera.GetScale(), c.views);
  }
  control->alphaSlider->setValue(70);
  Settle();
  EXPECT_DOUBLE_EQ(main->scene.alpha, 0.7);
  control->alphaSlider->setValue(50);
}

TEST_F(ProtocolTest, LoadedFstObjectFollowsTheReconstructedPoints) {
  control->fstPath = QString::fromStdString(fs::absolute("demo.fsd").string());
  PostAppMessage(g_hMainWnd.load(), UWM_LOAD_FST, 0, 0);
  Settle();
  const int n = control->workbench.fstObject.GetPointCount();
  ASSERT_GT(n, 0);
  EXPECT_EQ(GetDlgItemAs<QLabel>(control, IDC_FST_STATUS)->text(),
            QString::asprintf("%i points.", n));

  control->dataPath = "demo.dtx";
  control->LoadDataFile();
  Settle();
  ASSERT_EQ(control->firstView.GetPointCount(), n) << "the demo files belong together";
  for (int i : {0, n / 2, n - 1}) {
    Vec3 midpoint;
    control->firstView.GetMidpoint(i, midpoint);
    const auto& v = control->workbench.fstObject.vertices;
    EXPECT_THAT((Vec3{v[3 * i], v[3 * i + 1], v[3 * i + 2]}), test::Vec3Near(midpoint, 1e-9)) << i;
  }
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
  control->sphereSizeCombo->setCurrentIndex(0);
  std::vector<QRect> spheres;
  for (const char* scale : {"1", "0.5", "3"}) {
    SCOPED_TRACE(scale);
    LeaveScaleEdit(scale);
    const QImage without = main->grabFramebuffer();
    control->mainSphereCheck->click();
    Settle();
    spheres.push_back(Changed(without, main->grabFramebuffer()));
    control->mainSphereCheck->click();
    Settle();
  }
  LeaveScaleEdit("1");
  ASSERT_GT(spheres[0].width(), 10);
  for (const QRect& sphere : spheres) {
    EXPECT_NEAR(sphere.width(), spheres[0].width(), 2);
    EXPECT_NEAR(sphere.height(), spheres[0].height(), 2);
  }
}

}  // namespace
}  // namespace velmora
