#pragma once
// The main window: its whole client area is the OpenGL view of the scene. Its caption is
// the status line of the mouse navigation.

#include <QOpenGLWidget>
#include <QStringList>
#include <functional>

#include "camera/CameraTransitions.h"
#include "platform/MessageQueue.h"
#include "render/gl/GlSurface.h"
#include "render/gl/Scene.h"

class QImage;
class QMenu;
class QPainter;

namespace velmora {

class ControlDlg;
class HelpDlg;
struct RenderCommand;

// Key flags of the main window.
enum : int { MODE_CTRL = 1, MODE_SHIFT = 2, MODE_CENTRE = 4, MODE_SLOW = 8 };

// System-menu command of the About box.
constexpr int IDM_ABOUTBOX = 0x0010;

class MainDlg : public QOpenGLWidget, public GlSurface, public MessageReceiver {
  Q_OBJECT
 public:
  // The command line after the program name, as the C library takes file names: the
  // local 8-bit encoding, which need not be valid text.
  struct LocalFileNames {
    explicit LocalFileNames(QList<QByteArray> list) : names(std::move(list)) {}
    QList<QByteArray> names;
  };
  MainDlg(ControlDlg* controlPanel, LocalFileNames arguments);
  MainDlg(ControlDlg* controlPanel, const QStringList& arguments);
  ~MainDlg() override;

  void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;
  void OnSysCommand(int id);

  // GlSurface
  bool MakeCurrent() override;
  void DoneCurrent() override;
  void SwapBuffers() override;

  // The text written over the frame: the second view's reconstruction error, or empty
  // when it is not a finite number.
  static QString ErrorText(double error);

  // Loads an FST file into the scene's FST object behind the progress dialog; returns
  // the loader's result.
  int LoadFstObject(const QString& path);
  int LoadFstObject(const QByteArray& localPath);

  // Mouse and keyboard navigation (Navigation.cpp).
  void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint point);
  void OnKeyDown(const QKeyEvent& event);
  void OnKeyUp(const QKeyEvent& event);
  void UpdateMouseMode(int bit, bool on);
  // The caption that names what the mouse buttons do under these key flags.
  static QString MouseModeCaption(int keyFlags);
  // Reads "position.txt" into the position targets. When it cannot be read, the views
  // take the fallback pose at once and false is returned.
  bool LoadPositionFile();

  // Camera transitions of the kind stored in transitionKind (Navigation.cpp).
  void StartCameraAnimation();
  // Ends running and waiting transitions; returns once their threads are gone.
  void StopCameraAnimation();
  bool CameraAnimationIdle() const { return transitions_.Idle(); }

  // True once the window has its context and the files of the command line are loaded.
  bool StartedUp() const { return startedUp_; }

  Scene scene;
  int lastX = -1, lastY = -1;
  int keyFlags = 0;
  int transitionKind = 0;
  double savedPose[7] = {};
  double positionTargets[9] = {};
  int savedPoseOwner = 0;
  double zoomFactor = 0.84;
  double stepTable[22] = {};
  double currentStep = 0, progress = 0;
  int stepIndex = 0, cruiseCount = 0, phase = 0;
  int frameBudget = 25;

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
  void OnInitDialog();
  void ProcessCommandLine();
  // Runs the command line once OnInitDialog has asked for it.
  void FinishStartUp();
  void OnSize(int cx, int cy);
  // One mouse drag step with each button, by the pixels moved and the slow factor.
  void DragLeft(double dx, double dy, double slow, bool shift, bool ctrl);
  void DragRight(double dy, double slow, bool shift, bool ctrl);
  void OnPaint();
  void ReportFirstFrame();
  void DrawErrorText();

  // Whether a press is the second half of an X11 repeat pair (see keyPressEvent).
  bool RepeatsLastRelease(const QKeyEvent& event) const;

  ControlDlg* controlPanel_;
  // The key and time of the last release, until the next press.
  int releasedKey_ = 0;
  quint64 releasedAt_ = 0;
  QList<QByteArray> arguments_;
  bool initialized_ = false;
  bool commandLinePending_ = false;
  bool startedUp_ = false;
  // Inside Qt's own GL callbacks the context is Qt's to manage: our release is skipped.
  bool inGlCallback_ = false;

  // The transition worker's hooks; they run on the worker thread and hand their work to
  // the user-interface thread, which owns the observer, the views and the painting.
  bool PrepareTransition(TransitionPlan& plan);
  void ApplyTransitionFrame(const TransitionFrame& frame);
  // Runs work on the user-interface thread and waits for it; false when stopping.
  bool HandOver(const std::function<void()>& work);
  CameraTransitionWorker transitions_{
      {[this](TransitionPlan& plan) { return PrepareTransition(plan); },
       [this](const TransitionFrame& frame) { ApplyTransitionFrame(frame); }}};

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
  // F2, L, F3, E, W and C; false for any other key, which navigation then handles.
  bool OnToolKey(const QKeyEvent& event);
  void ShowHelp();
  void ToggleLegend();
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
  void AddToolActions(QMenu& menu);
  void DrawLegend(QPainter& painter);
  QString AskSavePath(const QString& title, const QString& name, const QString& filter,
                      const QString& suffix);
  HelpDlg* help_ = nullptr;
  bool legendOn_ = false;
  bool bareFrame_ = false;  // the scene only: the frame is grabbed for a save
  QString lastSavePath_;
};

}  // namespace velmora
