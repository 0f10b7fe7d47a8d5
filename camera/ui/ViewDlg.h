#pragma once
// The panel of one view camera: its seven parameters as edit boxes, the display boxes of
// its overlays, the Control radio that says whether the main window's mouse steers it, and
// the view's Vectors window. It holds the camera model and the view's own pan/tilt sphere.

#include <QString>
#include <QWidget>
#include <atomic>

#include "camera/CameraModel.h"
#include "camera/ui/VectorsDlg.h"
#include "data/FstShape.h"
#include "data/LoadProgress.h"
#include "render/Navigator.h"
#include "render/gl/CameraOverlays.h"
#include "render/gl/Scene.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace velmora {

// Control IDs of the view panel.
enum ViewControl : int {
  IDC_VIEW_CAMERA = 1005,
  IDC_VIEW_ALTITUDE = 1006,
  IDC_VIEW_AZIMUTH = 1007,
  IDC_VIEW_FOCAL_LENGTH = 1008,
  IDC_VIEW_DISTANCE = 1009,
  IDC_VIEW_PAN = 1010,
  IDC_VIEW_TILT = 1011,
  IDC_VIEW_ROTATION = 1012,
  IDC_VIEW_CONTROL = 1013,
  IDC_VIEW_STATUS = 1014,
  IDC_VIEW_RAYS = 1015,
  IDC_VIEW_TITLE = 1016,
  IDC_VIEW_AZALT_SPHERE = 1017,
  IDC_VIEW_PANTILT_SPHERE = 1018,
  IDC_VIEW_SHOW_VECTORS = 1019,
  IDC_VIEW_MEAN_RAY = 1020,
};

// Which parameter box has the keyboard focus.
enum FocusedField : int {
  FIELD_NONE = 0,
  FIELD_AZIMUTH,
  FIELD_ALTITUDE,
  FIELD_FOCAL_LENGTH,
  FIELD_DISTANCE,
  FIELD_PAN,
  FIELD_TILT,
  FIELD_ROTATION,
};

class ViewDlg : public QWidget, public ViewDrags {
  Q_OBJECT
 public:
  // index 0 is the first view, 1 the second. Loads the view's pan/tilt sphere, behind
  // progress when given (every FST load shows the progress dialog).
  explicit ViewDlg(int index, LoadProgress* progress = nullptr);
  ~ViewDlg() override;

  // Builds the panel inside parent and initialises its controls.
  void Create(QWidget* parent);
  void SetViewIndex(int viewIndex, bool controlled);
  // Links the two panels, titles this one, ticks "Camera" and "Rays", computes the camera
  // for the first time and shows the panel.
  void InitView(const QString& title, ViewDlg* other);
  void SetVectorsTitle(const QString& text) { vectorsWindow.setWindowTitle(text); }

  // Writes the seven parameters into their boxes.
  void UpdatePanel();
  // Reads the seven boxes into the parameters, in the order altitude, azimuth, rotation,
  // focal length, distance, pan, tilt. A box that does not hold a number stops the
  // reading there (the values before it are kept), prompts, and takes the focus back.
  bool ReadPanel();

  // Whether the main window's mouse steers this view.
  bool IsControlled() const { return isControlled; }
  void ReleaseControl(int viewIndex);

  // Mouse navigation of the main window; each acts only on the controlled view.
  void DragAzAlt(double dAzimuth, double dAltitude) override;
  void DragPanTilt(double dPan, double dTilt) override;
  void DragFocalLength(double d) override;
  void DragDistance(double d) override;
  void DragRotation(double d) override;

  bool ShowsRays() const { return options.showRays; }
  bool ShowsAzAltSphere() const { return options.showAzAltSphere; }
  bool ShowsMeanRay() const { return options.showMeanRay; }

  // Click handling of the display boxes; the key toggles of the main window set a box and
  // then call its handler, which reads the box back.
  void OnCameraClicked();
  void OnRaysClicked();
  void OnMeanRayClicked();
  void OnAzAltSphereClicked();
  void OnPanTiltSphereClicked();
  void OnShowVectorsClicked();
  void OnControlClicked();
  // The Vectors window was closed by the user: its box follows.
  void OnVectorsClosed();

  // Replaces the view's image points with n points from x and y, sets the means, shows
  // the count and sizes the Vectors window. Does not recompute the camera: the caller
  // runs UpdateCamera once both views hold their new points.
  void LoadImagePoints(const double* x, const double* y, int n);
  // After the workbench loaded both views: shows the count, sizes the Vectors window and
  // passes it the pair colours.
  void ShowLoadedPoints();
  // Colour of pair i, passed on to the Vectors window; ignored outside the points.
  void SetColor(int i, double r, double g, double b);

  void UpdateCamera(int mask) { camera.UpdateCamera(mask); }
  double ReconstructionError() const { return camera.ReconstructionError(); }
  void GetMidpoint(int i, Vec3& out) const { camera.GetMidpoint(i, out); }
  int GetPointCount() const { return camera.GetPointCount(); }

  // What the main scene reads of this panel.
  SceneView AsSceneView();
  // The view's pan/tilt sphere, or null when it did not load.
  FstShape* PanTiltSphere() { return sphereLoaded ? &panTiltSphere : nullptr; }

  // The check boxes and the radio, once created; for the key toggles of the main window.
  QCheckBox* cameraCheck = nullptr;
  QCheckBox* raysCheck = nullptr;
  QCheckBox* azAltCheck = nullptr;
  QCheckBox* panTiltCheck = nullptr;
  QCheckBox* showVectorsCheck = nullptr;
  QCheckBox* meanRayCheck = nullptr;
  QRadioButton* controlButton = nullptr;

  int index;
  CameraModel camera;
  OverlayOptions options;
  int focusedField = FIELD_NONE;
  bool isControlled = false;
  FstShape panTiltSphere;
  bool sphereLoaded = false;
  VectorsDlg vectorsWindow;

  // Steps the focused box's parameter by the wheel's turn; nothing without a focused box.
  // The Controls window sends it the wheel turned anywhere over it.
  void OnWheel(int zDelta);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Escape and Enter stop here: the panel never closes itself, and they must not reach
  // the control panel, which Escape would hide.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnInitDialog();
  void OnFieldFocused(int id);
  void OnFieldLeft(int id);
  // The increments of the wheel and the drags; both write the values back into the boxes.
  void AddToAngle(double CameraParams::*angle, double delta);
  void AddToLength(double CameraParams::*length, double delta);
  void StoreOption(bool& flag, const QCheckBox* box);
  QLineEdit* Edit(int id) const;
  void ShowPointCount(int n);

  ViewDlg* otherPanel_ = nullptr;
  // Set while the boxes are read or written, so that the focus changes of the prompt
  // do not start a second reading.
  bool exchanging_ = false;
};

// The check state of a button as it travels in messages: 0 unchecked, 1 checked,
// 2 indeterminate.
int ButtonState(const QAbstractButton* button);

// The two view panels, published once at start-up before any window handle.
extern std::atomic<ViewDlg*> g_pFirstView;
extern std::atomic<ViewDlg*> g_pSecondView;

}  // namespace velmora
