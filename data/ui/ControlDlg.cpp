#include "data/ui/ControlDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/Notify.h"
#include "data/DataFiles.h"
#include "data/NumberParse.h"
#include "platform/DialogBuilder.h"

namespace velmora {

namespace {

// The view panels sit in the band between the file rows and the option rows.
constexpr int kPanelX = 8;
constexpr int kFirstPanelY = 39;
constexpr int kSecondPanelY = 89;

QStringList NameFilters(int kind) {
  // "All Files (*.*)" is the label; every file matches, with or without an extension.
  if (kind == FILE_FST)
    return {QStringLiteral("FST Files *.fsd (*.fsd)"), QStringLiteral("All Files (*.*) (*)")};
  return {QStringLiteral("DTX Files *.dtx (*.dtx)"), QStringLiteral("TXT Files *.txt (*.txt)"),
          QStringLiteral("All Files (*.*) (*)")};
}

QString RunFileDialog(const FileDialogRequest& request) {
  QFileDialog dialog(request.owner, request.title, request.startPath);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(request.nameFilters);
  dialog.setDefaultSuffix(QString());
  if (!request.nameFilters.isEmpty()) dialog.selectNameFilter(request.nameFilters.first());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void PostToMain(unsigned msg, WPARAM wParam, LPARAM lParam) {
  PostAppMessage(g_hMainWnd.load(), msg, wParam, lParam);
}

}  // namespace

std::function<QString(const FileDialogRequest&)> ControlDlg::fileDialog = RunFileDialog;

ControlDlg::ControlDlg() : QWidget(nullptr) {
  // lastOpenPath stays empty until a file is chosen: the first dialog opens in the
  // current directory, where the data files are looked for, not beside the program.
  panelSphereProgress.HoldOpen(false);
  g_pFirstView = &firstView;
  g_pSecondView = &secondView;
  workbench.SetPanTiltSphere(0, firstView.PanTiltSphere());
  workbench.SetPanTiltSphere(1, secondView.PanTiltSphere());
  workbench.mapSettings.progress = &mapProgress;
  workbench.showsPanTiltSphere = [this](int view) {
    return (view == 0 ? firstView : secondView).options.showPanTiltSphere;
  };
}

void ControlDlg::Create() {
  BuildDialog(this, FindDialogTemplate(IDD_CONTROLS));
  OnInitDialog();
}

void ControlDlg::DoDataExchange() {
  ptPlaneCheck = GetDlgItemAs<QCheckBox>(this, IDC_PT_PLANE);
  coordinatesCheck = GetDlgItemAs<QCheckBox>(this, IDC_COORDINATES);
  fstObjectCheck = GetDlgItemAs<QCheckBox>(this, IDC_FST_OBJECT);
  mainSphereCheck = GetDlgItemAs<QCheckBox>(this, IDC_MAIN_SPHERE);
  frontOnlyCheck = GetDlgItemAs<QCheckBox>(this, IDC_FRONT_ONLY);
  distanceCheck = GetDlgItemAs<QCheckBox>(this, IDC_DISTANCE);
  alphaSlider = GetDlgItemAs<QSlider>(this, IDC_ALPHA);
  sphereSizeCombo = GetDlgItemAs<QComboBox>(this, IDC_SPHERE_SIZE);
  skipNegativeStCheck = GetDlgItemAs<QCheckBox>(this, IDC_SKIP_NEGATIVE_ST);
  whiteBackgroundCheck = GetDlgItemAs<QCheckBox>(this, IDC_WHITE_BACKGROUND);
}

void ControlDlg::OnInitDialog() {
  DoDataExchange();
  g_hControlWnd = this;

  // The template's combo height includes its drop-down list; the closed box is one line.
  sphereSizeCombo->resize(sphereSizeCombo->width(), sphereSizeCombo->sizeHint().height());

  const DialogUnits units = DialogUnitsFor(font(), FindDialogTemplate(IDD_CONTROLS));
  firstView.Create(this);
  firstView.move(units.X(kPanelX), units.Y(kFirstPanelY));
  firstView.SetViewIndex(0, false);
  firstView.InitView(QStringLiteral("First View"), &secondView);
  secondView.Create(this);
  secondView.move(units.X(kPanelX), units.Y(kSecondPanelY));
  secondView.SetViewIndex(1, true);
  secondView.InitView(QStringLiteral("Second View"), &firstView);
  // After the panel has stored the box: a pan/tilt sphere starting to show is mapped
  // before the redraw the panel posted.
  for (ViewDlg* view : {&firstView, &secondView})
    connect(view->panTiltCheck, &QCheckBox::clicked, this,
            [this] { workbench.MapShownPanTiltSpheres(); });

  for (QCheckBox* box : {coordinatesCheck, fstObjectCheck}) {
    const QSignalBlocker blocker(box);
    box->setChecked(true);
  }
  EnableSphereControls(ButtonState(mainSphereCheck) == BST_CHECKED,
                       ButtonState(fstObjectCheck) == BST_CHECKED);
  {
    const QSignalBlocker blocker(alphaSlider);
    alphaSlider->setValue(50);
  }
  GetDlgItemAs<QLineEdit>(this, IDC_SCALE)->setText(QStringLiteral("1.0"));

  connect(GetDlgItemAs<QPushButton>(this, IDC_BROWSE_FST), &QPushButton::clicked, this,
          &ControlDlg::OnBrowseFst);
  connect(GetDlgItemAs<QPushButton>(this, IDC_BROWSE_DATA), &QPushButton::clicked, this,
          &ControlDlg::OnBrowseData);
  connect(coordinatesCheck, &QCheckBox::clicked, this, &ControlDlg::OnCoordinatesClicked);
  connect(fstObjectCheck, &QCheckBox::clicked, this, &ControlDlg::OnFstObjectClicked);
  connect(mainSphereCheck, &QCheckBox::clicked, this, &ControlDlg::OnMainSphereClicked);
  connect(sphereSizeCombo, &QComboBox::currentIndexChanged, this, &ControlDlg::OnSphereSizeChanged);
  connect(frontOnlyCheck, &QCheckBox::clicked, this, &ControlDlg::OnFrontOnlyClicked);
  connect(alphaSlider, &QSlider::valueChanged, this, &ControlDlg::OnAlphaChanged);
  connect(distanceCheck, &QCheckBox::clicked, this, &ControlDlg::OnDistanceClicked);
  connect(ptPlaneCheck, &QCheckBox::clicked, this, &ControlDlg::OnPtPlaneClicked);
  connect(skipNegativeStCheck, &QCheckBox::clicked, this, &ControlDlg::OnSkipNegativeStClicked);
  connect(whiteBackgroundCheck, &QCheckBox::clicked, this, &ControlDlg::OnWhiteBackgroundClicked);
  // The Scale box's leaving, and the wheel over every control and both panels, which
  // reaches the focused box from anywhere.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

namespace {

// The wheel belongs to the focused box of a view panel wherever the pointer is in the
// Controls window, as the wheel message goes to the window with the keyboard. False when
// no panel has a box focused: the wheel then does what it does where it is.
bool SendWheelToFocusedBox(QEvent* e, ViewDlg& first, ViewDlg& second) {
  if (e->type() != QEvent::Wheel) return false;
  for (ViewDlg* view : {&first, &second})
    if (view->focusedField != FIELD_NONE) {
      view->OnWheel(static_cast<QWheelEvent*>(e)->angleDelta().y());
      e->accept();
      return true;
    }
  return false;
}

}  // namespace

bool ControlDlg::event(QEvent* e) {
  return SendWheelToFocusedBox(e, firstView, secondView) || DispatchAppMessage(e, *this) ||
         QWidget::event(e);
}

bool ControlDlg::eventFilter(QObject* watched, QEvent* e) {
  if (SendWheelToFocusedBox(e, firstView, secondView)) return true;
  if (e->type() == QEvent::FocusOut && watched == GetDlgItem(this, IDC_SCALE) &&
      static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason)
    OnScaleLeft();
  return QWidget::eventFilter(watched, e);
}

// Escape and the close box hide the panel (and with it the view panels); the main
// window shows it again.
void ControlDlg::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

void ControlDlg::closeEvent(QCloseEvent* e) {
  ShowViewPanels(false);
  hide();
  e->ignore();
}

void ControlDlg::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  ShowViewPanels(true);
}

void ControlDlg::ShowViewPanels(bool show) {
  for (ViewDlg* view : {&firstView, &secondView})
    if (view->controlButton != nullptr) view->setVisible(show);
}

void ControlDlg::WindowProc(unsigned msg, WPARAM, LPARAM lParam) {
  switch (msg) {
    case UWM_FST_LOADED:
      // A rejected file leaves the old object drawn (and lParam 0): show what is drawn.
      GetDlgItemAs<QLineEdit>(this, IDC_FST_FILE)->setText(fstPath);
      GetDlgItemAs<QLabel>(this, IDC_FST_STATUS)
          ->setText(QString::asprintf("%i points.", workbench.fstObject.GetPointCount()));
      break;
    case UWM_ADD_SPHERE_SIZE: {
      const QSignalBlocker blocker(sphereSizeCombo);
      const int sphere = SampleSphereWithVertexCount(lParam);
      if (sphere >= 0) {
        sphereSizeCombo->addItem(QString::fromLatin1(kSampleSpheres[sphere].label));
        if (sphere == kDefaultMainSphereIndex)
          sphereSizeCombo->setCurrentIndex(sphereSizeCombo->count() - 1);
      }
      if (sphereSizeCombo->currentIndex() < 0 && sphereSizeCombo->count() > 0)
        sphereSizeCombo->setCurrentIndex(0);
      break;
    }
    case UWM_SET_SCALE:
      GetDlgItemAs<QLineEdit>(this, IDC_SCALE)
          ->setText(QString::asprintf("%g", static_cast<double>(LParamToFloat(lParam))));
      break;
    case UWM_SHOW_FST_OBJECT:
      ToggleCheck(fstObjectCheck, &ControlDlg::OnFstObjectClicked);
      break;
    case UWM_SHOW_MAIN_SPHERE:
      ToggleCheck(mainSphereCheck, &ControlDlg::OnMainSphereClicked);
      break;
    case UWM_SHOW_PT_PLANE:
      ToggleCheck(ptPlaneCheck, &ControlDlg::OnPtPlaneClicked);
      break;
    default:
      break;
  }
}

void ControlDlg::ToggleCheck(QCheckBox* box, void (ControlDlg::*onClicked)()) {
  {
    const QSignalBlocker blocker(box);
    box->setChecked(ButtonState(box) != BST_CHECKED);
  }
  // The one place where setting a box must run its handler: the key stands for a click.
  (this->*onClicked)();
}

QString ControlDlg::SelectFile(int kind) {
  FileDialogRequest request;
  request.owner = this;
  request.title = QStringLiteral("Select file...");
  request.startPath = OpenStartFolder(lastOpenPath);
  request.nameFilters = NameFilters(kind);
  const QString chosen = fileDialog ? fileDialog(request) : QString();
  if (!chosen.isEmpty()) lastOpenPath = chosen;
  return chosen;
}

QString ControlDlg::OpenStartFolder(const QString& lastOpenPath) {
  if (!lastOpenPath.isEmpty()) return QFileInfo(lastOpenPath).absolutePath();
  // Started from a launcher the current directory is home: the demo's folder is the one
  // with something to open.
  const QStringList data = {QStringLiteral("*.fsd"), QStringLiteral("*.dtx"),
                            QStringLiteral("*.FSD"), QStringLiteral("*.DTX")};
  if (!QDir::current().entryList(data, QDir::Files).isEmpty()) return QDir::currentPath();
  const QFileInfo demo(QString::fromStdString(FindDataFile("demo.fsd")));
  return demo.isFile() ? demo.absolutePath() : QDir::currentPath();
}

std::string ControlDlg::NativePath(const QString& path) {
  namespace fs = std::filesystem;
  const QByteArray encoded = QFile::encodeName(path);
  std::error_code error;
  if (!path.contains(QChar::ReplacementCharacter) ||
      fs::exists(fs::path(encoded.toStdString()), error))
    return encoded.toStdString();
  fs::path native = path.startsWith(QLatin1Char('/')) ? fs::path("/") : fs::path();
  for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    fs::path next = native / QFile::encodeName(part).toStdString();
    if (part.contains(QChar::ReplacementCharacter)) {
      int matches = 0;
      const fs::path folder = native.empty() ? fs::path(".") : native;
      for (fs::directory_iterator it(folder, error), end; !error && it != end;
           it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (QFile::decodeName(QByteArray::fromStdString(name)) == part && ++matches == 1)
          next = native / name;
      }
      if (matches > 1) next = native / QFile::encodeName(part).toStdString();
    }
    native = std::move(next);
  }
  return native.string();
}

QPoint ControlDlg::PlaceInside(QPoint wanted, QSize frame, const QRect& area) {
  const int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - frame.width()));
  const int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - frame.height()));
  return {x, y};
}

