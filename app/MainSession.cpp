// The main window's sessions: its state saved as a file, and a file opened through the one
// sequence of steps that velmora-cli render also runs (ApplySession).

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "app/MainDlg.h"
#include "app/MainPoses.h"
#include "base/Notify.h"
#include "data/ui/ControlDlg.h"
#include "render/Export.h"
#include "render/SessionApply.h"

namespace velmora {

namespace {

// What opening a session does in the windows: the files load as the command line loads
// them, the panels and boxes show the values set.
class WindowSessionHost final : public SessionHost {
 public:
  WindowSessionHost(MainDlg& main, ControlDlg& control) : main_(main), control_(control) {}

  bool LoadFst(const std::string& path) override {
    return LoadFstForPanel(control_, QByteArray::fromStdString(path)) > 0;
  }
  bool LoadData(const std::string& path) override {
    control_.dataPath = QFile::decodeName(QByteArray::fromStdString(path));
    return control_.LoadDataFile();
  }
  void ShowCameras() override {
    control_.firstView.UpdatePanel();
    control_.secondView.UpdatePanel();
  }
  bool ShowFrame(const FrameState& frame) override { return main_.ShowFrame(frame); }
  void SetControlledView(int view) override {
    (view == 0 ? control_.firstView : control_.secondView).OnControlClicked();
  }

 private:
  MainDlg& main_;
  ControlDlg& control_;
};

std::string Absolute(const QString& path) {
  return path.isEmpty() ? std::string()
                        : ControlDlg::NativePath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

bool MainDlg::ShowFrame(const FrameState& frame) {
  const bool shown = scene.SetFrame(frame);
  legendOn_ = frame.display.legend;
  controlPanel_->ShowFrame(frame, scene.workbench.First().skipNegativeST);
  navigation_.navigator.UpdateMouseMode(MODE_CENTRE, frame.display.centreMode);
  // The vectors windows take the background too.
  WindowProc(UWM_WHITE_BACKGROUND, 0, frame.display.white ? 1 : 0);
  update();
  return shown;
}

Session MainDlg::CurrentSession() const {
  const ViewDlg& first = controlPanel_->firstView;
  // The paths of what is loaded: a file chosen but refused left the old one drawn.
  const Workbench& bench = scene.workbench;
  return CaptureSession(bench, CurrentRenderCommand().frame, first.IsControlled() ? 0 : 1,
                        bench.fstObject.GetPointCount() > 0 ? Absolute(controlPanel_->fstPath) : "",
                        bench.First().GetPointCount() > 0 ? Absolute(controlPanel_->dataPath) : "");
}

bool MainDlg::SaveSessionPath(const QString& path, QString& why) {
  std::string failure;
  if (WriteSessionFile(QFile::encodeName(path).toStdString(), CurrentSession(), failure))
    return true;
  why = QString::fromStdString(failure);
  return false;
}

bool MainDlg::OpenSessionPath(const QString& path, QString& why) {
  WindowSessionHost host(*this, *controlPanel_);
  poses_->BeginGesture();  // opening can be undone like a gesture
  std::string failure;
  std::vector<std::string> warnings;
  const bool opened = OpenSessionFile(QFile::encodeName(path).toStdString(), scene.workbench, host,
                                      failure, warnings);
  for (const std::string& warning : warnings) {
    std::fprintf(stderr, "velmora: %s\n", warning.c_str());
    ShowMessage(warning);
  }
  why = QString::fromStdString(failure);
  return opened;
}

bool MainDlg::SaveSession() {
  const QString path = AskSavePath(QStringLiteral("Save session"), QStringLiteral("session.json"),
                                   QStringLiteral("Sessions (*.json)"), QStringLiteral("json"));
  QString why;
  if (path.isEmpty() || SaveSessionPath(path, why)) return !path.isEmpty();
  ShowMessage(why.toStdString());
  return false;
}

bool MainDlg::OpenSession() {
  FileDialogRequest request;
  request.owner = this;
  request.title = QStringLiteral("Open session");
  request.startPath = ControlDlg::OpenStartFolder(controlPanel_->lastOpenPath);
  request.nameFilters = {QStringLiteral("Sessions (*.json)"), QStringLiteral("All Files (*)")};
  const QString path = ControlDlg::fileDialog ? ControlDlg::fileDialog(request) : QString();
  if (path.isEmpty()) return false;
  controlPanel_->lastOpenPath = path;
  QString why;
  if (OpenSessionPath(path, why)) return true;
  ShowMessage("Cannot open the session: " + why.toStdString());
  return false;
}

}  // namespace velmora
