// render: the workbench's frame as a PNG. The views, the scene and the text are built the
// way the control panel and the main window build them, through the same workbench steps
// in the same order, so that a render of the same files and settings matches what the
// window shows.

#include "cli/CliRender.h"

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <ostream>
#include <string_view>

#include "camera/PositionFile.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliSupport.h"
#include "data/DataFiles.h"
#include "data/SampleSpheres.h"
#include "render/ErrorMaps.h"
#include "render/Export.h"
#include "render/SessionApply.h"
#include "render/Workbench.h"
#include "render/gl/EglSurface.h"
#include "render/gl/Scene.h"
#include "render/image/DialogUnits.h"
#include "render/image/FrameImage.h"
#include "render/image/ImageDecode.h"
#include "render/image/LandscapePlot.h"
#include "resources/DialogTemplates.h"

namespace velmora {

namespace {

using cli::Json;

constexpr const char* kObserverOrder =
    "distance, offsetX, offsetY, offsetZ, angleX, angleY, angleZ";

std::string Prefix() {
  return std::string(cli::kProgram) + ": render: ";
}

// The workbench tells its files by their last three characters, ignoring case.
bool HasEnding(const std::string& path, std::string_view ending) {
  if (path.size() < ending.size()) return false;
  const std::string_view tail = std::string_view(path).substr(path.size() - ending.size());
  for (std::size_t i = 0; i < ending.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(tail[i])) != ending[i]) return false;
  return true;
}

// A vector data file as the Controls window's Browse offers them.
bool IsDataFile(const std::string& path) {
  return HasEnding(path, "dtx") || HasEnding(path, "txt");
}

// Checked before anything is drawn, so that a long render does not end in a failed write.
bool OutputWritable(const std::string& path, std::string& why) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (path.empty()) {
    why = "no file name";
    return false;
  }
  const fs::path file(path);
  if (fs::is_directory(file, ec)) {
    why = path + " is a directory";
    return false;
  }
  const fs::path parent = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  if (!fs::is_directory(parent, ec)) {
    why = "no directory " + parent.string();
    return false;
  }
  const bool ok = fs::exists(file, ec) ? ::access(file.c_str(), W_OK) == 0
                                       : ::access(parent.c_str(), W_OK | X_OK) == 0;
  if (!ok) why = "cannot write " + path;
  return ok;
}

// The size of a profile's or slice's picture.
constexpr int kPlotWidth = 900, kPlotHeight = 600;

