#include "data/ui/ControlDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "camera/ui/ViewDlg.h"
#include "data/DataFiles.h"
#include "platform/DialogBuilder.h"
#include "tests/GuiDriver.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::Posted;
using test::TempDir;

// One control panel for the whole suite (the globals are published once per process), with
// a bare object standing in for the main window that its messages go to.
class ControlPanelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    control = new ControlDlg;
    control->Create();
    mainWindow = new QObject;
    g_hMainWnd = mainWindow;
    control->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(control));
  }
  static void TearDownTestSuite() {
    delete control;
    delete mainWindow;
  }
  void SetUp() override {
    ControlDlg::fileDialog = [this](const FileDialogRequest& r) {
      requests.push_back(r);
      return nextChoice;
    };
  }
  // What the panel posted to the main window since the last call.
  std::vector<Posted> Posts() { return log.Take(mainWindow); }

  static void ToPanel(unsigned msg, LPARAM lParam = 0) {
    PostAppMessage(g_hControlWnd.load(), msg, 0, lParam);
    QCoreApplication::sendPostedEvents();
  }
  static QString Text(int id) {
    if (auto* edit = GetDlgItemAs<QLineEdit>(control, id)) return edit->text();
    return GetDlgItemAs<QLabel>(control, id)->text();
  }

  static inline ControlDlg* control = nullptr;
  static inline QObject* mainWindow = nullptr;
  test::MessageLog log;
  std::vector<FileDialogRequest> requests;
  QString nextChoice;
};

TEST_F(ControlPanelTest, SphereSizeLabelsSelectFiveKOrElseTheFirstItem) {
  const struct {
    std::vector<LPARAM> sizes;
    QStringList labels;
    int selected;
  } cases[] = {
      {{100, 1000, 5000, 10000, 100000}, {"100", "1K", "5K", "10K", "100K"}, 2},
      {{7, 1000, 12}, {"1K"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.labels.join(',').toStdString());
    control->sphereSizeCombo->clear();
    Posts();
    for (LPARAM size : c.sizes) ToPanel(UWM_ADD_SPHERE_SIZE, size);
    EXPECT_EQ(test::ComboItems(control->sphereSizeCombo), c.labels);
    EXPECT_EQ(control->sphereSizeCombo->currentIndex(), c.selected);
    EXPECT_TRUE(Posts().empty()) << "filling the list is not a user's choice";
  }
}

// The wheel steps the focused box of a view panel wherever the pointer is in the window:
// over the other panel, an option row or the size list, which keeps its selection.
TEST_F(ControlPanelTest, WheelAnywhereStepsTheFocusedViewBox) {
  ViewDlg& first = control->firstView;
  auto* tilt = GetDlgItemAs<QLineEdit>(&first, IDC_VIEW_TILT);
  test::SendFocus(tilt, QEvent::FocusIn);
  const double before = first.camera.GetParams().tilt;
  const int selection = control->sphereSizeCombo->currentIndex();
  for (QWidget* over : std::initializer_list<QWidget*>{
           &control->secondView, control->whiteBackgroundCheck, control->sphereSizeCombo})
    test::Wheel(over, 120);
  EXPECT_NEAR(first.camera.GetParams().tilt, before + 0.3, 1e-12);
  EXPECT_EQ(control->sphereSizeCombo->currentIndex(), selection);
  test::SendFocus(tilt, QEvent::FocusOut);
  Posts();
}

TEST_F(ControlPanelTest, ScalePostsOnlyWhenTheEditLosesTheFocus) {
  auto* edit = GetDlgItemAs<QLineEdit>(control, IDC_SCALE);
  edit->setText("2.5");
  QTest::keyClicks(edit, "0");
  EXPECT_TRUE(Posts().empty()) << "typing posts nothing";

  // Decimals only (hex, "inf" and "nan" are not numbers); what a float cannot hold counts
  // as 0, which the scene draws at 1.
  const struct {
    const char* text;
    float value;
  } cases[] = {{"-3e1", -30.0f}, {"abc", 0.0f},  {"2.5x", 2.5f}, {"0x10", 0.0f},
               {"nan", 0.0f},    {"-inf", 0.0f}, {"1e39", 0.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    test::TypeAndLeave(GetDlgItemAs<QLineEdit>(control, IDC_SCALE), c.text);
    EXPECT_EQ(Posts(), (std::vector<Posted>{{UWM_SET_SCALE, 0, FloatToLParam(c.value)}}));
  }
}

TEST_F(ControlPanelTest, FstLoadedShowsTheFullPathAndTheCountOfTheObjectDrawn) {
  FstShape& object = control->workbench.fstObject;
  const int n = object.Load(FindDataFile("sphere100.fsd"), nullptr);
  ASSERT_GT(n, 0);
  ToPanel(UWM_FST_LOADED, n);
  EXPECT_EQ(Text(IDC_FST_STATUS), QString::asprintf("%i points.", n));

  // A rejected file keeps the object, which is still drawn: its count stays.
  TempDir dir;
  MessageRecorder messages;
  control->fstPath = QString::fromStdString(dir.Write("rejected.fsd", "2 FSTShape\n"));
  ToPanel(UWM_FST_LOADED, object.Load(control->fstPath.toStdString(), nullptr));
  EXPECT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(Text(IDC_FST_FILE), control->fstPath);
  EXPECT_EQ(Text(IDC_FST_STATUS), QString::asprintf("%i points.", n));
}

// The next dialog starts in the folder of the file last chosen; a cancelled one asks nothing.
TEST_F(ControlPanelTest, BrowseForAnFstFileShowsItsNameAndAsksForTheLoad) {
  nextChoice = "/data/models/house.fsd";
  QTest::mouseClick(GetDlgItem(control, IDC_BROWSE_FST), Qt::LeftButton);
  EXPECT_EQ(requests[0].nameFilters,
            QStringList({"FST Files *.fsd (*.fsd)", "All Files (*.*) (*)"}));
  EXPECT_EQ(Text(IDC_FST_FILE), "house.fsd");
  EXPECT_EQ(Posts(), (std::vector<Posted>{{UWM_LOAD_FST, 0, 0}}));
  nextChoice.clear();
  QTest::mouseClick(GetDlgItem(control, IDC_BROWSE_FST), Qt::LeftButton);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].startPath, "/data/models");
  EXPECT_EQ(control->fstPath, "/data/models/house.fsd");
  EXPECT_TRUE(Posts().empty()) << "cancelled";
}

