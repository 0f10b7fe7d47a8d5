// Keeping and explaining what the main window shows: the help window, the colour legend,
// the frame as a PNG, the midpoints as PLY, the poses as a position file and the
// velmora-cli render command that draws the frame again.

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <cctype>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "app/HelpDlg.h"
#include "app/MainDlg.h"
#include "app/MainMenu.h"
#include "app/MainPoses.h"
#include "app/ProfileDlg.h"
#include "base/Notify.h"
#include "data/ui/ControlDlg.h"
#include "render/ErrorMaps.h"
#include "render/Export.h"
#include "render/gl/EglSurface.h"
#include "render/image/FrameImage.h"

namespace velmora {

namespace {

QString RunSaveDialog(QWidget* owner, const MainDlg::SaveDialogRequest& request) {
  // A start path that names a file opens its folder with the name proposed.
  QFileDialog dialog(owner, request.title, request.startPath);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(request.nameFilter);
  dialog.setDefaultSuffix(request.suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// The exports say "cannot write FILE: why"; the box starts with a capital.
void ReportFailure(std::string why) {
  if (!why.empty()) why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
  ShowMessage(why);
}

// velmora-cli may run from another folder than the one the files were chosen in.
std::string AbsolutePath(const QString& path) {
  return QFileInfo(path).absoluteFilePath().toStdString();
}

// The scene drawn off screen through the surface velmora-cli render draws on, so that the
// two pictures come from one rasteriser: the window's may round shaded colours otherwise.
// A null picture when there is no such surface.
QImage DrawOffscreen(const Scene& shown, int width, int height) {
  EglSurface surface;
  std::string why;
  if (!surface.Create(width, height, why)) return {};
  Scene scene(shown.workbench);
  scene.imageDecoder = shown.imageDecoder;
  // A plane picture that failed to load is not tried again for the copy.
  if (shown.planeTexture == -2) scene.planeTexture = -2;
  scene.Init(&surface);
  scene.SetFrame(shown.Frame());
  scene.Resize(width, height);
  scene.Draw();
  return FrameImage(surface.ReadPixels());
}

}  // namespace

std::function<QString(QWidget*, const MainDlg::SaveDialogRequest&)> MainDlg::saveDialog =
    RunSaveDialog;

bool MainDlg::OnToolKey(const QKeyEvent& event) {
  const int command = CommandForKey(event);
  if (command < 0) return false;
  MainCommands()[static_cast<std::size_t>(command)].run(*this);
  return true;
}

void MainDlg::ShowHelp() {
  if (help_ == nullptr) help_ = new HelpDlg(this);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void MainDlg::ToggleLegend() {
  legendOn_ = !legendOn_;
  update();
}

void MainDlg::ToggleErrorKind() {
  Workbench& w = scene.workbench;
  w.SetErrorKind(w.GetErrorKind() == ErrorKind::kPlain ? ErrorKind::kBaseline : ErrorKind::kPlain);
  update();
}

void MainDlg::ShowProfile() {
  if (profile_ == nullptr) {
    // A click on a sample is an edit of that view's panel: values shown, view recomputed,
    // one step to undo.
    profile_ = new ProfileDlg(
        scene.workbench,
        [this](int index, const CameraParams& params) {
          poses_->BeginGesture();
          ViewDlg& v = index == 0 ? controlPanel_->firstView : controlPanel_->secondView;
          v.camera.SetParams(params);
          v.UpdatePanel();
          v.UpdateCamera(VIEW_ALL);
          update();
        },
        this);
  }
  profile_->show();
  profile_->raise();
  profile_->activateWindow();
}

void MainDlg::LegendRange(double& min, double& max) const {
  velmora::LegendRange(scene.workbench, min, max);
}

QImage MainDlg::RenderedFrame() {
  const int w = static_cast<int>(width() * devicePixelRatio());
  const int h = static_cast<int>(height() * devicePixelRatio());
  doneCurrent();  // the off-screen context takes this thread for the draw
  QImage image = DrawOffscreen(scene, w, h);
  if (image.isNull()) {
    // No off-screen OpenGL (nor velmora-cli render, then): the window's own pixels.
    bareFrame_ = true;
    image = grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    bareFrame_ = false;
    image.setDevicePixelRatio(1);
  }
  update();  // the window's frame is drawn again with its text and legend
  if (image.isNull()) return image;
  QPainter painter(&image);
  PaintFrameTexts(painter, image.width(), image.height(), scene.workbench, legendOn_);
  painter.end();
  return image;
}

RenderCommand MainDlg::CurrentRenderCommand() const {
  const Workbench& bench = scene.workbench;
  RenderCommand s;
  s.width = static_cast<int>(width() * devicePixelRatio());
  s.height = static_cast<int>(height() * devicePixelRatio());
  // The shape first: the end state is the same in either order, as the window recomputes
  // after each load and velmora-cli after the last.
  if (bench.fstObject.GetPointCount() > 0 && !controlPanel_->fstPath.isEmpty())
    s.files.push_back(AbsolutePath(controlPanel_->fstPath));
  if (bench.First().GetPointCount() > 0 && !controlPanel_->dataPath.isEmpty())
    s.files.push_back(AbsolutePath(controlPanel_->dataPath));
  s.cameras[0] = bench.First().GetParams();
  s.cameras[1] = bench.Second().GetParams();
  s.frame = scene.Frame();
  s.frame.display.legend = legendOn_;  // the window paints it, not the scene
  return s;
}

QString MainDlg::AskSavePath(const QString& title, const QString& name, const QString& filter,
                             const QString& suffix) {
  // The folder of the last file saved, else the current directory.
  const QString folder =
      lastSavePath_.isEmpty() ? QDir::currentPath() : QFileInfo(lastSavePath_).absolutePath();
  const QString chosen =
      saveDialog ? saveDialog(this, {title, QDir(folder).filePath(name), filter, suffix})
                 : QString();
  if (!chosen.isEmpty()) lastSavePath_ = chosen;
  return chosen;
}

bool MainDlg::SaveFramePng() {
  const QString path = AskSavePath(QStringLiteral("Save frame as PNG"), QStringLiteral("frame.png"),
                                   QStringLiteral("PNG pictures (*.png)"), QStringLiteral("png"));
  if (path.isEmpty()) return false;
  const QImage image = RenderedFrame();
  std::string why = "cannot write " + path.toStdString() + ": the frame cannot be read back";
  if (!image.isNull() && WritePngFile(image, path.toStdString(), why)) return true;
  ReportFailure(why);
  return false;
}

bool MainDlg::ExportMidpoints() {
  // Said before the file dialog: there is nothing to choose a name for.
  std::string why;
  if (!HasMidpoints(scene.workbench.First(), why)) {
    ReportFailure(why);
    return false;
  }
  const QString path =
      AskSavePath(QStringLiteral("Export midpoints as PLY"), QStringLiteral("midpoints.ply"),
                  QStringLiteral("PLY point clouds (*.ply)"), QStringLiteral("ply"));
  if (path.isEmpty()) return false;
  if (WriteMidpointsPly(path.toStdString(), scene.workbench.First(), why)) return true;
  ReportFailure(why);
  return false;
}

bool MainDlg::WritePositions() {
  const QString path =
      AskSavePath(QStringLiteral("Write position file"), QStringLiteral("position.txt"),
                  QStringLiteral("Position files (*.txt)"), QStringLiteral("txt"));
  if (path.isEmpty()) return false;
  // The views' scale is the Scale box's value, 0 included, as F6 sets it.
  std::string why;
  if (WritePositionFile(path.toStdString(), scene.workbench.First(), scene.workbench.Second(),
                        scene.workbench.Second().GetScale(), why))
    return true;
  ReportFailure(why);
  return false;
}

void MainDlg::CopyRenderCommand() {
  QGuiApplication::clipboard()->setText(
      QString::fromStdString(RenderCommandLine(CurrentRenderCommand())));
}

}  // namespace velmora
