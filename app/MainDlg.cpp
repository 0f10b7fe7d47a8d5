#include "app/MainDlg.h"

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QShowEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/AboutDlg.h"
#include "app/MainMenu.h"
#include "app/MainPoses.h"
#include "app/ProfileDlg.h"
#include "base/Notify.h"
#include "camera/ui/ViewDlg.h"
#include "data/ui/ControlDlg.h"
#include "data/ui/ImportDlg.h"
#include "data/ui/MessageDlg.h"
#include "data/ui/ProgDlg.h"
#include "platform/AppIcon.h"
#include "platform/DialogBuilder.h"
#include "render/image/FrameImage.h"
#include "render/image/ImageDecode.h"

namespace velmora {

namespace {

// Sets a flag for the length of a scope.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }

 private:
  bool& flag_;
};

// scripts/first-frame.sh measures the start-up: with VELMORA_FIRST_FRAME set, the wall
// clock of the first finished frame goes to stderr once.
void ReportFirstFrame() {
  static bool reported = false;
  if (reported || std::getenv("VELMORA_FIRST_FRAME") == nullptr) return;
  reported = true;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::fprintf(
      stderr, "first-frame %lld\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

// A file named on the command line that cannot be opened is named in the message: the
// loaders' own message does not say which of the files failed.
bool OpenableNamedFile(const QByteArray& name) {
  // The bytes as given: a name that is not UTF-8 would not survive a QString.
  struct stat info {};
  const bool there = ::stat(name.constData(), &info) == 0;
  if (there && S_ISREG(info.st_mode) && ::access(name.constData(), R_OK) == 0) return true;
  const char* why = !there ? "no such file" : S_ISREG(info.st_mode) ? "not readable" : "not a file";
  std::fprintf(stderr, "velmora: cannot open %s: %s\n", name.constData(), why);
  ShowMessage("Cannot open " + name.toStdString() + ": " + why + ".");
  return false;
}

}  // namespace

int LoadFstObject(Workbench& workbench, const QByteArray& localPath) {
  ProgDlg progress;
  return workbench.fstObject.Load(localPath.toStdString(), &progress);
}

int LoadFstForPanel(ControlDlg& panel, const QByteArray& localPath) {
  panel.fstPath = QFile::decodeName(localPath);
  const int loaded = LoadFstObject(panel.workbench, localPath);
  PostAppMessage(&panel, UWM_FST_LOADED, 0, loaded);
  return loaded;
}

bool WidgetSurface::MakeCurrent() {
  if (widget_.context() == nullptr || !widget_.context()->isValid()) return false;
  if (!inCallback) widget_.makeCurrent();
  return true;
}

void WidgetSurface::DoneCurrent() {
  if (!inCallback) widget_.doneCurrent();
}

void StartUpFiles::Load(ControlDlg& controlPanel) {
  if (!pending) return;
  pending = false;
  // A .json beside a matches file is a rig's FileStorage file, not a session.
  const bool importing = std::any_of(names.begin(), names.end(), [](const QByteArray& name) {
    return name.toLower().endsWith(".csv") || name.toLower().endsWith(".tsv");
  });
  for (const QByteArray& name : names) {
    const QByteArray ending = name.right(3);
    const bool session = !importing && name.right(4).compare("json", Qt::CaseInsensitive) == 0;
    const bool loadable = session || ending.compare("fsd", Qt::CaseInsensitive) == 0 ||
                          ending.compare("dtx", Qt::CaseInsensitive) == 0;
    if (loadable && !OpenableNamedFile(name)) continue;
    if (session && openSession) openSession(name);
    if (ending.compare("fsd", Qt::CaseInsensitive) == 0) {
      LoadFstForPanel(controlPanel, name);
    } else if (ending.compare("dtx", Qt::CaseInsensitive) == 0) {
      controlPanel.dataPath = QFile::decodeName(name);
      controlPanel.LoadDataFile();
    }
  }
  ImportStartUpFiles(controlPanel, names);  // velmora rig.yml matches.csv
  done = true;
}

MainDlg::MainDlg(ControlDlg* controlPanel, LocalFileNames arguments)
    : QOpenGLWidget(nullptr),
      scene(controlPanel->workbench, controlPanel->firstView.AsSceneView(),
            controlPanel->secondView.AsSceneView()),
      navigation_(*this, *controlPanel),
      controlPanel_(controlPanel),
      startUp_{std::move(arguments.names)} {
  poses_ = std::make_unique<MainPoses>(*this);
  scene.drawMarks = [this] { poses_->DrawShownMark(); };
  startUp_.openSession = [this](const QByteArray& name) {
    QString why;
    if (!OpenSessionPath(QFile::decodeName(name), why))
      ShowMessage("Cannot open the session: " + why.toStdString());
  };
  // Mapped over the second view's positions as the panels first computed it.
  // One dialog stays up for the five loads rather than one opening per file.
  ProgDlg progress;
  progress.HoldOpen(true);
  scene.workbench.LoadSampleSpheres(
      [](int size) { PostAppMessage(g_hControlWnd.load(), UWM_ADD_SPHERE_SIZE, 0, size); },
      &progress);
  progress.HoldOpen(false);
  BuildDialog(this, FindDialogTemplate(IDD_MAIN));
  scene.showWaitNotice = MakeWaitNotice();
  scene.imageDecoder = DecodeImageFile;
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

MainDlg::~MainDlg() {
  navigation_.flights.StopCameraAnimation();
  poses_.reset();  // its event filter reads this window
}

// The window's initialisation, once its OpenGL context exists.
void MainDlg::initializeGL() {
  FlagScope scope(surface_.inCallback);
  setWindowIcon(AppIcon());
  scene.Init(&surface_);
  const float grey = BackgroundGrey(false);
  scene.SetClearColor(grey, grey, grey);
  scene.Resize(width() * devicePixelRatio(), height() * devicePixelRatio());
  g_hMainWnd = this;
  setWindowTitle(MouseModeCaption(navigation_.navigator.KeyFlags()));
  // The files named on the command line load as soon as this OpenGL callback has
  // returned, so that the progress dialog can paint: when the window is shown (the first
  // show runs this initialisation), or, should the context come later, from a queued
  // call.
  startUp_.pending = true;
  QMetaObject::invokeMethod(
      this, [this] { startUp_.Load(*controlPanel_); }, Qt::QueuedConnection);
  controlPanel_->firstView.SetVectorsTitle(QStringLiteral("Left view"));
  controlPanel_->secondView.SetVectorsTitle(QStringLiteral("Right view"));
}

void MainDlg::showEvent(QShowEvent* event) {
  QOpenGLWidget::showEvent(event);
  // Shown before the event loop runs: the files load before any input is handled.
  startUp_.Load(*controlPanel_);
}

// Qt calls it only once the context exists.
void MainDlg::resizeGL(int w, int h) {
  FlagScope scope(surface_.inCallback);
  // The viewport is in device pixels while Qt reports logical ones.
  scene.Resize(static_cast<int>(w * devicePixelRatio()), static_cast<int>(h * devicePixelRatio()));
  update();
}

void MainDlg::paintGL() {
  FlagScope scope(surface_.inCallback);
  OnPaint();
  ReportFirstFrame();
}

QString MainDlg::ErrorText(double error) {
  return QString::fromStdString(FormatErrorText(error));
}

QString MainDlg::MouseModeCaption(int flags) {
  return QString::fromStdString(Navigator::MouseModeCaption(flags));
}

void MainDlg::OnPaint() {
  scene.Draw();
  // A frame grabbed for saving gets its text painted as velmora-cli paints it.
  if (bareFrame_) return;
  if (ErrorText(scene.workbench.Error()).isEmpty() && !legendOn_ && poses_->ShownMark() < 0) return;
  // The text painter resets OpenGL state that the scene sets once per resize; keep it.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  // The text is the window's, not the scene's: wireframe mode must not outline its glyphs.
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  {
    QPainter painter(this);
    PaintFrameTexts(painter, width(), height(), scene.workbench, legendOn_);
    poses_->PaintDifference(painter, width(), height());
  }
  glPopAttrib();
}

bool MainDlg::event(QEvent* e) {
  // A held key released while another window has the keyboard (a file dialog, the map's
  // progress dialog) never reaches this one: its mode ends with the focus.
  if (e->type() == QEvent::FocusOut) {
    navigation_.navigator.SetHeldModes(false, false);
  } else if (e->type() == QEvent::FocusIn) {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    navigation_.navigator.SetHeldModes(held & Qt::ControlModifier, held & Qt::ShiftModifier);
  }
  return DispatchAppMessage(e, *this) || QOpenGLWidget::event(e);
}

void MainDlg::WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) {
  ViewDlg& first = controlPanel_->firstView;
  ViewDlg& second = controlPanel_->secondView;
  switch (msg) {
    case UWM_LOAD_FST:
      // A name that came through a QString may have lost bytes that are not UTF-8.
      PostAppMessage(
          g_hControlWnd.load(), UWM_FST_LOADED, 0,
          LoadFstObject(scene.workbench,
                        QByteArray::fromStdString(ControlDlg::NativePath(controlPanel_->fstPath))));
      PostAppMessage(this, UWM_VIEWS_CHANGED, 0, 0);
      update();
      break;
    case UWM_REDRAW:
      update();
      break;
    case UWM_VIEWS_CHANGED:  // recomputes only; the redraw comes with its own message
      scene.workbench.RecolourAfterViewChange(static_cast<int>(lParam));
      if (profile_ != nullptr) profile_->Refresh();
      break;
    case UWM_SHOW_COORDINATES:
      scene.SetShowAxes(lParam == BST_CHECKED);
      update();
      break;
    case UWM_SHOW_FST_OBJECT:
      scene.SetShowFstObject(lParam == BST_CHECKED);
      update();
      break;
    case UWM_SHOW_MAIN_SPHERE:
      scene.workbench.SelectMainSphere(static_cast<int>(static_cast<LPARAM>(wParam)),
                                       lParam == BST_CHECKED);
      update();
      break;
    case UWM_FRONT_ONLY:
      scene.SetFrontOnly(lParam == BST_CHECKED);
      update();
      break;
    case UWM_SET_ALPHA:
      scene.SetAlpha(static_cast<double>(lParam) * 0.01);
      update();
      break;
    case UWM_DISTANCE_MODE:
      scene.workbench.SetDistanceMode(lParam == BST_CHECKED);
      update();
      break;
    case UWM_SHOW_PT_PLANE:
      scene.SetShowPlane(lParam == BST_CHECKED);
      update();
      break;
    case UWM_SET_SCALE: {
      // The scene turns 0 into 1; the views keep the value as sent.
      const float scale = LParamToFloat(lParam);
      scene.SetScale(scale);
      update();
      first.camera.SetScale(scale);
      second.camera.SetScale(scale);
      break;
    }
    case UWM_WHITE_BACKGROUND: {
      const float c = BackgroundGrey(lParam != 0);
      const int clientWidth = static_cast<int>(width() * devicePixelRatio());
      const int clientHeight = static_cast<int>(height() * devicePixelRatio());
      for (ViewDlg* view : {&first, &second}) {
        view->vectorsWindow.SetBackground(c, c, c);
        view->vectorsWindow.update();
      }
      scene.SetClearColor(c, c, c);
      scene.Resize(clientWidth, clientHeight);
      update();
      break;
    }
    case UWM_UPDATE_PANELS:
      first.UpdatePanel();
      second.UpdatePanel();
      break;
    default:
      break;
  }
}

void MainDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDlg about(this);
    about.exec();
  }
}

