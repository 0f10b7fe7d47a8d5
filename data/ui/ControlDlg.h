#pragma once
// The control panel: file choices, display options and the two view panels. Every user
// action is posted to the main window; the main window, the scene and the transition
// worker post back what the panel should show.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "camera/ui/ViewDlg.h"
#include "data/ui/MapProgressDlg.h"
#include "data/ui/ProgDlg.h"
#include "platform/MessageQueue.h"
#include "render/Workbench.h"

class QCheckBox;
class QScrollBar;
class QComboBox;
class QSlider;

namespace velmora {

// Control IDs of the control panel.
enum ControlPanelControl : int {
  IDC_BROWSE_FST = 1003,
  IDC_FST_FILE = 1004,
  IDC_BROWSE_DATA = 1005,
  IDC_DATA_FILE = 1006,
  IDC_DISTANCE = 1009,
  IDC_FST_STATUS = 1015,
  IDC_COORDINATES = 1017,
  IDC_FST_OBJECT = 1018,
  IDC_MAIN_SPHERE = 1019,
  IDC_FRONT_ONLY = 1020,
  IDC_ALPHA = 1021,
  IDC_SPHERE_SIZE = 1022,
  IDC_PT_PLANE = 1023,
  IDC_SCALE = 1024,
  IDC_SKIP_NEGATIVE_ST = 1025,
  IDC_WHITE_BACKGROUND = 1026,
};

// The kinds of file the Browse buttons choose.
enum FileKind : int { FILE_FST = 1, FILE_VECTOR_DATA = 2 };

// What the open-file dialog is asked for.
struct FileDialogRequest {
  QWidget* owner = nullptr;
  QString title;
  QString startPath;
  QStringList nameFilters;  // Qt name filters, the first one preselected
};

class ControlDlg : public QWidget, public MessageReceiver {
  Q_OBJECT
 public:
  // Builds both view panels and publishes g_pFirstView and g_pSecondView.
  ControlDlg();
  // Creates the window from its template and publishes g_hControlWnd.
  void Create();

  void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;

  // Reads dataPath into the workbench (its first half into the first view, its second
  // half into the second) and shows the points in both panels; false (the reason shown)
  // when it did not load.
  bool LoadDataFile();

  // Shows the open-file dialog for a kind of file, starting at OpenStartFolder. Returns the chosen
  // path, which also becomes lastOpenPath, or an empty string when the user cancelled.
  QString SelectFile(int kind);
  // Where an open-file dialog starts: the folder of the last chosen file, else the current
  // directory when it holds FST or data files, else the folder of the installed demo.
  static QString OpenStartFolder(const QString& lastOpenPath);
  // The bytes of path as the C library needs them. Qt decodes a file name that is not
  // UTF-8 with replacement characters it cannot encode back; such a component is found
  // again among its folder's entries when exactly one of them decodes to it.
  static std::string NativePath(const QString& path);
  // Where a window of size frame wanted at `wanted` goes so that it lies inside area:
  // moved left and up as far as needed, but never past the area's top-left corner.
  static QPoint PlaceInside(QPoint wanted, QSize frame, const QRect& area);
  // Moves the panel to `wanted`, kept inside the available area of the screen there.
  void MoveOnScreen(QPoint wanted);
  // Takes no more than area (a screen's available geometry) can show with a frame round it;
  // when the template does not fit, scroll bars move the controls (ControlScroll.cpp).
  void FitOnScreen(const QRect& area);
  // The name after the last path separator, or the whole path when there is none.
  static QString FileTitle(const QString& path);
  void ShowViewPanels(bool show);
  // The boxes, the slider, the size list, the Scale, "No s,t<0" and both panels' boxes
  // show frame, which the scene was given outright; nothing is posted (ControlFrame.cpp).
  void ShowFrame(const FrameState& frame, bool skipNegative);

  // The open-file dialog; tests replace it. Returns the chosen path or an empty string.
  static std::function<QString(const FileDialogRequest&)> fileDialog;

  // Click handling of the controls; the keyboard toggles run the same code.
  void OnBrowseFst();
  void OnBrowseData();
  void OnCoordinatesClicked();
  void OnFstObjectClicked();
  void OnMainSphereClicked();
  void OnSphereSizeChanged(int selection);
  void OnFrontOnlyClicked();
  void OnAlphaChanged(int position);
  void OnDistanceClicked();
  void OnPtPlaneClicked();
  void OnScaleLeft();
  void OnSkipNegativeStClicked();
  void OnWhiteBackgroundClicked();

  QString lastOpenPath;
  // Both panels' spheres load behind one progress dialog, held open from the first load
  // to the end of the constructor (declared first: it is built before the panels).
  ProgDlg panelSphereProgress;
  ViewDlg firstView{0, HeldOpen(panelSphereProgress)};
  ViewDlg secondView{1, &panelSphereProgress};
  // The two views, the FST object and the spheres; the main window's scene draws it.
  Workbench workbench{firstView.camera, secondView.camera};
  // Watches every map the workbench draws: a long one shows it and can be cancelled.
  MapProgressDlg mapProgress;
  QString fstPath;
  QString dataPath;
  QCheckBox* ptPlaneCheck = nullptr;
  QCheckBox* coordinatesCheck = nullptr;
  QCheckBox* fstObjectCheck = nullptr;
  QCheckBox* mainSphereCheck = nullptr;
  QCheckBox* frontOnlyCheck = nullptr;
  QCheckBox* distanceCheck = nullptr;
  QSlider* alphaSlider = nullptr;
  QComboBox* sphereSizeCombo = nullptr;
  QCheckBox* skipNegativeStCheck = nullptr;
  QCheckBox* whiteBackgroundCheck = nullptr;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void OnInitDialog();
  static ProgDlg* HeldOpen(ProgDlg& progress) {
    progress.HoldOpen(true);
    return &progress;
  }
  void DoDataExchange();
  // The main sphere's own controls follow whether it is shown; Alpha also serves the FST
  // object.
  void EnableSphereControls(bool sphere, bool fstObject);
  // Flips a box as a keyboard shortcut does, then runs its click handling.
  void ToggleCheck(QCheckBox* box, void (ControlDlg::*onClicked)());
  // The controls moved to the scroll bars' values.
  void ScrollContent();
  QSize contentSize_;  // the template's size
  QScrollBar* acrossBar_ = nullptr;
  QScrollBar* downBar_ = nullptr;
  QPoint scrolled_;
};

}  // namespace velmora
