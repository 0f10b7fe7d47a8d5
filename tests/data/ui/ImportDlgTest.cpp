// Importing into the workbench: the views, panels and Scale box take the rig's poses,
// and a refused import leaves everything as it was.

#include "data/ui/ImportDlg.h"

#include <QLabel>
#include <QLineEdit>

#include "camera/ui/ViewDlg.h"
#include "data/ui/ControlDlg.h"
#include "platform/AppMessages.h"
#include "platform/DialogBuilder.h"
#include "tests/GuiDriver.h"
#include "tests/TestSupport.h"
#include "tests/data/import/SyntheticRig.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::TempDir;

class ImportIntoWorkbenchTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    control = new ControlDlg;
    control->Create();
    mainWindow = new QObject;
    g_hMainWnd = mainWindow;
  }
  static void TearDownTestSuite() {
    delete control;
    delete mainWindow;
  }
  static inline ControlDlg* control = nullptr;
  static inline QObject* mainWindow = nullptr;
};

TEST_F(ImportIntoWorkbenchTest, RigPosesTheViewsAndARefusalKeepsThem) {
  TempDir dir;
  const test::SyntheticRig rig;
  const std::string rigFile = (dir.path() / "rig.json").string();
  rig.WriteRig(rigFile);
  ImportRequest request;
  request.rig = {rigFile};
  request.matches = dir.Write("m.tsv", rig.Matches("\t"));
  test::MessageLog log;
  ASSERT_TRUE(ImportStartUpFiles(*control, {"x.fsd", QByteArray::fromStdString(rigFile),
                                            QByteArray::fromStdString(request.matches)}));
  ImportedViews expected;
  std::string why;
  ASSERT_TRUE(ReadImportRequest(request, expected, why)) << why;
  const CameraModel& second = control->secondView.camera;
  EXPECT_EQ(second.GetParams(), expected.second);
  EXPECT_EQ(control->firstView.camera.GetParams(), expected.first);
  EXPECT_EQ(second.GetScale(), expected.scale);
  EXPECT_EQ(second.imageY, expected.data.secondY);
  EXPECT_LT(second.ReconstructionError(), -20);
  EXPECT_EQ(GetDlgItemAs<QLabel>(&control->secondView, IDC_VIEW_STATUS)->text(),
            "Loaded 40 points.");
  const std::vector<test::Posted> posted = log.Take(mainWindow);
  const LPARAM scale = FloatToLParam(expected.scale);
  EXPECT_THAT(posted, testing::Contains(test::Posted{UWM_SET_SCALE, 0, scale}));
  EXPECT_THAT(posted, testing::Contains(test::Posted{UWM_UPDATE_PANELS, 0, 0}));
  EXPECT_EQ(posted.back(), (test::Posted{UWM_REDRAW, 0, 0}));
  EXPECT_EQ(GetDlgItemAs<QLineEdit>(control, IDC_SCALE)->text(),
            QString::asprintf("%g", static_cast<double>(expected.scale)));

  // Three matches only: refused, said, and nothing changes.
  MessageRecorder messages;
  request.matches = dir.Write("few.csv", "1 2 3 4\n5 6 7 8\n9 10 11 12\n");
  EXPECT_FALSE(ImportIntoWorkbench(*control, request));
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_THAT(messages.texts[0], testing::HasSubstr("few.csv: 3 matches"));
  EXPECT_EQ(second.GetParams(), expected.second);
  EXPECT_EQ(second.imageY, expected.data.secondY);
  EXPECT_TRUE(log.Take(mainWindow).empty());
}

}  // namespace
}  // namespace velmora