// The text needs Qt's fonts, so a GUI application must exist; on the offscreen platform it
// needs no display. A caller that already runs one (a test) keeps its own.
class GuiApplicationScope {
 public:
  GuiApplicationScope() {
    if (QCoreApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes about the environment (no runtime directory and the like) are not
    // the command's output; its critical errors still are.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    // Qt adopts the user's locale; the data files always use a decimal point.
    std::setlocale(LC_NUMERIC, "C");
  }
  bool Usable() const {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  }

 private:
  static inline int argc_ = 1;
  static inline char name_[] = "velmora-cli";
  static inline char* argv_[] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace

void MainWindowStartUpSize(int& width, int& height) {
  const DialogUnits units = DialogUnits::ForFont(QGuiApplication::font());
  const DialogTemplate& main = FindDialogTemplate(IDD_MAIN);
  width = units.X(main.cx);
  height = units.Y(main.cy);
}

namespace {

// The refusal of an option's value: why names the option first.
bool Refuse(std::string& why, const std::string& option, const std::string& reason) {
  why = option + reason;
  return false;
}

// The Controls window's options of the command line.
bool ReadDisplay(const RenderOptions& o, DisplayOptions& d, std::string& why) {
  if (o.mainSphere) {
    const int row = SampleSphereWithLabel(*o.mainSphere);
    if (row < 0) {
      std::string labels;
      for (const SampleSphere& sphere : kSampleSpheres)
        labels += (labels.empty() ? "" : ", ") + std::string(sphere.label);
      return Refuse(why, "--main-sphere: ", "'" + *o.mainSphere + "' is not one of " + labels);
    }
    d.mainSphereSize = kSampleSpheres[row].vertexCount;
  }
  // The scene and the views keep these as floats: 1e300 would become infinity there and
  // 1e-50 a scale of 0 (an infinite image plane), and either draws nothing.
  double number = 0;
  if (o.scale) {
    if (!cli::ParseNumberList(*o.scale, 1, "", &number, why) ||
        !std::isfinite(static_cast<float>(number)) || static_cast<float>(number) == 0.0f)
      return Refuse(why, "--scale: ",
                    "'" + *o.scale + "' is not a number other than 0 within the range of a float");
    d.scale = static_cast<float>(number);
  }
  if (o.alpha) {
    // NaN is refused with the rest: it fails both comparisons.
    if (!cli::ParseNumberList(*o.alpha, 1, "", &number, why) || !(number >= 0 && number <= 1))
      return Refuse(why, "--alpha: ", "'" + *o.alpha + "' is not a number between 0 and 1");
    d.alpha = number;
  }
  d.axes = !o.noAxes;
  d.fstObject = !o.noFst;
  d.frontOnly = o.frontOnly;
  d.distanceMode = o.distanceMode;
  d.plane = o.plane;
  d.white = o.white;
  d.legend = o.legend;
  if (o.error && !cli::ParseErrorOption(*o.error, d.errorKind, why)) return false;
  return true;
}

// The files to read, the picture's size and where it goes.
bool ReadFiles(const RenderOptions& o, RenderCommand& r, std::string& why) {
  for (const std::string& file : o.files) {
    if (!HasEnding(file, "fsd") && !IsDataFile(file))
      return Refuse(why, file, ": neither an FST file (.fsd) nor a vector data file (.dtx, .txt)");
    if (!cli::IsReadableFile(file))
      return Refuse(why, "cannot read ", file + ": " + cli::ReadFailure(file));
  }
  if (o.position && !cli::IsReadableFile(*o.position))
    return Refuse(why, "cannot read position file ",
                  *o.position + ": " + cli::ReadFailure(*o.position));
  if (!o.size.empty() && !ParseRenderSize(o.size, r.width, r.height, why))
    return Refuse(why, "--size: ", why);
  if (!OutputWritable(o.out, why)) return Refuse(why, "--out: ", why);
  r.out = o.out;
  r.files = o.files;
  return true;
}

// The command line, checked and parsed before the context and the spheres: the frame as
// the command asks for it (the Scale only when --scale gives it: the position file's
// otherwise).
bool ReadRequest(const RenderOptions& o, RenderCommand& r, std::string& why) {
  if (o.first && !ParseCameraParams(*o.first, r.cameras[0], why))
    return Refuse(why, "--first: ", why);
  if (o.second && !ParseCameraParams(*o.second, r.cameras[1], why))
    return Refuse(why, "--second: ", why);
  double observer[7] = {};
  if (o.observer && !cli::ParseNumberList(*o.observer, 7, kObserverOrder, observer, why))
    return Refuse(why, "--observer: ", why);
  if (o.observer)
    r.frame.observer = {observer[0], observer[1], observer[2], observer[3],
                        observer[4], observer[5], observer[6]};
  if (o.firstBoxes && !ParseOverlayBoxList(*o.firstBoxes, r.frame.views[0], why))
    return Refuse(why, "--first-options: ", why);
  if (o.secondBoxes && !ParseOverlayBoxList(*o.secondBoxes, r.frame.views[1], why))
    return Refuse(why, "--second-options: ", why);
  return ReadDisplay(o, r.frame.display, why) && ReadFiles(o, r, why);
}

// The two views as the view panels make them, each with its pan/tilt sphere, linked by the
// workbench, each computed once; then the sample spheres, mapped as the main window maps
// them when it opens.
struct RenderViews {
  CameraModel cameras[2];
  FstShape panTilt[2];
  Workbench workbench{cameras[0], cameras[1]};

  explicit RenderViews(const CameraParams (&params)[2]) {
    for (int i = 0; i < 2; ++i) {
      cameras[i].SetParams(params[i]);
      const bool loaded =
          panTilt[i].Load(FindDataFile(kSampleSpheres[kPanTiltSphereIndex].fileName), nullptr) > 0;
      AllocateVertexColours(panTilt[i]);
      workbench.SetPanTiltSphere(i, loaded ? &panTilt[i] : nullptr);
    }
    for (CameraModel& camera : cameras) camera.UpdateCamera(VIEW_ALL);
    workbench.LoadSampleSpheres();
  }
};

// The files in command-line order, as the main window loads its own command line, then the
// glide to the position file and what the changes made stale. False with the reason on err
// (or already there, from the loader) when a file fails.
bool LoadFiles(const RenderOptions& o, Workbench& workbench, Scene& scene,
               cli::MessageCapture& capture, std::ostream& err) {
  // A view change after the main window exists recolours the pan/tilt spheres; typing
  // parameters into a panel is one.
  bool viewsChanged = o.first.has_value() || o.second.has_value();
  for (const std::string& file : o.files) {
    const int messages = capture.count();
    if (HasEnding(file, "fsd")) {
      workbench.fstObject.Load(file, nullptr);
      if (capture.count() > messages) return false;
      continue;
    }
    if (!workbench.LoadDataFile(file)) {
      err << Prefix() << "cannot read data file " << file << ": " << cli::ReadFailure(file) << "\n";
      return false;
    }
    viewsChanged = true;
  }
  // The scene takes the views' scale: a value the views count as 0 is drawn at 1.
  const auto takeScale = [&scene, &workbench] { scene.SetScale(workbench.Second().GetScale()); };
  if (o.import.Given()) {
    ImportedViews imported;
    std::string why;
    if (!ReadImportSource(o.import, imported, why)) {
      err << Prefix() << why << "\n";
      return false;
    }
    ApplyImport(imported, workbench, takeScale);
    viewsChanged = true;
  }
  if (o.position) {
    double targets[kPositionTargetCount];
    if (!LoadPositionFile(*o.position, targets)) {
      err << Prefix() << "cannot read position file " << *o.position << ": "
          << cli::ReadFailure(*o.position) << "\n";
      return false;
    }
    workbench.ApplyPositionTargets(targets, takeScale);
    viewsChanged = true;
  }
  workbench.RecolourAfterViewChange(viewsChanged ? VIEW_ALL : 0);
  return true;
}

// The control panel's boxes, set after the views as a user would tick them; the Scale
// the files left unless the command gives one. False when the main sphere asked for did
// not load.
bool ShowSized(Scene& scene, const FrameState& frame, int width, int height) {
  const bool shown = scene.SetFrame(frame);
  scene.Resize(width, height);  // applies the background colour
  return shown;
}

bool ShowFrame(const RenderOptions& o, RenderCommand& r, Scene& scene) {
  if (!o.scale) r.frame.display.scale = scene.Frame().display.scale;
  return ShowSized(scene, r.frame, r.width, r.height);
}

// Draws the frame with the second view's error (and the legend, when asked) written on it,
// as F3 saves it; a null image when it cannot be read back.
QImage DrawFrame(Scene& scene, EglSurface& surface, const RenderCommand& r, double& error) {
  scene.Draw();
  QImage image = FrameImage(surface.ReadPixels());
  if (image.isNull()) return image;
  error = scene.workbench.Error();
  QPainter painter(&image);
  PaintFrameTexts(painter, r.width, r.height, scene.workbench, r.frame.display.legend);
  painter.end();
  return image;
}

// A session opens here through the steps the workbench's window runs, drawn as the other
// renders are.
class RenderSessionHost final : public SessionHost {
 public:
  RenderSessionHost(Scene& scene, const RenderCommand& r, cli::MessageCapture& capture)
      : scene_(scene), r_(r), capture_(capture) {}
  bool LoadFst(const std::string& path) override {
    const int messages = capture_.count();
    scene_.workbench.fstObject.Load(path, nullptr);
    return capture_.count() == messages;
  }
  bool LoadData(const std::string& path) override { return scene_.workbench.LoadDataFile(path); }
  bool ShowFrame(const FrameState& frame) override {
    return ShowSized(scene_, frame, r_.width, r_.height);
  }

 private:
  Scene& scene_;
  const RenderCommand& r_;
  cli::MessageCapture& capture_;
};

bool PrintResult(const RenderOptions& o, const RenderCommand& r, double error, std::ostream& out) {
  cli::JsonObjectWriter j(out);
  j.Field("out", o.out);
  j.Field("width", r.width);
  j.Field("height", r.height);
  j.Field("error", cli::JsonNumber(error));
  j.Field("errorKind", ErrorKindName(r.frame.display.errorKind));
  return j.Finish();
}

}  // namespace

bool ParseRenderSize(const std::string& text, int& width, int& height, std::string& why) {
  const std::size_t x = text.find_first_of("xX");
  why = "'" + text + "' is not WIDTHxHEIGHT with both between 1 and " +
        std::to_string(kMaxRenderSize);
  if (x == std::string::npos) return false;
  const char* begin = text.data();
  const char* end = begin + text.size();
  int w = 0, h = 0;
  const auto first = std::from_chars(begin, begin + x, w);
  const auto second = std::from_chars(begin + x + 1, end, h);
  if (x == 0 || first.ec != std::errc{} || first.ptr != begin + x || second.ec != std::errc{} ||
      second.ptr != end || x + 1 == text.size())
    return false;
  if (w < 1 || h < 1 || w > kMaxRenderSize || h > kMaxRenderSize) return false;
  width = w;
  height = h;
  why.clear();
  return true;
}

CLI::App* AddRenderSubcommand(CLI::App& app, RenderOptions& o) {
  CLI::App* render = app.add_subcommand(
      "render",
      "Draws the workbench's main window frame, error text included, into a PNG without a "
      "display. The sample spheres, cols.fcd and plane.png are looked for in --dir or the "
      "current directory first, then where the workbench looks.");
  // Every value is named by what it holds, not by its C++ type.
  const auto option = [render](const char* name, auto& value, const std::string& help,
                               const char* kind) {
    return render->add_option(name, value, help)->type_name(kind);
  };
  option("--out", o.out, "PNG file to write", "PNG")->required();
  option("--size", o.size, "WIDTHxHEIGHT in pixels (default: the main window's size at start-up)",
         "WxH");
  option("FILES", o.files,
         "FST shape files (.fsd) and vector data files (.dtx, .txt), loaded in order as on the "
         "workbench's command line",
         "");
  option("--dir", o.dir,
         "folder in which the sample spheres, cols.fcd and plane.png are looked for first "
         "(default: the current directory); files named on the command line are named from "
         "where the tool runs",
         "DIR");
  option("--first", o.first,
         "first camera: azimuth, altitude, rotation, focal length, distance, pan, tilt (default "
         "0,0,0,10,50,0,0)",
         "PARAMS");
  option("--second", o.second, "second camera, as --first", "PARAMS");
  option("--position", o.position,
         "position file applied as a finished glide (F6) after the files load", "FILE");
  option("--observer", o.observer,
         "distance,offsetX,offsetY,offsetZ,angleX,angleY,angleZ of the observer (default "
         "400,0,0,0,1,-1,0)",
         "POSE");
  render->add_flag("--no-axes", o.noAxes, "clear the Coordinates box");
  render->add_flag("--no-fst", o.noFst, "clear the FST object box");
  option("--main-sphere", o.mainSphere,
         "show the main sphere of this size: 100, 1K, 5K, 10K or 100K", "SIZE");
  render->add_flag("--front-only", o.frontOnly, "the main sphere's front faces only");
  render->add_flag("--distance-mode", o.distanceMode, "the main sphere's Distance box");
  option("--alpha", o.alpha, "opacity of the FST object and main sphere, from 0 to 1 (default 0.5)",
         "NUMBER");
  option("--scale", o.scale, "the Scale value, not 0 (default 1)", "NUMBER");
  render->add_flag("--plane", o.plane, "the P/T plane box");
  render->add_flag("--white", o.white, "white background");
  render->add_flag("--legend", o.legend,
                   "the colour legend (L) over the bottom-right corner: the main sphere's "
                   "score range");
  const std::string boxes =
      "boxes shown: a comma list of camera, rays, meanray, azalt, pantilt, or none "
      "(default camera,rays)";
  option("--first-options", o.firstBoxes, "first view's " + boxes, "BOXES");
  option("--second-options", o.secondBoxes, "second view's " + boxes, "BOXES");
  AddImportSourceOptions(*render, o.import);
  option("--error", o.error, cli::kErrorHelp, "KIND");
  CLI::Option* session = option(
      "--session", o.session,
      "a session saved by the workbench: its files, both cameras and the frame, drawn as the "
      "workbench showed them; only --out, --size and --dir go with it",
      "FILE");
  // Checked once parsed rather than as exclusions, which the help would list under every
  // option.
  render->parse_complete_callback([render, session] {
    if (session->count() == 0) return;
    for (const CLI::Option* other : render->get_options())
      if (other != session && other->count() > 0 && other->get_name() != "--out" &&
          other->get_name() != "--size" && other->get_name() != "--dir")
        throw CLI::ValidationError(other->get_name(),
                                   "does not go with --session (only --out, --size and --dir do)");
  });
  return render;
}

int RunRender(const RenderOptions& typed, std::ostream& out, std::ostream& err) {
  auto fail = [&](const std::string& why) {
    err << Prefix() << why << "\n";
    return kExitBadInput;
  };
  // Everything the command line says is checked before the context and the spheres.
  RenderCommand request;
  std::string why;
  if (!ReadRequest(typed, request, why)) return fail(why);
  RenderOptions o = typed;
  std::vector<std::string*> paths{&o.out};
  for (std::string& file : o.files) paths.push_back(&file);
  if (o.position) paths.push_back(&*o.position);
  for (std::string* path : ImportPaths(o.import)) paths.push_back(path);
  if (o.session) paths.push_back(&*o.session);
  cli::CurrentDirChange dirChange;
  if (!cli::EnterDataDir(o.dir, paths, dirChange, Prefix(), err)) return kExitBadInput;
  Session session;
  if (o.session) {
    if (!ReadSessionFile(*o.session, session, why)) return fail("--session: " + why);
    std::copy(std::begin(session.cameras), std::end(session.cameras), request.cameras);
    request.frame = session.frame;
  }

  GuiApplicationScope gui;
  if (!gui.Usable()) return fail("the text needs a Qt GUI application, and another kind runs");
  if (o.size.empty()) MainWindowStartUpSize(request.width, request.height);
  EglSurface surface;
  if (!surface.Create(request.width, request.height, why))
    return fail("cannot get an OpenGL context without a display: " + why);

  cli::MessageCapture capture(err);
  RenderViews views(request.cameras);
  Workbench& workbench = views.workbench;
  Scene scene(workbench);
  scene.Init(&surface);
  scene.imageDecoder = DecodeImageFile;
  if (o.session) {
    RenderSessionHost host(scene, request, capture);
    std::vector<std::string> warnings;
    const bool opened = ApplySession(session, workbench, host, why, warnings);
    for (const std::string& warning : warnings) err << Prefix() << warning << "\n";
    if (!opened) return fail("--session: " + why);
  } else {
    if (!LoadFiles(o, workbench, scene, capture, err)) return kExitBadInput;
    if (!ShowFrame(o, request, scene))
      return fail("--main-sphere: the sphere of that size did not load");
  }

  double error = 0;
  const QImage image = DrawFrame(scene, surface, request, error);
  if (image.isNull()) return fail("cannot read the frame back");
  // A message the workbench would show in a box (plane.png that does not load, cols.fcd
  // missing for the spheres): the window goes on without, but a script asked for this
  // frame, so it gets no picture that differs from it.
  if (capture.count() > 0)
    return fail("the frame could not be drawn as asked (see above); nothing written");
  if (!WritePngFile(image, o.out, why)) return fail("--out: " + why);
  if (!PrintResult(typed, request, error, out)) return cli::OutputFailed(Prefix(), err);
  return kExitOk;
}

bool WriteLandscapePng(const LandscapeFigure& figure, const std::string& path, std::string& why) {
  GuiApplicationScope gui;
  if (!gui.Usable()) {
    why = "the plot needs a Qt GUI application, and another kind runs";
    return false;
  }
  return WritePngFile(LandscapeImage(figure, kPlotWidth, kPlotHeight), path, why);
}

}  // namespace velmora
