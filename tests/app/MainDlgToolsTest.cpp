// The keys that keep and explain the frame, on the workbench with the demo files loaded.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/HelpDlg.h"
#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "render/ErrorMaps.h"
#include "render/image/ColourLegend.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

using test::TempDir;

class MainToolsTest : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    StartWorkbench({"demo.fsd", "demo.dtx"});
    for (int i = 0; i < 500 && control->workbench.First().GetPointCount() == 0; ++i)
      QTest::qWait(20);
    ASSERT_GT(control->workbench.First().GetPointCount(), 0) << "demo files not loaded";
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
// observer and the legend on (the saved frame leaves it out).
TEST_F(MainToolsTest, F3SavesThePictureThatTheCopiedRenderCommandDraws) {
  for (QCheckBox* box : {control->mainSphereCheck, control->whiteBackgroundCheck,
                         control->frontOnlyCheck, control->distanceCheck})
    box->click();
  Key(Qt::Key_N);
  main->scene.angleY = 31.25;
  main->scene.distance = 350;
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
  EXPECT_FALSE(main->LegendShown());
}

// E and W write what the readers read back; each dialog starts where the last file went;
// a file that cannot be written is named in a message and nothing else happens.
TEST_F(MainToolsTest, ExportsReadBackAndFailuresNameTheFile) {
  TempDir dir;
  const CameraModel& first = control->workbench.First();
  const CameraModel& second = control->workbench.Second();
  const struct {
    int key;
    const char* name;  // the name the dialog proposes
    std::function<void(const std::string& path)> readBack;
  } rows[] = {
      {Qt::Key_E, "midpoints.ply",
       [&first](const std::string& path) {
         std::ifstream in(path);
         std::string line;
         int count = -1;
         while (std::getline(in, line) && line != "end_header")
           if (line.rfind("element vertex ", 0) == 0) count = std::atoi(line.c_str() + 15);
         EXPECT_EQ(count, first.GetPointCount());
         ASSERT_TRUE(std::getline(in, line));
         Vec3 m, read;
         first.GetMidpoint(0, m);
         std::istringstream(line) >> read.x >> read.y >> read.z;
         EXPECT_EQ(read.x, m.x);
         EXPECT_EQ(read.z, m.z);
       }},
      {Qt::Key_W, "position.txt",
       [&first, &second](const std::string& path) {
         double read[kPositionTargetCount], expected[kMaxAnimatedValues];
         ASSERT_TRUE(LoadPositionFile(path, read));
         ReadPositionValues(first, second, expected);
         expected[POS_SCALE] = second.GetScale();
         for (int i = 0; i < kPositionTargetCount; ++i) EXPECT_EQ(read[i], expected[i]) << i;
       }},
      {Qt::Key_F3, "frame.png",
       [](const std::string& path) {
         EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull());
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = (dir.path() / row.name).string();
    chosen = QString::fromStdString(path);
    Key(row.key);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().startPath,
              QFileInfo(requests.back().startPath).path() + "/" + row.name);
    row.readBack(path);
    chosen = QString::fromStdString((dir.path() / "missing" / row.name).string());
    test::MessageRecorder messages;
    Key(row.key);
    EXPECT_EQ(requests.back().startPath, QString::fromStdString(path));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0].rfind("Cannot write " + chosen.toStdString() + ": ", 0), 0u)
        << messages.texts[0];
  }
  // Keys with a modifier are not these keys.
  const std::size_t asked = requests.size();
  QTest::keyClick(main, Qt::Key_E, Qt::ShiftModifier);
  EXPECT_EQ(requests.size(), asked);
}

// L paints the legend in the bottom-right corner only; its bounds are the main sphere's
// score range, follow the sphere's selection, and a second L gives the frame back.
TEST_F(MainToolsTest, LTogglesTheLegendWhichFollowsTheMainSphere) {
  if (control->mainSphereCheck->isChecked()) control->mainSphereCheck->click();
  QTest::qWait(50);
  const QImage before = Frame();
  Key(Qt::Key_L);
  ASSERT_TRUE(main->LegendShown());
  const QImage with = Frame();
  const ColourLegendLayout legend =
      LayOutColourLegend(main->width(), main->height(), main->fontMetrics());
  const QRect& box = legend.box;
  int inBox = 0, elsewhere = 0;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x)
      (box.contains(x, y) ? inBox : elsewhere) += before.pixel(x, y) != with.pixel(x, y);
  EXPECT_GT(inBox, legend.bar.width() * legend.bar.height());  // the bar, at least
  EXPECT_EQ(elsewhere, 0);

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

TEST_F(MainToolsTest, F2ShowsOneHelpWindow) {
  for (int press = 0; press < 2; ++press) Key(Qt::Key_F2);
  const auto windows = main->findChildren<HelpDlg*>();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_TRUE(windows[0]->isVisible());
  windows[0]->close();
}

}  // namespace
}  // namespace velmora