// On a screen smaller than the panel, the window fits and its bars bring every control
// into view; on a large one the panel is whole again, with no bar.
TEST_F(ControlPanelTest, PanelScrollsWhenTheScreenIsSmaller) {
  const QSize whole = control->size();
  const QRect firstAt = control->firstView.geometry();
  // The far edges of the controls: out of view until the bars are at their ends.
  const auto farthest = [] {
    QPoint far;
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (qobject_cast<QScrollBar*>(child) == nullptr && child->isVisibleTo(control))
        far = {std::max(far.x(), child->geometry().right()),
               std::max(far.y(), child->geometry().bottom())};
    return far;
  };
  control->FitOnScreen(QRect(0, 0, whole.width() / 2, whole.height() / 2 + 40));
  EXPECT_LE(control->width(), whole.width() / 2);
  EXPECT_LE(control->height(), whole.height() / 2);
  QRect shown(QPoint(0, 0), control->size());
  int bars = 0;
  for (QScrollBar* bar : control->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly)) {
    if (!bar->isVisibleTo(control)) continue;
    ++bars;
    bar->setValue(bar->maximum());
    (bar->orientation() == Qt::Vertical ? shown.setRight(bar->x() - 1)
                                        : shown.setBottom(bar->y() - 1));
  }
  ASSERT_EQ(bars, 2);
  EXPECT_TRUE(shown.contains(farthest())) << farthest().x() << "," << farthest().y();
  control->FitOnScreen(QRect(0, 0, 4000, 4000));
  EXPECT_EQ(control->size(), whole);
  EXPECT_EQ(control->firstView.geometry(), firstAt);
}

// Without a file chosen yet, the dialogs open where there is something to open: the
// current folder when it holds data, else the installed demo's folder (a launcher starts
// the workbench at home).
TEST_F(ControlPanelTest, OpenDialogsStartInTheDemoFolderWhenHereHoldsNoData) {
  const QString here = QDir::currentPath();
  ASSERT_TRUE(QFileInfo::exists("demo.fsd"));
  EXPECT_EQ(ControlDlg::OpenStartFolder(""), here);
  EXPECT_EQ(ControlDlg::OpenStartFolder("/data/models/house.fsd"), "/data/models");
  const std::vector<std::string> folders = DataFolders();
  TempDir home;
  {
    test::ScopedCurrentDir atHome(home.path());
    SetDataFolders({});
    EXPECT_EQ(ControlDlg::OpenStartFolder(""), QDir::currentPath()) << "no demo anywhere";
    SetDataFolders({here.toStdString()});
    EXPECT_EQ(ControlDlg::OpenStartFolder(""), here);
    home.Write("mine.DTX", "1 2\n3 4\n");
    EXPECT_EQ(ControlDlg::OpenStartFolder(""), QDir::currentPath());
  }
  SetDataFolders(folders);
}

