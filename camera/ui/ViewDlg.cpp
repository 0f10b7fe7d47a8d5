#include "camera/ui/ViewDlg.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Notify.h"
#include "data/DataFiles.h"
#include "data/NumberParse.h"
#include "data/SampleSpheres.h"
#include "data/VectorData.h"
#include "platform/DialogBuilder.h"
#include "platform/MessageQueue.h"
#include "render/ErrorMaps.h"

namespace velmora {

namespace {

// One wheel notch (120) turns an angle by 0.1 radian.
constexpr double kAnglePerWheelUnit = 0.0008333333333333334;
constexpr int kWheelNotch = 120;

struct FieldBox {
  int id;
  int field;
  double CameraParams::*value;
};

// In the order in which the boxes are read back.
constexpr FieldBox kFieldBoxes[] = {
    {IDC_VIEW_ALTITUDE, FIELD_ALTITUDE, &CameraParams::altitude},
    {IDC_VIEW_AZIMUTH, FIELD_AZIMUTH, &CameraParams::azimuth},
    {IDC_VIEW_ROTATION, FIELD_ROTATION, &CameraParams::rotation},
    {IDC_VIEW_FOCAL_LENGTH, FIELD_FOCAL_LENGTH, &CameraParams::focalLength},
    {IDC_VIEW_DISTANCE, FIELD_DISTANCE, &CameraParams::distance},
    {IDC_VIEW_PAN, FIELD_PAN, &CameraParams::pan},
    {IDC_VIEW_TILT, FIELD_TILT, &CameraParams::tilt},
};

const FieldBox* FindFieldBox(int id) {
  for (const auto& box : kFieldBoxes)
    if (box.id == id) return &box;
  return nullptr;
}

// A number as the dialog's data exchange accepts it: optional blanks around one
// finite real, nothing else.
bool ParseNumber(const QString& text, double& value) {
  // Decimal numbers only, as the files read them: "0x10", "inf" and "nan" are not numbers.
  const QByteArray bytes = text.toLatin1();
  double parsed = 0;
  if (!IsDecimalNumber(bytes.constData(), &parsed) || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

void PostRedraw() {
  PostAppMessage(g_hMainWnd.load(), UWM_REDRAW, 0, 0);
}

}  // namespace

std::atomic<ViewDlg*> g_pFirstView{nullptr};
std::atomic<ViewDlg*> g_pSecondView{nullptr};

int ButtonState(const QAbstractButton* button) {
  if (const auto* box = qobject_cast<const QCheckBox*>(button)) {
    switch (box->checkState()) {
      case Qt::Checked:
        return BST_CHECKED;
      case Qt::PartiallyChecked:
        return BST_INDETERMINATE;
      case Qt::Unchecked:
        return BST_UNCHECKED;
    }
  }
  return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

ViewDlg::ViewDlg(int index, LoadProgress* progress) : QWidget(nullptr), index(index) {
  vectorsWindow.onClosed = [this] { OnVectorsClosed(); };
  // Camera changes reach the main window as messages; before it is published they are lost.
  camera.onViewsChanged = [](int mask) {
    PostAppMessage(g_hMainWnd.load(), UWM_VIEWS_CHANGED, 0, mask);
  };
  sphereLoaded =
      panTiltSphere.Load(FindDataFile(kSampleSpheres[kPanTiltSphereIndex].fileName), progress) > 0;
  AllocateVertexColours(panTiltSphere);
}

ViewDlg::~ViewDlg() = default;

void ViewDlg::Create(QWidget* parent) {
  setParent(parent);
  BuildDialog(this, FindDialogTemplate(IDD_VIEW));
  OnInitDialog();
}

void ViewDlg::OnInitDialog() {
  cameraCheck = GetDlgItemAs<QCheckBox>(this, IDC_VIEW_CAMERA);
  controlButton = GetDlgItemAs<QRadioButton>(this, IDC_VIEW_CONTROL);
  raysCheck = GetDlgItemAs<QCheckBox>(this, IDC_VIEW_RAYS);
  azAltCheck = GetDlgItemAs<QCheckBox>(this, IDC_VIEW_AZALT_SPHERE);
  panTiltCheck = GetDlgItemAs<QCheckBox>(this, IDC_VIEW_PANTILT_SPHERE);
  showVectorsCheck = GetDlgItemAs<QCheckBox>(this, IDC_VIEW_SHOW_VECTORS);
  meanRayCheck = GetDlgItemAs<QCheckBox>(this, IDC_VIEW_MEAN_RAY);

  connect(cameraCheck, &QCheckBox::clicked, this, &ViewDlg::OnCameraClicked);
  connect(raysCheck, &QCheckBox::clicked, this, &ViewDlg::OnRaysClicked);
  connect(meanRayCheck, &QCheckBox::clicked, this, &ViewDlg::OnMeanRayClicked);
  connect(azAltCheck, &QCheckBox::clicked, this, &ViewDlg::OnAzAltSphereClicked);
  connect(panTiltCheck, &QCheckBox::clicked, this, &ViewDlg::OnPanTiltSphereClicked);
  connect(showVectorsCheck, &QCheckBox::clicked, this, &ViewDlg::OnShowVectorsClicked);
  connect(controlButton, &QRadioButton::clicked, this, &ViewDlg::OnControlClicked);
  for (const auto& box : kFieldBoxes) Edit(box.id)->installEventFilter(this);

  UpdatePanel();
}

QLineEdit* ViewDlg::Edit(int id) const {
  return GetDlgItemAs<QLineEdit>(this, id);
}

void ViewDlg::SetViewIndex(int viewIndex, bool controlled) {
  index = viewIndex;
  isControlled = controlled;
  if (controlled && controlButton != nullptr) {
    const QSignalBlocker blocker(controlButton);
    controlButton->setChecked(true);
  }
}

void ViewDlg::InitView(const QString& title, ViewDlg* other) {
  otherPanel_ = other;
  camera.otherView = other != nullptr ? &other->camera : nullptr;
  if (auto* label = GetDlgItemAs<QLabel>(this, IDC_VIEW_TITLE)) label->setText(title);
  for (QCheckBox* box : {cameraCheck, raysCheck}) {
    if (box == nullptr) continue;
    const QSignalBlocker blocker(box);
    box->setChecked(true);
  }
  options.showCamera = options.showRays = true;
  UpdateCamera(VIEW_ALL);
  show();
}

void ViewDlg::UpdatePanel() {
  if (Edit(IDC_VIEW_AZIMUTH) == nullptr) return;  // not created yet
  exchanging_ = true;
  for (const auto& box : kFieldBoxes) {
    QLineEdit* edit = Edit(box.id);
    const QSignalBlocker blocker(edit);
    edit->setText(QString::asprintf("%.15g", camera.GetParams().*box.value));
  }
  exchanging_ = false;
}

bool ViewDlg::ReadPanel() {
  if (Edit(IDC_VIEW_AZIMUTH) == nullptr) return false;
  exchanging_ = true;
  bool ok = true;
  // The boxes read before one that holds no number keep their values.
  CameraParams params = camera.GetParams();
  for (const auto& box : kFieldBoxes) {
    QLineEdit* edit = Edit(box.id);
    double value = 0;
    if (!ParseNumber(edit->text(), value)) {
      ShowMessage("Please enter a number.");
      edit->setFocus(Qt::OtherFocusReason);
      edit->selectAll();
      ok = false;
      break;
    }
    params.*box.value = value;
  }
  camera.SetParams(params);
  exchanging_ = false;
  return ok;
}

bool ViewDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    const auto* focus = static_cast<QFocusEvent*>(event);
    // A context menu over the box is not leaving it.
    if (focus->reason() != Qt::PopupFocusReason) {
      const int id = watched->objectName().toInt();
      if (event->type() == QEvent::FocusIn)
        OnFieldFocused(id);
      else
        OnFieldLeft(id);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ViewDlg::OnFieldFocused(int id) {
  if (const FieldBox* box = FindFieldBox(id)) focusedField = box->field;
}

void ViewDlg::OnFieldLeft(int id) {
  focusedField = FIELD_NONE;
  if (exchanging_) return;  // the focus moved because of our own prompt
  ReadPanel();
  switch (id) {
    case IDC_VIEW_AZIMUTH:
    case IDC_VIEW_ALTITUDE:
      UpdateCamera(VIEW_AZALT);
      break;
    case IDC_VIEW_FOCAL_LENGTH:
    case IDC_VIEW_DISTANCE:
      UpdateCamera(VIEW_LENS);
      break;
    case IDC_VIEW_PAN:
    case IDC_VIEW_TILT:
      UpdateCamera(VIEW_PANTILT);
      break;
    case IDC_VIEW_ROTATION:
      UpdateCamera(VIEW_LENS);
      break;
    default:
      return;
  }
  PostRedraw();
}

void ViewDlg::wheelEvent(QWheelEvent* event) {
  OnWheel(event->angleDelta().y());
  if (focusedField != FIELD_NONE)
    event->accept();
  else
    event->ignore();
}

void ViewDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void ViewDlg::OnWheel(int zDelta) {
  const double angleStep = zDelta * kAnglePerWheelUnit;
  const double lengthStep = zDelta / kWheelNotch;  // whole notches only
  int mask = 0;
  switch (focusedField) {
    case FIELD_AZIMUTH:
      AddToAngle(&CameraParams::azimuth, angleStep), mask = VIEW_AZALT;
      break;
    case FIELD_ALTITUDE:
      AddToAngle(&CameraParams::altitude, angleStep), mask = VIEW_AZALT;
      break;
    case FIELD_FOCAL_LENGTH:
      AddToLength(&CameraParams::focalLength, lengthStep), mask = VIEW_LENS;
      break;
    case FIELD_DISTANCE:
      AddToLength(&CameraParams::distance, lengthStep), mask = VIEW_LENS;
      break;
    case FIELD_PAN:
      AddToAngle(&CameraParams::pan, angleStep), mask = VIEW_PANTILT;
      break;
    case FIELD_TILT:
      AddToAngle(&CameraParams::tilt, angleStep), mask = VIEW_PANTILT;
      break;
    case FIELD_ROTATION:
      AddToAngle(&CameraParams::rotation, angleStep), mask = VIEW_LENS;
      break;
    default:
      return;
  }
  UpdateCamera(mask);
  PostRedraw();
}

void ViewDlg::AddToAngle(double CameraParams::*angle, double delta) {
  CameraParams params = camera.GetParams();
  CameraModel::AddToAngle(params.*angle, delta);
  camera.SetParams(params);
  UpdatePanel();
}

void ViewDlg::AddToLength(double CameraParams::*length, double delta) {
  CameraParams params = camera.GetParams();
  CameraModel::AddToLength(params.*length, delta);
  camera.SetParams(params);
  UpdatePanel();
}

void ViewDlg::DragAzAlt(double dAzimuth, double dAltitude) {
  if (!isControlled) return;
  AddToAngle(&CameraParams::azimuth, dAzimuth);
  AddToAngle(&CameraParams::altitude, dAltitude);
  UpdateCamera(VIEW_AZALT);
}

void ViewDlg::DragPanTilt(double dPan, double dTilt) {
  if (!isControlled) return;
  AddToAngle(&CameraParams::pan, dPan);
  AddToAngle(&CameraParams::tilt, dTilt);
  UpdateCamera(VIEW_PANTILT);
}

void ViewDlg::DragFocalLength(double d) {
  if (!isControlled) return;
  AddToLength(&CameraParams::focalLength, d);
  UpdateCamera(VIEW_LENS);
}

void ViewDlg::DragDistance(double d) {
  if (!isControlled) return;
  AddToLength(&CameraParams::distance, d);
  UpdateCamera(VIEW_LENS);
}

void ViewDlg::DragRotation(double d) {
  if (!isControlled) return;
  AddToAngle(&CameraParams::rotation, d);
  UpdateCamera(VIEW_LENS);
}

void ViewDlg::StoreOption(bool& flag, const QCheckBox* box) {
  flag = ButtonState(box) == BST_CHECKED;
  PostRedraw();
}

void ViewDlg::OnCameraClicked() {
  StoreOption(options.showCamera, cameraCheck);
}
void ViewDlg::OnRaysClicked() {
  StoreOption(options.showRays, raysCheck);
}
void ViewDlg::OnMeanRayClicked() {
  StoreOption(options.showMeanRay, meanRayCheck);
}
void ViewDlg::OnAzAltSphereClicked() {
  StoreOption(options.showAzAltSphere, azAltCheck);
}
void ViewDlg::OnPanTiltSphereClicked() {
  StoreOption(options.showPanTiltSphere, panTiltCheck);
}

void ViewDlg::OnShowVectorsClicked() {
  vectorsWindow.setVisible(ButtonState(showVectorsCheck) == BST_CHECKED);
}

void ViewDlg::OnVectorsClosed() {
  if (showVectorsCheck == nullptr) return;
  const QSignalBlocker blocker(showVectorsCheck);
  showVectorsCheck->setChecked(false);
}

void ViewDlg::OnControlClicked() {
  // The radios live in different panels, so this code keeps them exclusive; a click on
  // the radio that is already on must not turn it off.
  {
    const QSignalBlocker blocker(controlButton);
    controlButton->setChecked(true);
  }
  isControlled = true;
  const int otherIndex = (index + 1) % 2;
  ViewDlg* first = index == 0 ? this : otherPanel_;
  ViewDlg* second = index == 0 ? otherPanel_ : this;
  if (first != nullptr) first->ReleaseControl(otherIndex);
  if (second != nullptr) second->ReleaseControl(otherIndex);
}

void ViewDlg::ReleaseControl(int viewIndex) {
  if (viewIndex != index) return;
  isControlled = false;
  if (controlButton != nullptr) {
    const QSignalBlocker blocker(controlButton);
    controlButton->setChecked(false);
  }
}

void ViewDlg::LoadImagePoints(const double* x, const double* y, int n) {
  if (n < 0) n = 0;
  // The panel stores only: the control panel recomputes once both halves are in.
  StoreImagePoints(camera, x, y, n);
  ShowPointCount(n);
}

void ViewDlg::ShowLoadedPoints() {
  const int n = camera.imagePointCount;
  ShowPointCount(n);
  for (int i = 0; i < n; ++i) {
    const Vec3& c = camera.pointColors[static_cast<std::size_t>(i)];
    vectorsWindow.SetColor(3 * i, c.x, c.y, c.z);
  }
}

void ViewDlg::ShowPointCount(int n) {
  if (auto* status = GetDlgItemAs<QLabel>(this, IDC_VIEW_STATUS))
    status->setText(QString::asprintf("Loaded %i points.", n));
  vectorsWindow.Allocate(n);
}

void ViewDlg::SetColor(int i, double r, double g, double b) {
  if (i < 0 || i >= camera.imagePointCount) return;
  camera.pointColors[i] = Vec3{r, g, b};
  vectorsWindow.SetColor(3 * i, r, g, b);
}

SceneView ViewDlg::AsSceneView() {
  return SceneView{&options, &vectorsWindow};
}

}  // namespace velmora
