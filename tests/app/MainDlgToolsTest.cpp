// The keys that keep and explain the frame, on the workbench with the demo files loaded.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "app/HelpDlg.h"
#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "platform/DialogBuilder.h"
#include "render/ErrorMaps.h"
#include "render/image/ColourLegend.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

using test::TempDir;

class MainToolsTest : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    StartWorkbench(MainDlg::LocalFileNames({"demo.fsd", "demo.dtx"}));
  }
  void SetUp() override {
    MainDlg::saveDialog = [this](QWidget*, const MainDlg::SaveDialogRequest& request) {
      requests.push_back(request);
      return chosen;
    };
  }
  void TearDown() override { MainDlg::saveDialog = nullptr; }

  static void Key(int key) {
    QTest::keyClick(main, static_cast<Qt::Key>(key));
    QTest::qWait(50);  // the messages the key posts, and the repaint
  }
  static QImage Frame() { return main->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
  static int Differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
  }

  QString chosen;
  std::vector<MainDlg::SaveDialogRequest> requests;
};

// C copies the command, the shell runs it with velmora-cli, and F3's picture is the same
// to the pixel, with the main sphere (front only, by distance), white, mean rays, a turned
// observer and the legend on: both hold the legend of the window's range.
TEST_F(MainToolsTest, F3SavesThePictureThatTheCopiedRenderCommandDraws) {
  for (QCheckBox* box : {control->mainSphereCheck, control->whiteBackgroundCheck,
                         control->frontOnlyCheck, control->distanceCheck})
    box->click();
  Key(Qt::Key_N);
  main->scene.observer.angleY = 31.25;
  main->scene.observer.distance = 350;
  Key(Qt::Key_L);
  TempDir dir;
  Key(Qt::Key_C);
  std::string command = QGuiApplication::clipboard()->text().toStdString();
  const std::string program = "velmora-cli ";
  ASSERT_EQ(command.rfind(program, 0), 0u) << command;
  command = "cd '" + dir.path().string() + "' && " + VELMORA_CLI_BINARY + " " +
            command.substr(program.size()) + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  chosen = QString::fromStdString((dir.path() / "f3.png").string());
  Key(Qt::Key_F3);
  const QImage saved(chosen), drawn(QString::fromStdString((dir.path() / "frame.png").string()));
  ASSERT_FALSE(drawn.isNull());
  EXPECT_EQ(saved.size(), main->size() * main->devicePixelRatio());
  EXPECT_EQ(Differing(saved, drawn), 0);
  Key(Qt::Key_L);
  Key(Qt::Key_F3);
  QImage bare(chosen);
  EXPECT_GT(Differing(bare, saved), 0);
  double min = 0, max = 0;
  main->LegendRange(min, max);
  ASSERT_TRUE(std::isfinite(min) && std::isfinite(max));
  QPainter painter(&bare);
  PaintColourLegend(painter, bare.width(), bare.height(), min, max);
  painter.end();
  EXPECT_EQ(Differing(bare, saved), 0);
}

