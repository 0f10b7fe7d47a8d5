// The control panel showing a frame that was set outright (an opened session, an undone
// change): its boxes say what the scene shows, without their click handling, which would
// post the same change again.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <cmath>

#include "data/SampleSpheres.h"
#include "data/ui/ControlDlg.h"
#include "platform/DialogBuilder.h"

namespace velmora {

namespace {

void SetBox(QCheckBox* box, bool on) {
  if (box == nullptr) return;
  const QSignalBlocker blocker(box);
  box->setChecked(on);
}

}  // namespace

void ControlDlg::ShowFrame(const FrameState& frame, bool skipNegative) {
  const DisplayOptions& d = frame.display;
  SetBox(coordinatesCheck, d.axes);
  SetBox(fstObjectCheck, d.fstObject);
  SetBox(frontOnlyCheck, d.frontOnly);
  SetBox(distanceCheck, d.distanceMode);
  SetBox(ptPlaneCheck, d.plane);
  SetBox(whiteBackgroundCheck, d.white);
  SetBox(skipNegativeStCheck, skipNegative);
  const int row = SampleSphereWithVertexCount(d.mainSphereSize);
  const int item =
      row >= 0 ? sphereSizeCombo->findText(QString::fromLatin1(kSampleSpheres[row].label)) : -1;
  SetBox(mainSphereCheck, item >= 0);
  if (item >= 0) {
    const QSignalBlocker blocker(sphereSizeCombo);
    sphereSizeCombo->setCurrentIndex(item);
  }
  EnableSphereControls(item >= 0, d.fstObject);
  {
    const QSignalBlocker blocker(alphaSlider);
    alphaSlider->setValue(static_cast<int>(std::lround(d.alpha * 100)));
  }
  GetDlgItemAs<QLineEdit>(this, IDC_SCALE)
      ->setText(QString::asprintf("%g", static_cast<double>(d.scale)));
  ViewDlg* panels[2] = {&firstView, &secondView};
  for (int i = 0; i < 2; ++i) {
    const OverlayOptions& o = frame.views[i];
    panels[i]->options = o;
    SetBox(panels[i]->cameraCheck, o.showCamera);
    SetBox(panels[i]->raysCheck, o.showRays);
    SetBox(panels[i]->azAltCheck, o.showAzAltSphere);
    SetBox(panels[i]->panTiltCheck, o.showPanTiltSphere);
    SetBox(panels[i]->meanRayCheck, o.showMeanRay);
  }
}

}  // namespace velmora