void ControlDlg::MoveOnScreen(QPoint wanted) {
  const QScreen* screen = QGuiApplication::screenAt(wanted);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    move(wanted);
    return;
  }
  FitOnScreen(screen->availableGeometry());
  move(PlaceInside(wanted, frameGeometry().size(), screen->availableGeometry()));
}

QString ControlDlg::FileTitle(const QString& path) {
  // Both separators: paths typed or passed on the command line may use either.
  const qsizetype slash =
      std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return slash < 0 ? path : path.mid(slash + 1);
}

void ControlDlg::OnBrowseFst() {
  const QString chosen = SelectFile(FILE_FST);
  if (chosen.isEmpty()) return;
  fstPath = chosen;
  GetDlgItemAs<QLineEdit>(this, IDC_FST_FILE)->setText(FileTitle(fstPath));
  PostToMain(UWM_LOAD_FST, 0, 0);
}

void ControlDlg::OnBrowseData() {
  const QString chosen = SelectFile(FILE_VECTOR_DATA);
  if (chosen.isEmpty()) return;
  dataPath = chosen;
  LoadDataFile();
}

bool ControlDlg::LoadDataFile() {
  GetDlgItemAs<QLineEdit>(this, IDC_DATA_FILE)->setText(FileTitle(dataPath));
  bool lowMemory = false;
  if (!workbench.LoadDataFile(NativePath(dataPath), &lowMemory)) {
    if (!lowMemory) ShowMessage("Cannot open file to read!");  // else "Low memory!" was said
    return false;
  }
  firstView.ShowLoadedPoints();
  secondView.ShowLoadedPoints();
  PostToMain(UWM_REDRAW, 0, 0);
  return true;
}

