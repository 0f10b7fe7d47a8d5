#pragma once
// The main window: its whole client area is the OpenGL view of the scene. Its caption is
// the status line of the mouse navigation.

#include <QOpenGLWidget>
#include <functional>
#include <memory>

#include "camera/CameraTransitions.h"
#include "platform/MessageQueue.h"
#include "render/Navigator.h"
#include "render/Session.h"
#include "render/gl/GlSurface.h"
#include "render/gl/Scene.h"

class QImage;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QPainter;

namespace velmora {

class ControlDlg;
class HelpDlg;
class ProfileDlg;
class MainDlg;
class MainPoses;
struct RenderCommand;

// System-menu command of the About box.
constexpr int IDM_ABOUTBOX = 0x0010;

// The main window's side of the camera transitions (Navigation.cpp): what it keeps between
// them, and the hand-over of each plan and frame to the user-interface thread, which owns
// the observer, the views and the painting.
class MainFlights {
 public:
  explicit MainFlights(MainDlg& window);
  // Starts a transition of this kind and returns at once; a waiting one reads the kind
  // stored last when it begins.
  void StartCameraAnimation(int kind);
  // Ends running and waiting transitions; returns once their threads are gone.
  void StopCameraAnimation();
  bool Idle() const { return worker_.Idle(); }

  TransitionState state;
  double positionTargets[kPositionTargetCount] = {};

 private:
  // The worker's hooks; they run on the worker thread.
  bool PrepareTransition(TransitionPlan& plan);
  void ApplyTransitionFrame(const TransitionFrame& frame);
  // Runs work on the user-interface thread and waits for it; false when stopping.
  bool HandOver(const std::function<void()>& work);

  MainDlg& window_;
  int kind_ = 0;
  CameraTransitionWorker worker_{
      {[this](TransitionPlan& plan) { return PrepareTransition(plan); },
       [this](const TransitionFrame& frame) { ApplyTransitionFrame(frame); }}};
};

// The main window's navigation (Navigation.cpp): its Qt key and mouse events become the
// navigator's plain ones, and what the navigator asks of the program is done here.
class MainNavigation final : public NavigatorHost {
 public:
  MainNavigation(MainDlg& window, ControlDlg& controlPanel);

  static KeyPress Translate(const QKeyEvent& event);
  static MouseMove Translate(const QMouseEvent& event);
  // Whether a press acts as a first press. X11 may repeat a held key as a release and a
  // press of one timestamp, unflagged: such a press does not, but the keys held as modes
  // go down again at once, so Ctrl, Shift and Z stay down.
  bool FirstPress(const QKeyEvent& event);
  void Released(const QKeyEvent& event);

  // Declared in this order: the navigator clears the flights' saved pose.
  MainFlights flights;
  Navigator navigator;

 private:
  ViewDrags* View(int index) override;
  void ShowControlPanel() override;
  void ToggleWireframe() override;
  void StartTransition(TransitionKind kind) override;
  bool LoadPositionFile() override;
  void TogglePanelBox(PanelBox box) override;
  void FlipViewBox(int view, ViewBox box) override;
  void PostRedraw() override;
  void Invalidate() override;
  void SetCaption(const std::string& caption) override;

  MainDlg& window_;
  ControlDlg& controlPanel_;
  // The key and time of the last release, until the next press.
  int releasedKey_ = 0;
  quint64 releasedAt_ = 0;
};

// The window's OpenGL context as the scene's surface.
class WidgetSurface final : public GlSurface {
 public:
  explicit WidgetSurface(QOpenGLWidget& widget) : widget_(widget) {}
  bool MakeCurrent() override;
  void DoneCurrent() override;
  // QOpenGLWidget presents its framebuffer itself once paintGL returns.
  void SwapBuffers() override {}
  // Inside Qt's own GL callbacks the context is Qt's to manage: our release is skipped.
  bool inCallback = false;

