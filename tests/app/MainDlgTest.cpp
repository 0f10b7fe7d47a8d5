#include "app/MainDlg.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <numbers>

#include "app/AboutDlg.h"
#include "data/ControlDlg.h"
#include "platform/DialogBuilder.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

// The triangulation example: the second view at azimuth pi/2 sees the scene point (2, 4, 40)
// that the first view sees at (1, 2).
void LoadExamplePair(ControlDlg& control) {
  auto load = [](ViewDlg& view, double x, double y) {
    view.camera.AllocatePoints(1);
    view.camera.imageX[0] = x;
    view.camera.imageY[0] = y;
    view.vectorsWindow.Allocate(1);
  };
  load(control.firstView, 1, 2);
  load(control.secondView, -200.0 / 29, 20.0 / 29);
  control.secondView.camera.SetAzAlt(std::numbers::pi / 2, 0);
  control.firstView.UpdateCamera(VIEW_ALL);
  control.secondView.UpdateCamera(VIEW_ALL);
}

// Dark pixels in the top-left corner, where the error is written.
int DarkPixelsInCorner(const QImage& frame) {
  int dark = 0;
  for (int y = 4; y < 30; ++y)
    for (int x = 4; x < 120; ++x) dark += qGray(frame.pixel(x, y)) < 60;
  return dark;
}

// One start-up for the whole suite: the globals are published once per process.
class MainWindowTest : public testing::Test {
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
  static QImage Frame() { return main->grabFramebuffer(); }
  static inline ControlDlg* control = nullptr;
  static inline MainDlg* main = nullptr;
};

TEST_F(MainWindowTest, StartsGreyWithTheNavigationCaptionAndPublishedGlobals) {
  EXPECT_EQ(main->windowTitle(), "Left: move around, Right: zoom in/out");
  const QImage frame = Frame();
  EXPECT_EQ(qGray(frame.pixel(frame.width() - 3, frame.height() - 3)), 128);
  EXPECT_EQ(g_hMainWnd.load(), main);
  EXPECT_EQ(g_hControlWnd.load(), control);
  EXPECT_EQ(g_pFirstView.load(), &control->firstView);
  EXPECT_EQ(g_pSecondView.load(), &control->secondView);
  EXPECT_EQ(control->firstView.vectorsWindow.windowTitle(), "Left view");
  EXPECT_EQ(control->secondView.vectorsWindow.windowTitle(), "Right view");
  EXPECT_FALSE(control->firstView.vectorsWindow.isVisible());
}

TEST_F(MainWindowTest, WritesTheErrorOnlyWhenItIsFinite) {
  EXPECT_EQ(DarkPixelsInCorner(Frame()), 0) << "no points: no text";
  LoadExamplePair(*control);
  const double error = control->secondView.ReconstructionError();
  ASSERT_LT(error, -20);
  EXPECT_EQ(MainDlg::ErrorText(error), QString::asprintf("%.6f", error));
  const QImage first = Frame();
  EXPECT_GT(DarkPixelsInCorner(first), 20);
  EXPECT_EQ(MainDlg::ErrorText(-INFINITY), "");
  EXPECT_EQ(MainDlg::ErrorText(NAN), "");
  // The text painter must not leave the scene's OpenGL state changed: the frame drawn
  // after it matches the one before it outside the text.
  const QImage second = Frame();
  int differing = 0;
  for (int y = 40; y < first.height(); ++y)
    for (int x = 0; x < first.width(); ++x) differing += first.pixel(x, y) != second.pixel(x, y);
  EXPECT_EQ(differing, 0);
}

TEST_F(MainWindowTest, ResizeKeepsTheFrameFillingTheWindow) {
  main->resize(400, 250);
  QTest::qWait(50);
  const QImage frame = Frame();
  EXPECT_EQ(frame.size(), QSize(400, 250) * main->devicePixelRatio());
  EXPECT_EQ(qGray(frame.pixel(frame.width() - 2, frame.height() - 2)), 128);
  EXPECT_EQ(main->scene.width, frame.width());
}

TEST_F(MainWindowTest, StepTableGrowsBySevenPercent) {
  // The step table grows by 1.07 each entry, starting at 0.02.
  EXPECT_DOUBLE_EQ(main->stepTable[0], 0.02);
  double sum = 0, term = 1;
  for (int i = 0; i <= 21; ++i, term *= 1.07) sum += term;
  EXPECT_NEAR(main->stepTable[21], 0.02 * sum, 1e-12);
}

TEST(AboutDlg, ShowsVersionAndBuildStamp) {
  AboutDlg about;
  EXPECT_EQ(about.windowTitle(), "About Velmora");
  auto* build = GetDlgItemAs<QLabel>(&about, 1000);
  ASSERT_NE(build, nullptr);
  EXPECT_THAT(build->text().toStdString(),
              testing::MatchesRegex(
                  "Build: [0-9]{2}:[0-9]{2}:[0-9]{2}, [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}"));
  bool hasVersion = false;
  for (auto* label : about.findChildren<QLabel*>())
    hasVersion |= label->text() == "Velmora Version 1.25";
  EXPECT_TRUE(hasVersion);
}

}  // namespace
}  // namespace velmora