void ControlDlg::OnCoordinatesClicked() {
  PostToMain(UWM_SHOW_COORDINATES, 0, ButtonState(coordinatesCheck));
}

void ControlDlg::OnFstObjectClicked() {
  alphaSlider->setEnabled(ButtonState(mainSphereCheck) == BST_CHECKED ||
                          ButtonState(fstObjectCheck) == BST_CHECKED);
  PostToMain(UWM_SHOW_FST_OBJECT, 0, ButtonState(fstObjectCheck));
}

void ControlDlg::EnableSphereControls(bool sphere, bool fstObject) {
  frontOnlyCheck->setEnabled(sphere);
  distanceCheck->setEnabled(sphere);
  sphereSizeCombo->setEnabled(sphere);
  alphaSlider->setEnabled(sphere || fstObject);
}

void ControlDlg::OnMainSphereClicked() {
  const int selection = sphereSizeCombo->currentIndex();
  const int state = ButtonState(mainSphereCheck);
  const bool on = state == BST_CHECKED && selection != -1;
  EnableSphereControls(on, ButtonState(fstObjectCheck) == BST_CHECKED);
  PostToMain(UWM_SHOW_MAIN_SPHERE, static_cast<WPARAM>(static_cast<LPARAM>(selection)), state);
}

void ControlDlg::OnSphereSizeChanged(int selection) {
  if (selection == -1) return;
  PostToMain(UWM_SHOW_MAIN_SPHERE, static_cast<WPARAM>(selection), ButtonState(mainSphereCheck));
}

