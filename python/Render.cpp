// velmora._core.render: the main window's scene drawn off screen into a numpy picture, by
// the workbench's own Scene on an EGL pbuffer, as velmora-cli render draws it (without the
// texts, which need Qt to paint them, and without the textured plane, which needs Qt to
// decode plane.png).

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "python/ModuleSupport.h"

#ifdef VELMORA_PYTHON_RENDER
#include "data/VectorData.h"
#include "render/FrameState.h"
#include "render/Workbench.h"
#include "render/gl/EglSurface.h"
#include "render/gl/Scene.h"
#endif

namespace velmora::python {

namespace {

using Observer = std::array<double, 7>;

py::array_t<std::uint8_t> Render(const CameraParams& first, const CameraParams& second,
                                 std::optional<ArrayLike> points1, std::optional<ArrayLike> points2,
                                 std::optional<std::filesystem::path> fst, int width, int height,
                                 std::optional<Observer> observer, int mainSphere, bool white,
                                 double alpha) {
#ifndef VELMORA_PYTHON_RENDER
  (void)first, (void)second, (void)points1, (void)points2, (void)fst, (void)width, (void)height,
      (void)observer, (void)mainSphere, (void)white, (void)alpha;
  throw std::runtime_error("render: this build of velmora has no off-screen renderer");
#else
  if (points1.has_value() != points2.has_value())
    throw py::value_error("points2: give both point sets or neither");
  if (width < 1 || height < 1 || width > 8192 || height > 8192)
    throw py::value_error("width, height: expected 1 to 8192 pixels, got " + std::to_string(width) +
                          " x " + std::to_string(height));
  if (!(alpha >= 0 && alpha <= 1))
    throw py::value_error("alpha: expected a number between 0 and 1");
  const VectorData data = points1 ? PointPairs(*points1, *points2).Data() : VectorData{};
  MessageScope scope;
  EglSurface surface;
  std::string why;
  if (!surface.Create(width, height, why))
    throw std::runtime_error("render: no OpenGL context without a display: " + why);
  CameraModel cameras[2];
  Workbench workbench(cameras[0], cameras[1]);
  cameras[0].SetParams(first);
  cameras[1].SetParams(second);
  for (CameraModel& camera : cameras) camera.UpdateCamera(VIEW_ALL);
  if (fst && workbench.fstObject.Load(fst->string(), nullptr) <= 0 && !scope.Messages().empty())
    throw py::value_error(scope.Text(""));
  if (mainSphere != 0) workbench.LoadSampleSpheres();
  Scene scene(workbench);
  scene.Init(&surface);
  // The pairs' colours are the ones the workbench and velmora-cli give the first file they
  // load, whatever this process drew from rand() before: the same call, the same picture.
  std::srand(1);
  workbench.LoadPointPairs(data);
  workbench.RecolourAfterViewChange(VIEW_ALL);
  FrameState frame;
  if (observer) {
    const Observer& o = *observer;
    frame.observer = {o[0], o[1], o[2], o[3], o[4], o[5], o[6]};
  }
  frame.display.mainSphereSize = mainSphere;
  frame.display.white = white;
  frame.display.alpha = alpha;
  if (!scene.SetFrame(frame))
    throw py::value_error("main_sphere: no sample sphere of " + std::to_string(mainSphere) +
                          " vertices loaded");
  scene.Resize(width, height);
  scene.Draw();
  const FramePixels pixels = surface.ReadPixels();
  if (pixels.width != width || pixels.height != height)
    throw std::runtime_error("render: cannot read the frame back");
  std::vector<std::uint8_t> rgb;
  rgb.reserve(3 * pixels.rgba.size() / 4);
  for (std::size_t i = 0; i < pixels.rgba.size(); i += 4)
    rgb.insert(rgb.end(), {pixels.rgba[i], pixels.rgba[i + 1], pixels.rgba[i + 2]});
  return Owned(std::move(rgb), {height, width, 3});
#endif
}

}  // namespace

void DefineRender(py::module_& m) {
  m.def("render", &Render, py::arg("first"), py::arg("second"), py::arg("points1") = py::none(),
        py::arg("points2") = py::none(), py::kw_only(), py::arg("fst") = py::none(),
        py::arg("width") = 640, py::arg("height") = 480, py::arg("observer") = py::none(),
        py::arg("main_sphere") = 0, py::arg("white") = false, py::arg("alpha") = 0.5,
        R"(Draws the workbench's scene off screen (EGL; no display needed).

first, second: Camera. points1, points2: array-like (N, 2) or None. fst: str or os.PathLike,
an FST file shown as the FST object, or None. width, height: int pixels. observer: seven
floats (distance, offset x, y, z, angle x, y, z in degrees) or None for the start-up pose.
main_sphere: int, the vertex count of a sample sphere shown as the position map (100, 1000,
5000, 10000 or 100000), 0 for none. white: bool background. alpha: float 0..1. Returns
numpy.ndarray (height, width, 3) uint8, top row first; velmora.write_png saves it. No text
and no textured plane are drawn. Raises RuntimeError without an OpenGL context.)");
}

}  // namespace velmora::python