 private:
  QOpenGLWidget& widget_;
};

// Loads an FST file into the workbench's FST object behind the progress dialog; returns
// the loader's result (> 0: loaded).
int LoadFstObject(Workbench& workbench, const QByteArray& localPath);
// The same for a file the Controls window then names: its FST path set, the file loaded
// and the result posted to it (UWM_FST_LOADED).
int LoadFstForPanel(ControlDlg& panel, const QByteArray& localPath);

// The files named on the command line, loaded once: as soon as the window has its context
// and the progress dialogs can paint.
struct StartUpFiles {
  QList<QByteArray> names;
  bool pending = false;  // the context exists, the files wait
  bool done = false;
  // Opens a session named on the command line (a name ending in "json").
  std::function<void(const QByteArray& name)> openSession = nullptr;
  void Load(ControlDlg& controlPanel);
};

class MainDlg : public QOpenGLWidget, public MessageReceiver {
  Q_OBJECT
 public:
  // The command line after the program name, as the C library takes file names: the
  // local 8-bit encoding, which need not be valid text.
  struct LocalFileNames {
    explicit LocalFileNames(QList<QByteArray> list) : names(std::move(list)) {}
    QList<QByteArray> names;
  };
  MainDlg(ControlDlg* controlPanel, LocalFileNames arguments);
  ~MainDlg() override;

  void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;
  void OnSysCommand(int id);

  // The text written over the frame: the second view's reconstruction error, or empty
  // when it is not a finite number.
  static QString ErrorText(double error);
  // The caption that names what the mouse buttons do under these key flags.
  static QString MouseModeCaption(int keyFlags);

  bool CameraAnimationIdle() const { return navigation_.flights.Idle(); }
  // True once the window has its context and the files of the command line are loaded.
  bool StartedUp() const { return startUp_.done; }
  MainNavigation& Navigation() { return navigation_; }
  ControlDlg& ControlPanel() const { return *controlPanel_; }
  // Undo, redo and the pose bookmarks (MainPoses.cpp).
  MainPoses& Poses() { return *poses_; }

  Scene scene;

 private:
  MainNavigation navigation_;  // after the scene it steers

 signals:
  void closed();

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The scene, then the error text and the legend over it.
  void OnPaint();

  ControlDlg* controlPanel_;
  StartUpFiles startUp_;
  std::unique_ptr<MainPoses> poses_;
  WidgetSurface surface_{*this};

  // Keeping and explaining the frame (MainDlgTools.cpp): the help window, the colour
  // legend, the PNG save, the exports and the render command.
 public:
  struct SaveDialogRequest {
    QString title;
    QString startPath;   // folder and proposed name
    QString nameFilter;  // one Qt name filter
    QString suffix;      // added when the chosen name has none
  };
  // The save-file dialog; tests replace it. Returns the chosen path or an empty string.
  static std::function<QString(QWidget* owner, const SaveDialogRequest&)> saveDialog;
  // Runs the menu command whose key this is (MainCommands); false for any other key,
  // which navigation then handles.
  bool OnToolKey(const QKeyEvent& event);
  void ShowHelp();
  void ToggleLegend();
  // K: the plain error or the baseline error in the corner, the legend and the maps.
  void ToggleErrorKind();
  // G: the error landscape window, made on first use.
  void ShowProfile();
  ProfileDlg* Profile() const { return profile_; }
  bool LegendShown() const { return legendOn_; }
  // The legend's bounds: the range the main sphere's map coloured by; NaN when there is
  // no main sphere or no range to show.
  void LegendRange(double& min, double& max) const;
  // The frame as velmora-cli render draws it: the scene, the error text and the legend
  // when L shows it.
  QImage RenderedFrame();
  // What velmora-cli render needs to draw the current frame again.
  RenderCommand CurrentRenderCommand() const;
  // Each asks for a file, writes it, and reports a failure naming the file; false then
  // or when the dialog was cancelled.
  bool SaveFramePng();
  bool ExportMidpoints();
  bool WritePositions();
  void CopyRenderCommand();

 private:
  QString AskSavePath(const QString& title, const QString& name, const QString& filter,
                      const QString& suffix);
  HelpDlg* help_ = nullptr;
  ProfileDlg* profile_ = nullptr;

  // Sessions (MainSession.cpp).
 public:
  // The state a session keeps: the frame as F3 saves it, both cameras, the controlled
  // view, "No s,t<0" and the loaded files by absolute path.
  Session CurrentSession() const;
  // False with why; opening a damaged file, an unknown version or one naming a missing
  // file changes nothing. Warnings (a changed file) are shown.
  bool SaveSessionPath(const QString& path, QString& why);
  bool OpenSessionPath(const QString& path, QString& why);
  // Each asks for a file and reports a failure; false then or when cancelled.
  bool SaveSession();
  bool OpenSession();
  // The frame set outright, with the control panel's boxes showing it; false when its
  // main sphere did not load.
  bool ShowFrame(const FrameState& frame);

 private:
  bool legendOn_ = false;
  bool bareFrame_ = false;  // the scene only: the frame is grabbed for a save
  QString lastSavePath_;
};

}  // namespace velmora