TEST_F(ControlPanelTest, BrowseForDataLoadsBothHalvesWithSharedColours) {
  TempDir dir;
  // Five lines: two points per view, the odd last line ignored.
  nextChoice = QString::fromStdString(dir.Write("pairs.txt", "1 2\n3 4\n5 6\n7 8\n9 9\n"));
  QTest::mouseClick(GetDlgItem(control, IDC_BROWSE_DATA), Qt::LeftButton);

  const CameraModel& first = control->firstView.camera;
  const CameraModel& second = control->secondView.camera;
  EXPECT_EQ(first.imageX, (std::vector<double>{1, 3}));
  EXPECT_EQ(second.imageX, (std::vector<double>{5, 7}));
  EXPECT_DOUBLE_EQ(second.meanY, 7);
  EXPECT_EQ(Text(IDC_DATA_FILE), "pairs.txt");
  EXPECT_EQ(GetDlgItemAs<QLabel>(&control->secondView, IDC_VIEW_STATUS)->text(),
            "Loaded 2 points.");
  for (int i = 0; i < 2; ++i) {
    const Vec3 c = first.pointColors[i];
    EXPECT_THAT(second.pointColors[i], test::Vec3Near(c, 0.0)) << i;
    for (const ViewDlg* view : {&control->firstView, &control->secondView})
      EXPECT_EQ(view->vectorsWindow.vectorColors[3 * i + 2], c.z) << i;
  }
  EXPECT_THAT(first.pointColors[0], testing::Not(test::Vec3Near(first.pointColors[1], 1e-12)));
  EXPECT_EQ(Posts(), (std::vector<Posted>{{UWM_VIEWS_CHANGED, 0, VIEW_ALL},
                                          {UWM_VIEWS_CHANGED, 0, VIEW_ALL},
                                          {UWM_REDRAW, 0, 0}}));
}

TEST_F(ControlPanelTest, UnreadableDataFileKeepsThePointsButShowsTheNewName) {
  TempDir dir;
  control->dataPath = QString::fromStdString(dir.Write("pairs.txt", "1 2\n3 4\n5 6\n7 8\n"));
  control->LoadDataFile();
  Posts();
  MessageRecorder messages;
  control->dataPath = "/missing/missing.dtx";
  control->LoadDataFile();
  EXPECT_EQ(messages.texts, (std::vector<std::string>{"Cannot open file to read!"}));
  EXPECT_EQ(Text(IDC_DATA_FILE), "missing.dtx");
  EXPECT_EQ(control->secondView.camera.imageX, (std::vector<double>{5, 7}));
  EXPECT_TRUE(Posts().empty()) << "no redraw after a failed open";
}

// A view panel swallows Escape and Enter, from its boxes as from itself.
TEST_F(ControlPanelTest, EscapeAndEnterInAViewPanelCloseNothing) {
  for (QWidget* target : {static_cast<QWidget*>(GetDlgItem(&control->firstView, IDC_VIEW_TILT)),
                          static_cast<QWidget*>(control->secondView.cameraCheck)})
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(target, key);
      EXPECT_TRUE(control->isVisible() && target->isVisible()) << key;
    }
}

TEST(ControlPanelPlacement, StaysInsideTheScreensFreeArea) {
  const struct {
    QPoint wanted;
    QSize frame;
    QRect area;
    QPoint placed;
  } cases[] = {
      // The window is 742 x 346 at 96 dpi.
      {{670, 0}, {742, 346}, {0, 0, 1600, 1000}, {670, 0}},   // fits as it is
      {{670, 0}, {1113, 519}, {0, 0, 1280, 1024}, {167, 0}},  // 144-dpi font: 1.5 times
      {{670, 0}, {742, 346}, {0, 0, 640, 512}, {0, 0}},       // too large: the caption stays
      {{670, 900}, {742, 346}, {0, 0, 1600, 1000}, {670, 654}},
      {{670, 0}, {742, 346}, {1600, 0, 1280, 1024}, {1600, 0}},  // a screen to the right
  };
  for (const auto& c : cases)
    EXPECT_EQ(ControlDlg::PlaceInside(c.wanted, c.frame, c.area), c.placed)
        << c.frame.width() << " in " << c.area.width() << "x" << c.area.height();
}

}  // namespace
}  // namespace velmora