void MainDlg::keyPressEvent(QKeyEvent* event) {
  if (!navigation_.FirstPress(*event)) return;
  // The menus' keys (Escape ends the window, F1 opens the About box: there is no system
  // menu to extend), else navigation's.
  if (OnToolKey(*event)) return;
  navigation_.navigator.OnKeyDown(MainNavigation::Translate(*event));
  QOpenGLWidget::keyPressEvent(event);
}

void MainDlg::keyReleaseEvent(QKeyEvent* event) {
  navigation_.Released(*event);
  QOpenGLWidget::keyReleaseEvent(event);
}

void MainDlg::mouseMoveEvent(QMouseEvent* event) {
  navigation_.navigator.OnMouseMove(MainNavigation::Translate(*event));
  QOpenGLWidget::mouseMoveEvent(event);
}

// The menu key stands in for the system menu; the right mouse button belongs to navigation.
void MainDlg::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Keyboard) return;
  QMenu menu(this);
  menu.addAction(QString::fromUtf8(kAboutMenuText), this, [this] { OnSysCommand(IDM_ABOUTBOX); });
  // The menu bar's commands, the About box already first.
  AddCommandActions(
      menu, *this, [](const MainCommand& c) { return std::string_view(c.text) != kAboutMenuText; });
  menu.exec(mapToGlobal(QPoint(8, 8)));
}

void MainDlg::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}

}  // namespace velmora
