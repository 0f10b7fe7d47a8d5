#include "app/MainDlg.h"

#include <GL/gl.h>

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QShowEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/AboutDlg.h"
#include "camera/CameraTransitions.h"
#include "camera/ui/ViewDlg.h"
#include "data/ui/ControlDlg.h"
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

// Ctrl, Shift and Z: held down as mouse modes rather than acting once.
bool IsModeKey(int key) {
  return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Z;
}

MainDlg::LocalFileNames LocalNames(const QStringList& names) {
  QList<QByteArray> local;
  for (const QString& name : names) local << QFile::encodeName(name);
  return MainDlg::LocalFileNames(std::move(local));
}

}  // namespace

MainDlg::MainDlg(ControlDlg* controlPanel, const QStringList& arguments)
    : MainDlg(controlPanel, LocalNames(arguments)) {}

MainDlg::MainDlg(ControlDlg* controlPanel, LocalFileNames arguments)
    : QOpenGLWidget(nullptr),
      scene(controlPanel->workbench, controlPanel->firstView.AsSceneView(),
            controlPanel->secondView.AsSceneView()),
      controlPanel_(controlPanel),
      arguments_(std::move(arguments.names)) {
  // Mapped over the second view's positions as the panels first computed it.
  // One dialog stays up for the five loads rather than one opening per file.
  ProgDlg progress;
  progress.HoldOpen(true);
  scene.workbench.LoadSampleSpheres(
      [](int size) { PostAppMessage(g_hControlWnd.load(), UWM_ADD_SPHERE_SIZE, 0, size); },
      &progress);
  progress.HoldOpen(false);
  BuildDialog(this, FindDialogTemplate(IDD_MAIN));
  FillStepTable(stepTable);
  scene.showWaitNotice = MakeWaitNotice();
  scene.imageDecoder = DecodeImageFile;
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

MainDlg::~MainDlg() {
  StopCameraAnimation();
}

bool MainDlg::MakeCurrent() {
  if (context() == nullptr || !context()->isValid()) return false;
  if (!inGlCallback_) makeCurrent();
  return true;
}

void MainDlg::DoneCurrent() {
  if (!inGlCallback_) doneCurrent();
}

// QOpenGLWidget presents its framebuffer itself once paintGL returns.
void MainDlg::SwapBuffers() {}

void MainDlg::initializeGL() {
  FlagScope scope(inGlCallback_);
  OnInitDialog();
}

void MainDlg::OnInitDialog() {
  setWindowIcon(AppIcon());
  scene.Init(this);
  scene.SetClearColor(0.5f, 0.5f, 0.5f);
  initialized_ = true;
  scene.Resize(width() * devicePixelRatio(), height() * devicePixelRatio());
  g_hMainWnd = this;
  setWindowTitle(QStringLiteral("Left: move around, Right: zoom in/out"));
  // The files named on the command line load as soon as this OpenGL callback has
  // returned, so that the progress dialog can paint: when the window is shown (the first
  // show runs this initialisation), or, should the context come later, from a queued
  // call.
  commandLinePending_ = true;
  QMetaObject::invokeMethod(this, &MainDlg::FinishStartUp, Qt::QueuedConnection);
  controlPanel_->firstView.SetVectorsTitle(QStringLiteral("Left view"));
  controlPanel_->secondView.SetVectorsTitle(QStringLiteral("Right view"));
}

void MainDlg::showEvent(QShowEvent* event) {
  QOpenGLWidget::showEvent(event);
  // Shown before the event loop runs: the files load before any input is handled.
  FinishStartUp();
}

void MainDlg::FinishStartUp() {
  if (!commandLinePending_) return;
  commandLinePending_ = false;
  ProcessCommandLine();
  startedUp_ = true;
}

void MainDlg::ProcessCommandLine() {
  for (const QByteArray& argument : arguments_) {
    const QByteArray ending = argument.right(3);
    if (ending.compare("fsd", Qt::CaseInsensitive) == 0) {
      controlPanel_->fstPath = QFile::decodeName(argument);
      PostAppMessage(g_hControlWnd.load(), UWM_FST_LOADED, 0, LoadFstObject(argument));
    } else if (ending.compare("dtx", Qt::CaseInsensitive) == 0) {
      controlPanel_->dataPath = QFile::decodeName(argument);
      controlPanel_->LoadDataFile();
    }
  }
}

int MainDlg::LoadFstObject(const QString& path) {
  // A name that came through a QString may have lost bytes that are not UTF-8.
  return LoadFstObject(QByteArray::fromStdString(ControlDlg::NativePath(path)));
}

int MainDlg::LoadFstObject(const QByteArray& localPath) {
  ProgDlg progress;
  return scene.workbench.fstObject.Load(localPath.toStdString(), &progress);
}

void MainDlg::resizeGL(int w, int h) {
  FlagScope scope(inGlCallback_);
  OnSize(w, h);
}

void MainDlg::OnSize(int cx, int cy) {
  if (!initialized_) return;
  // The viewport is in device pixels while Qt reports logical ones.
  scene.Resize(static_cast<int>(cx * devicePixelRatio()),
               static_cast<int>(cy * devicePixelRatio()));
  update();
}

void MainDlg::paintGL() {
  FlagScope scope(inGlCallback_);
  OnPaint();
  ReportFirstFrame();
}

// scripts/first-frame.sh measures the start-up: with VELMORA_FIRST_FRAME set, the wall
// clock of the first finished frame goes to stderr once.
void MainDlg::ReportFirstFrame() {
  static bool reported = false;
  if (reported || std::getenv("VELMORA_FIRST_FRAME") == nullptr) return;
  reported = true;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::fprintf(
      stderr, "first-frame %lld\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

void MainDlg::OnPaint() {
  scene.Draw();
  DrawErrorText();
}

QString MainDlg::ErrorText(double error) {
  return QString::fromStdString(FormatErrorText(error));
}

void MainDlg::DrawErrorText() {
  const ViewDlg* second = g_pSecondView.load();
  // A frame grabbed for saving gets its text painted as velmora-cli paints it.
  if (second == nullptr || bareFrame_) return;
  const QString text = ErrorText(second->ReconstructionError());
  if (text.isEmpty() && !legendOn_) return;
  // The text painter resets OpenGL state that the scene sets once per resize; keep it.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  // The text is the window's, not the scene's: wireframe mode must not outline its glyphs.
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  {
    QPainter painter(this);
    PaintErrorText(painter, width(), height(), text);
    if (legendOn_) DrawLegend(painter);
  }
  glPopAttrib();
}

bool MainDlg::event(QEvent* e) {
  return DispatchAppMessage(e, *this) || QOpenGLWidget::event(e);
}

void MainDlg::WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) {
  ViewDlg& first = controlPanel_->firstView;
  ViewDlg& second = controlPanel_->secondView;
  switch (msg) {
    case UWM_LOAD_FST:
      PostAppMessage(g_hControlWnd.load(), UWM_FST_LOADED, 0,
                     LoadFstObject(controlPanel_->fstPath));
      PostAppMessage(this, UWM_VIEWS_CHANGED, 0, 0);
      update();
      break;
    case UWM_REDRAW:
      update();
      break;
    case UWM_VIEWS_CHANGED:  // recomputes only; the redraw comes with its own message
      scene.workbench.RecolourAfterViewChange(static_cast<int>(lParam));
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
      const float c = lParam != 0 ? 1.0f : 0.5f;
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

bool MainDlg::RepeatsLastRelease(const QKeyEvent& event) const {
  // A synthetic event carries no time (0) and is never taken for a repeat.
  return event.timestamp() != 0 && event.key() == releasedKey_ && event.timestamp() == releasedAt_;
}

void MainDlg::keyPressEvent(QKeyEvent* event) {
  // X11 may repeat a held key as a release and a press of one timestamp, unflagged. Such a
  // press acts no more than a flagged one; the keys held as modes go down again at once,
  // so Ctrl, Shift and Z stay down.
  const bool repeatedPair = RepeatsLastRelease(*event);
  releasedKey_ = 0;
  if (event->isAutoRepeat()) return;
  if (repeatedPair) {
    if (IsModeKey(event->key())) OnKeyDown(*event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Escape:  // the standard dialog ending
      close();
      return;
    case Qt::Key_F1:  // there is no system menu to extend: F1 opens the About box
      OnSysCommand(IDM_ABOUTBOX);
      return;
    default:
      OnKeyDown(*event);
      QOpenGLWidget::keyPressEvent(event);
  }
}

void MainDlg::keyReleaseEvent(QKeyEvent* event) {
  // X11 repeats a held key as release and press pairs; only the real release counts.
  if (!event->isAutoRepeat()) {
    releasedKey_ = event->key();
    releasedAt_ = event->timestamp();
    OnKeyUp(*event);
  }
  QOpenGLWidget::keyReleaseEvent(event);
}

void MainDlg::mouseMoveEvent(QMouseEvent* event) {
  OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
  QOpenGLWidget::mouseMoveEvent(event);
}

// The menu key stands in for the system menu; the right mouse button belongs to navigation.
void MainDlg::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Keyboard) return;
  QMenu menu(this);
  menu.addAction(QString::fromUtf8(kAboutMenuText), this, [this] { OnSysCommand(IDM_ABOUTBOX); });
  AddToolActions(menu);
  menu.exec(mapToGlobal(QPoint(8, 8)));
}

void MainDlg::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}

}  // namespace velmora
