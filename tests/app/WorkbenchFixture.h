#pragma once
// The workbench started as for the user, control panel first, then the main window, once
// for a whole suite: the globals are published once per process.

#include <QCheckBox>
#include <QTest>
#include <map>
#include <string>
#include <utility>

#include "app/MainDlg.h"
#include "data/ui/ControlDlg.h"
#include "tests/GuiDriver.h"
#include "tests/TestSupport.h"

namespace velmora::test {

class WorkbenchTest : public testing::Test {
 protected:
  static void StartWorkbench(MainDlg::LocalFileNames files = MainDlg::LocalFileNames({})) {
    control = new ControlDlg;
    control->Create();
    main = new MainDlg(control, std::move(files));
    main->show();
    // The command line is loaded by the time the window is shown.
    pointsAtShow = control->firstView.GetPointCount();
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
  static inline int pointsAtShow = 0;
};

// Every display state that a box or a main-window key switches, by name: what the scene
// or the view holds, and whether its box is ticked (the wireframe has no box: its state).
using Displays = std::map<std::string, std::pair<bool, bool>>;
inline Displays DisplayStates(const MainDlg& main, const ControlDlg& c) {
  const Scene& s = main.scene;
  const ViewDlg &first = c.firstView, &second = c.secondView;
  const auto white = c.whiteBackgroundCheck->isChecked();
  const auto skip = c.skipNegativeStCheck->isChecked();
  return {
      {"axes", {s.showAxes, c.coordinatesCheck->isChecked()}},
      {"FST object", {s.showFstObject, c.fstObjectCheck->isChecked()}},
      {"front only", {s.frontOnly, c.frontOnlyCheck->isChecked()}},
      {"by distance", {c.workbench.distanceMode, c.distanceCheck->isChecked()}},
      {"plane", {s.showPlane, c.ptPlaneCheck->isChecked()}},
      {"main sphere", {c.workbench.mainSphere != nullptr, c.mainSphereCheck->isChecked()}},
      {"white", {s.clearRed == 1.0f, white}},
      {"first vectors white", {first.vectorsWindow.context.clearRed == 1.0f, white}},
      {"second vectors white", {second.vectorsWindow.context.clearRed == 1.0f, white}},
      {"first skips", {first.camera.skipNegativeST, skip}},
      {"second skips", {second.camera.skipNegativeST, skip}},
      {"first camera", {first.options.showCamera, first.cameraCheck->isChecked()}},
      {"second camera", {second.options.showCamera, second.cameraCheck->isChecked()}},
      {"first rays", {first.options.showRays, first.raysCheck->isChecked()}},
      {"second rays", {second.options.showRays, second.raysCheck->isChecked()}},
      {"first mean ray", {first.options.showMeanRay, first.meanRayCheck->isChecked()}},
      {"second mean ray", {second.options.showMeanRay, second.meanRayCheck->isChecked()}},
      {"first az/alt", {first.options.showAzAltSphere, first.azAltCheck->isChecked()}},
      {"second az/alt", {second.options.showAzAltSphere, second.azAltCheck->isChecked()}},
      {"first pan/tilt", {first.options.showPanTiltSphere, first.panTiltCheck->isChecked()}},
      {"second pan/tilt", {second.options.showPanTiltSphere, second.panTiltCheck->isChecked()}},
      {"first vectors", {first.vectorsWindow.isVisible(), first.showVectorsCheck->isChecked()}},
      {"second vectors", {second.vectorsWindow.isVisible(), second.showVectorsCheck->isChecked()}},
      {"wireframe", {s.wireframe, s.wireframe}},
  };
}

}  // namespace velmora::test
