// Sessions in the workbench: saved, opened again after changes, and drawn by velmora-cli
// render to the same pixels as F3; files that must not open change nothing.

#include <QImage>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "render/SessionApply.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

using test::TempDir;

class MainSessionTest : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    StartWorkbench(MainDlg::LocalFileNames({"demo.fsd", "demo.dtx"}));
  }
  void TearDown() override { MainDlg::saveDialog = nullptr; }

  // F3's picture, written where the dialog is told.
  static QImage SavedFrame(const std::string& path) {
    MainDlg::saveDialog = [path](QWidget*, const MainDlg::SaveDialogRequest&) {
      return QString::fromStdString(path);
    };
    EXPECT_TRUE(main->SaveFramePng());
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
  }
  static void SetCamera(int view, const CameraParams& p) {
    ViewDlg& panel = view == 0 ? control->firstView : control->secondView;
    panel.camera.SetParams(p);
    panel.UpdatePanel();
    panel.camera.UpdateCamera(VIEW_ALL);
    QTest::qWait(50);
  }
  static std::string Text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
};

// A state far from the defaults in every part a session keeps; saved, spoilt part by part,
// opened again: the same session, the same F3 picture, and the CLI draws it too.
TEST_F(MainSessionTest, OpenedSessionRestoresTheFrameTheCliDrawsToThePixel) {
  TempDir dir;
  SetCamera(0, {0.1, 0.05, 0.02, 12, 55, 0.01, -0.02});
  SetCamera(1, {0.6, -0.2, 0.03, 9, 48, -0.01, 0.02});
  for (QCheckBox* box :
       {control->mainSphereCheck, control->whiteBackgroundCheck, control->distanceCheck,
        control->skipNegativeStCheck, control->secondView.meanRayCheck})
    box->click();
  control->firstView.OnControlClicked();
  main->scene.observer.angleY = 21.5;
  main->scene.observer.distance = 330;
  main->ToggleLegend();
  QTest::qWait(100);
  const std::string sessionPath = (dir.path() / "kept.json").string();
  QString why;
  ASSERT_TRUE(main->SaveSessionPath(QString::fromStdString(sessionPath), why)) << why.toStdString();
  const Session kept = main->CurrentSession();
  EXPECT_EQ(kept.controlledView, 0);
  EXPECT_TRUE(kept.skipNegative);
  const QImage before = SavedFrame((dir.path() / "before.png").string());

  const QSize size = main->size() * main->devicePixelRatio();
  const std::string command = std::string(VELMORA_CLI_BINARY) + " render --session '" +
                              sessionPath + "' --out '" + (dir.path() / "cli.png").string() +
                              "' --size " + std::to_string(size.width()) + "x" +
                              std::to_string(size.height()) + " >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(QImage(QString::fromStdString((dir.path() / "cli.png").string()))
                .convertToFormat(QImage::Format_RGB32),
            before);

  SetCamera(0, {});
  SetCamera(1, {0.3, 0.1, 0, 10, 50, 0, 0});
  for (QCheckBox* box :
       {control->mainSphereCheck, control->whiteBackgroundCheck, control->skipNegativeStCheck,
        control->secondView.meanRayCheck, control->coordinatesCheck})
    box->click();
  control->secondView.OnControlClicked();
  main->scene.observer = {};
  main->ToggleLegend();
  QTest::qWait(100);
  ASSERT_NE(main->CurrentSession(), kept);

  ASSERT_TRUE(main->OpenSessionPath(QString::fromStdString(sessionPath), why)) << why.toStdString();
  QTest::qWait(100);
  EXPECT_EQ(main->CurrentSession(), kept);
  EXPECT_TRUE(control->firstView.IsControlled());
  EXPECT_FALSE(control->secondView.IsControlled());
  for (const auto& [name, state] : test::DisplayStates(*main, *control))
    EXPECT_EQ(state.first, state.second) << name << ": the box and the state differ";
  EXPECT_EQ(SavedFrame((dir.path() / "after.png").string()), before);
}

// Another version, a damaged file and a session naming a file that is gone: each refused
// with its reason, and the workbench keeps every part of its state.
TEST_F(MainSessionTest, SessionsThatCannotOpenChangeNothing) {
  TempDir dir;
  const std::string good = (dir.path() / "good.json").string();
  QString why;
  ASSERT_TRUE(main->SaveSessionPath(QString::fromStdString(good), why));
  std::string text = Text(good);
  main->scene.observer.distance = 222;
  SetCamera(1, {0.25, 0.1, 0, 11, 51, 0, 0});
  const Session now = main->CurrentSession();

  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    const std::size_t at = changed.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return changed.replace(at, from.size(), to);
  };
  const std::string missing = (dir.path() / "gone.dtx").string();
  const struct {
    std::string text, reason;
  } cases[] = {
      {replaced("\"version\": 1", "\"version\": 2"), "session version 2"},
      {text.substr(0, text.size() / 2), "damaged session file"},
      {replaced(now.dataFile.path, missing), "cannot read the session's data file " + missing},
  };
  for (const auto& c : cases) {
    const std::string path = dir.Write("bad.json", c.text);
    EXPECT_FALSE(main->OpenSessionPath(QString::fromStdString(path), why));
    EXPECT_NE(why.toStdString().find(c.reason), std::string::npos) << why.toStdString();
    EXPECT_EQ(main->CurrentSession(), now) << c.reason;
  }
}

// A file named on the command line that is not there is named in the message, and the
// other files still load.
TEST_F(MainSessionTest, MissingCommandLineFileIsNamed) {
  TempDir dir;
  const std::string gone = (dir.path() / "gone.fsd").string();
  StartUpFiles files{{QByteArray::fromStdString(gone), "demo.dtx"}};
  files.pending = true;
  test::MessageRecorder messages;
  files.Load(*control);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0], "Cannot open " + gone + ": no such file.");
  EXPECT_EQ(control->dataPath, "demo.dtx");
}

}  // namespace
}  // namespace velmora
