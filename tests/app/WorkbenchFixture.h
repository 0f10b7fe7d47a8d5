#pragma once
// The workbench started as for the user, control panel first, then the main window, once
// for a whole suite: the globals are published once per process.

#include <QTest>

#include "app/MainDlg.h"
#include "data/ui/ControlDlg.h"
#include "tests/GuiDriver.h"
#include "tests/TestSupport.h"

namespace velmora::test {

class WorkbenchTest : public testing::Test {
 protected:
  static void StartWorkbench(const QStringList& files = {}) {
    control = new ControlDlg;
    control->Create();
    main = new MainDlg(control, files);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
  }
  static void SetUpTestSuite() { StartWorkbench(); }
  static void TearDownTestSuite() {
    delete main;
    delete control;
    main = nullptr;
    control = nullptr;
  }
  static inline ControlDlg* control = nullptr;
  static inline MainDlg* main = nullptr;
};

}  // namespace velmora::test