// W writes what the position reader reads back; the next dialog starts where the last
// file went; a file that cannot be written is named in a message and nothing else happens.
// (The export tests pin what E writes.)
TEST_F(MainToolsTest, PositionExportReadsBackAndFailuresNameTheFile) {
  TempDir dir;
  const std::string path = (dir.path() / "position.txt").string();
  chosen = QString::fromStdString(path);
  Key(Qt::Key_W);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].startPath, QFileInfo(requests[0].startPath).path() + "/position.txt");
  double read[kPositionTargetCount], expected[kMaxAnimatedValues];
  ASSERT_TRUE(LoadPositionFile(path, read));
  ReadPositionValues(control->workbench.First(), control->workbench.Second(), expected);
  expected[POS_SCALE] = control->workbench.Second().GetScale();
  for (int i = 0; i < kPositionTargetCount; ++i) EXPECT_EQ(read[i], expected[i]) << i;

  // A folder that is not there fails to open, a full disk to write, for every key that saves;
  // with the plane on and its picture unreadable, F3 does not try the picture again.
  dir.Write("plane.png", "not a picture");
  test::ScopedCurrentDir inDir(dir.path());
  {
    test::MessageRecorder messages;
    control->ptPlaneCheck->click();
    QTest::qWait(50);  // the window shows the plane on the message the box posts
  }
  ASSERT_EQ(main->scene.planeTexture, -2);
  for (Qt::Key key : {Qt::Key_W, Qt::Key_E, Qt::Key_F3})
    for (const std::string& bad :
         {(dir.path() / "missing" / "position.txt").string(), std::string("/dev/full")}) {
      chosen = QString::fromStdString(bad);
      test::MessageRecorder messages;
      Key(key);
      ASSERT_EQ(messages.texts.size(), 1u) << key;
      EXPECT_EQ(messages.texts[0].rfind("Cannot write " + bad + ": ", 0), 0u) << messages.texts[0];
    }
  control->ptPlaneCheck->click();
  EXPECT_EQ(requests[1].startPath, QString::fromStdString(path));
  // Keys with a modifier are not these keys.
  const std::size_t asked = requests.size();
  QTest::keyClick(main, Qt::Key_E, Qt::ShiftModifier);
  EXPECT_EQ(requests.size(), asked);
}

// L paints the legend; its bounds are the main sphere's
// score range, follow the sphere's selection, and a second L gives the frame back.
TEST_F(MainToolsTest, LTogglesTheLegendWhichFollowsTheMainSphere) {
  if (control->mainSphereCheck->isChecked()) control->mainSphereCheck->click();
  QTest::qWait(50);
  const QImage before = Frame();
  Key(Qt::Key_L);
  ASSERT_TRUE(main->LegendShown());
  const QImage with = Frame();
  EXPECT_GT(Differing(with, before), 0);

  for (bool sphere : {true, false}) {
    SCOPED_TRACE(sphere);
    control->mainSphereCheck->click();
    QTest::qWait(50);
    Frame();  // the scores follow at the paint after the selection
    double min = 0, max = 0, expectedMin = NAN, expectedMax = NAN;
    main->LegendRange(min, max);
    if (sphere) {
      ASSERT_NE(control->workbench.mainSphere, nullptr);
      std::vector<double> scores;
      MapScoreOverPositions(*control->workbench.mainSphere, control->workbench.Second(), &scores);
      ASSERT_TRUE(ScoreRange(scores, expectedMin, expectedMax));
      EXPECT_EQ(min, expectedMin);
      EXPECT_EQ(max, expectedMax);
    } else {
      EXPECT_TRUE(std::isnan(min) && std::isnan(max));
    }
  }

  Key(Qt::Key_L);
  EXPECT_FALSE(main->LegendShown());
  EXPECT_EQ(Differing(Frame(), before), 0);
}

// The view panels' status holds the largest count a vector data file can give (an int's)
// whole, inside the Controls window.
TEST_F(MainToolsTest, ViewPanelsShowTheLargestPointCountWhole) {
  for (ViewDlg* view : {&control->firstView, &control->secondView}) {
    auto* status = GetDlgItemAs<QLabel>(view, IDC_VIEW_STATUS);
    ASSERT_NE(status, nullptr);
    const QString shown = status->text();
    status->setText(QString::asprintf("Loaded %i points.", std::numeric_limits<int>::max()));
    EXPECT_LE(status->sizeHint().width(), status->width());
    EXPECT_TRUE(view->rect().contains(status->geometry()));
    EXPECT_TRUE(control->rect().contains(QRect(status->mapTo(control, QPoint()), status->size())));
    status->setText(shown);
  }
}

TEST_F(MainToolsTest, F2ShowsOneHelpWindow) {
  for (int press = 0; press < 2; ++press) Key(Qt::Key_F2);
  const auto windows = main->findChildren<HelpDlg*>();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_TRUE(windows[0]->isVisible());
  windows[0]->close();
}

}  // namespace
}  // namespace velmora
