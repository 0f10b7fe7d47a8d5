// render: the workbench's frame as a PNG. The views, the scene and the text are built the
// way the control panel and the main window build them, in the same order, so that a
// render of the same files and settings matches what the window shows.

#include "cli/CliRender.h"

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "data/VectorData.h"
#include "render/ErrorMaps.h"
#include "render/gl/EglSurface.h"
#include "render/gl/FstShapeDraw.h"
#include "render/gl/Scene.h"
#include "render/image/DialogUnits.h"
#include "render/image/FrameImage.h"
#include "render/image/ImageDecode.h"
#include "resources/DialogTemplates.h"

namespace velmora {

namespace {

using Json = nlohmann::ordered_json;

// Each view panel shows the second sample sphere as its pan/tilt sphere.
constexpr const char* kPanTiltSphereFile = kSampleSphereFiles[1];

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

// The five boxes of a view panel; the ones named are on, the others off.
bool ParseBoxes(const std::string& text, OverlayOptions& options, std::string& why) {
  options = OverlayOptions{};
  options.showCamera = options.showRays = false;
  if (text == "none" || text.empty()) return true;
  std::string_view rest(text);
  for (;;) {
    const std::size_t comma = rest.find(',');
    const std::string_view name = rest.substr(0, comma);
    if (name == "camera") {
      options.showCamera = true;
    } else if (name == "rays") {
      options.showRays = true;
    } else if (name == "meanray") {
      options.showMeanRay = true;
    } else if (name == "azalt") {
      options.showAzAltSphere = true;
    } else if (name == "pantilt") {
      options.showPanTiltSphere = true;
    } else {
      why = "unknown box \"" + std::string(name) +
            "\" (camera, rays, meanray, azalt, pantilt, or none)";
      return false;
    }
    if (comma == std::string_view::npos) return true;
    rest.remove_prefix(comma + 1);
  }
}

// The labels of the control panel's sphere list.
int SphereSizeFromLabel(const std::string& label) {
  const char* labels[kSampleSphereCount] = {"100", "1K", "5K", "10K", "100K"};
  for (int i = 0; i < kSampleSphereCount; ++i)
    if (label == labels[i]) return kSampleSphereSizes[i];
  return 0;
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

// The main window's size when it opens: its template in dialog units, in the default font.
void StartUpSize(int& width, int& height) {
  const DialogUnits units = DialogUnits::ForFont(QGuiApplication::font());
  const DialogTemplate& main = FindDialogTemplate(IDD_MAIN);
  width = units.X(main.cx);
  height = units.Y(main.cy);
}

// Where the glide to the position file ends: its last frame sets the nine targets outright.
void ApplyGlideEnd(const double (&t)[kPositionTargetCount], CameraModel& first, CameraModel& second,
                   Scene& scene) {
  SetPositionValues(t, first, second);
  scene.SetScale(static_cast<float>(t[POS_SCALE]));
  first.UpdateCamera(VIEW_ALL);
  second.UpdateCamera(VIEW_ALL);
}

}  // namespace

bool ParseRenderSize(const std::string& text, int& width, int& height, std::string& why) {
  const std::size_t x = text.find_first_of("xX");
  why = "\"" + text + "\" is not WIDTHxHEIGHT with both between 1 and " +
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
      "display. Run it in the data folder: the sample spheres, cols.fcd and plane.png are "
      "read from the current directory.");
  render->add_option("--out", o.out, "PNG file to write")->required();
  render->add_option("--size", o.size,
                     "WIDTHxHEIGHT in pixels (default: the main window's size at start-up)");
  render->add_option("FILES", o.files,
                     "FST shape files (.fsd) and vector data files (.dtx), loaded in order as "
                     "on the workbench's command line");
  render->add_option("--first", o.first,
                     "first camera: azimuth, altitude, rotation, focal length, distance, pan, "
                     "tilt (default 0,0,0,10,50,0,0)");
  render->add_option("--second", o.second, "second camera, as --first");
  render->add_option("--position", o.position,
                     "position file applied as a finished glide (F6) after the files load");
  render->add_option("--observer", o.observer,
                     "distance,offsetX,offsetY,offsetZ,angleX,angleY,angleZ of the observer "
                     "(default 400,0,0,0,1,-1,0)");
  render->add_flag("--no-axes", o.noAxes, "clear the Coordinates box");
  render->add_flag("--no-fst", o.noFst, "clear the FST object box");
  render->add_option("--main-sphere", o.mainSphere,
                     "show the main sphere of this size: 100, 1K, 5K, 10K or 100K");
  render->add_flag("--front-only", o.frontOnly, "the main sphere's front faces only");
  render->add_flag("--distance-mode", o.distanceMode, "the main sphere's Distance box");
  render->add_option("--alpha", o.alpha, "opacity of the FST object and main sphere (0.5)")
      ->check(CLI::Range(0.0, 1.0));
  render->add_option("--scale", o.scale, "the Scale value (1.0); not 0");
  render->add_flag("--plane", o.plane, "the P/T plane box");
  render->add_flag("--white", o.white, "white background");
  const std::string boxes =
      "boxes shown: a comma list of camera, rays, meanray, azalt, pantilt, or none "
      "(default camera,rays)";
  render->add_option("--first-options", o.firstBoxes, "first view's " + boxes);
  render->add_option("--second-options", o.secondBoxes, "second view's " + boxes);
  return render;
}

int RunRender(const RenderOptions& o, std::ostream& out, std::ostream& err) {
  const std::string prefix = Prefix();
  auto fail = [&](const std::string& why) {
    err << prefix << why << "\n";
    return kExitBadInput;
  };

  // Everything the command line says is checked before the context and the spheres.
  std::string why;
  CameraParams params[2];
  if (o.first && !ParseCameraParams(*o.first, params[0], why)) return fail("--first: " + why);
  if (o.second && !ParseCameraParams(*o.second, params[1], why)) return fail("--second: " + why);
  double observer[7] = {};
  if (o.observer && !cli::ParseNumberList(*o.observer, 7, kObserverOrder, observer, why))
    return fail("--observer: " + why);
  OverlayOptions boxes[2];
  if (o.firstBoxes && !ParseBoxes(*o.firstBoxes, boxes[0], why))
    return fail("--first-options: " + why);
  if (o.secondBoxes && !ParseBoxes(*o.secondBoxes, boxes[1], why))
    return fail("--second-options: " + why);
  const int sphereSize = o.mainSphere ? SphereSizeFromLabel(*o.mainSphere) : 0;
  if (o.mainSphere && sphereSize == 0)
    return fail("--main-sphere: \"" + *o.mainSphere + "\" is not one of 100, 1K, 5K, 10K, 100K");
  // The views would get an infinite image plane from a scale of 0.
  if (o.scale && (!std::isfinite(*o.scale) || *o.scale == 0.0))
    return fail("--scale: must be a finite number other than 0");
  for (const std::string& file : o.files) {
    if (!HasEnding(file, "fsd") && !HasEnding(file, "dtx"))
      return fail(file + ": neither an FST file (.fsd) nor a vector data file (.dtx)");
    if (!cli::IsReadableFile(file)) return fail("cannot read " + file);
  }
  if (o.position && !cli::IsReadableFile(*o.position))
    return fail("cannot read position file " + *o.position);
  int width = 0, height = 0;
  if (!o.size.empty() && !ParseRenderSize(o.size, width, height, why))
    return fail("--size: " + why);
  if (!OutputWritable(o.out, why)) return fail("--out: " + why);

  GuiApplicationScope gui;
  if (!gui.Usable()) return fail("the text needs a Qt GUI application, and another kind runs");
  if (o.size.empty()) StartUpSize(width, height);

  EglSurface surface;
  if (!surface.Create(width, height, why))
    return fail("cannot get an OpenGL context without a display: " + why);

  cli::MessageCapture capture(err);
  // The views as the control panel makes them: linked, then each computed once.
  CameraModel cameras[2];
  cameras[0].otherView = &cameras[1];
  cameras[1].otherView = &cameras[0];
  FstShape panTilt[2];
  bool panTiltLoaded[2] = {};
  for (int i = 0; i < 2; ++i) {
    cameras[i].SetParams(params[i]);
    panTiltLoaded[i] = panTilt[i].Load(kPanTiltSphereFile, nullptr) > 0;
    AllocateVertexColours(panTilt[i]);
  }
  for (CameraModel& camera : cameras) camera.UpdateCamera(VIEW_ALL);

  auto view = [&](int i) {
    return SceneView{&cameras[i], &boxes[i], panTiltLoaded[i] ? &panTilt[i] : nullptr, nullptr};
  };
  Scene scene(view(0), view(1));
  scene.Init(&surface);
  scene.imageDecoder = DecodeImageFile;
  const float background = o.white ? 1.0f : 0.5f;
  scene.SetClearColor(background, background, background);
  scene.Resize(width, height);
  if (o.observer) {
    scene.distance = observer[0];
    scene.offsetX = observer[1];
    scene.offsetY = observer[2];
    scene.offsetZ = observer[3];
    scene.angleX = observer[4];
    scene.angleY = observer[5];
    scene.angleZ = observer[6];
  }

  // A view change after the main window exists recolours the pan/tilt spheres; typing
  // parameters into a panel is one.
  bool viewsChanged = o.first.has_value() || o.second.has_value();
  for (const std::string& file : o.files) {
    const int messages = capture.count();
    if (HasEnding(file, "fsd")) {
      scene.fstObject.Load(file, nullptr);
      if (capture.count() > messages) return kExitBadInput;
      continue;
    }
    VectorData data;
    if (!ReadVectorData(file, data)) return fail("cannot read data file " + file);
    LoadImagePoints(cameras[0], data.firstX.data(), data.firstY.data(), data.count);
    LoadImagePoints(cameras[1], data.secondX.data(), data.secondY.data(), data.count);
    // As the control panel does: both halves in, then each view against the other's new
    // points, then one colour per pair.
    for (CameraModel& camera : cameras) camera.UpdateCamera(VIEW_ALL);
    for (int i = 0; i < data.count; ++i) {
      const Vec3 colour = NextPairColor();
      for (CameraModel& camera : cameras) camera.pointColors[static_cast<std::size_t>(i)] = colour;
    }
    viewsChanged = true;
  }
  if (o.position) {
    double targets[kPositionTargetCount];
    if (!LoadPositionFile(*o.position, targets))
      return fail("cannot read position file " + *o.position);
    ApplyGlideEnd(targets, cameras[0], cameras[1], scene);
    viewsChanged = true;
  }
  SetVerticesFromViews(scene.fstObject, cameras[0], cameras[1]);
  if (viewsChanged)
    for (int i = 0; i < 2; ++i)
      if (panTiltLoaded[i]) MapScoreOverDirections(panTilt[i], cameras[i], cameras[1]);

  // The control panel's boxes, set after the views as a user would tick them.
  scene.SetShowAxes(!o.noAxes);
  scene.SetShowFstObject(!o.noFst);
  scene.SetFrontOnly(o.frontOnly);
  scene.SetAlpha(o.alpha);
  scene.SetDistanceMode(o.distanceMode);
  if (o.scale) {
    const auto scale = static_cast<float>(*o.scale);
    scene.SetScale(scale);
    for (CameraModel& camera : cameras) camera.SetScale(scale);
  }
  if (o.plane) scene.SetShowPlane(true);
  if (sphereSize != 0) {
    int index = -1;
    for (int k = 0; k < scene.loadedSphereCount; ++k)
      if (kSampleSphereSizes[scene.loadedSpheres[k] - scene.sampleSpheres] == sphereSize) index = k;
    if (index < 0) return fail("--main-sphere: the sphere of that size did not load");
    scene.SelectMainSphere(index, true);
  }

  scene.Draw();
  QImage image = FrameImage(surface.ReadPixels());
  if (image.isNull()) return fail("cannot read the frame back");
  const double error = cameras[1].ReconstructionError();
  {
    QPainter painter(&image);
    PaintErrorText(painter, width, height, QString::fromStdString(FormatErrorText(error)));
  }
  if (!image.save(QString::fromStdString(o.out), "PNG")) return fail("cannot write " + o.out);

  Json j;
  j["out"] = o.out;
  j["width"] = width;
  j["height"] = height;
  j["error"] = std::isfinite(error) ? Json(error) : Json(nullptr);
  out << j.dump(2) << "\n";
  return kExitOk;
}

}  // namespace velmora