void ControlDlg::OnFrontOnlyClicked() {
  PostToMain(UWM_FRONT_ONLY, 0, ButtonState(frontOnlyCheck));
}

void ControlDlg::OnAlphaChanged(int position) {
  PostToMain(UWM_SET_ALPHA, 0, position);
}

void ControlDlg::OnDistanceClicked() {
  PostToMain(UWM_DISTANCE_MODE, 0, ButtonState(distanceCheck));
}

void ControlDlg::OnPtPlaneClicked() {
  PostToMain(UWM_SHOW_PT_PLANE, 0, ButtonState(ptPlaneCheck));
}

void ControlDlg::OnScaleLeft() {
  // Decimal numbers only, as the files read them ("0x10" is 0, "nan" and "inf" are not
  // numbers); a value beyond a float counts as 0, as in the position file, so the scene
  // is drawn at scale 1 instead of vanishing.
  const QByteArray text = GetDlgItemAs<QLineEdit>(this, IDC_SCALE)->text().toLocal8Bit();
  auto scale = static_cast<float>(ParseAtof(text.constData()));
  if (!std::isfinite(scale)) scale = 0.0f;
  PostToMain(UWM_SET_SCALE, 0, FloatToLParam(scale));
}

void ControlDlg::OnSkipNegativeStClicked() {
  const bool skip = ButtonState(skipNegativeStCheck) == BST_CHECKED;
  firstView.camera.skipNegativeST = skip;
  secondView.camera.skipNegativeST = skip;
  PostToMain(UWM_VIEWS_CHANGED, 0, VIEW_PANTILT);
  PostToMain(UWM_REDRAW, 0, 0);
}

void ControlDlg::OnWhiteBackgroundClicked() {
  PostToMain(UWM_WHITE_BACKGROUND, 0, ButtonState(whiteBackgroundCheck) == BST_CHECKED ? 1 : 0);
}

}  // namespace velmora
