// velmora._core: the core's readers, camera model, reconstruction and error maps for
// Python. The results equal velmora-cli's JSON: the views are posed and loaded the way its
// subcommands do it, through the workbench.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "data/DataFiles.h"
#include "data/FstShape.h"
#include "data/TextBuffer.h"
#include "data/VectorData.h"
#include "python/ModuleSupport.h"
#include "render/ErrorMaps.h"
#include "render/Workbench.h"

namespace velmora::python {

namespace {

using Path = std::filesystem::path;

struct Reconstruction {
  double error = 0;
  std::string errorKind;
  py::array midpoints, rayPoints, gaps, points1, points2;
};

std::vector<double> Flat(const std::vector<Vec3>& points, std::size_t n) {
  std::vector<double> out;
  out.reserve(3 * n);
  for (std::size_t i = 0; i < n; ++i)
    out.insert(out.end(), {points[i].x, points[i].y, points[i].z});
  return out;
}

Reconstruction Reconstruct(const CameraParams& first, const CameraParams& second, ArrayLike points1,
                           ArrayLike points2, bool skipNegative, const std::string& error) {
  PointPairs pairs(points1, points2);
  const ErrorKind kind = ErrorKindArg(error);
  const auto n = static_cast<std::size_t>(pairs.first.shape(0));
  const auto rows = static_cast<py::ssize_t>(n);
  Reconstruction r;
  r.errorKind = ErrorKindName(kind);
  std::vector<double> mid(3 * n), rays, gaps(n);
  {
    MessageScope scope;
    py::gil_scoped_release release;
    Views v(first, second, pairs, skipNegative);
    r.error = v.second.ReconstructionError(kind);
    for (std::size_t i = 0; i < n; ++i) {
      Vec3 m;
      v.second.GetMidpoint(static_cast<int>(i), m);
      mid[3 * i] = m.x, mid[3 * i + 1] = m.y, mid[3 * i + 2] = m.z;
      const Vec3 &a = v.first.rayPoints[i], &b = v.second.rayPoints[i];
      gaps[i] = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                          (a.z - b.z) * (a.z - b.z));
    }
    rays = Flat(v.first.rayPoints, n);
    const std::vector<double> secondRays = Flat(v.second.rayPoints, n);
    rays.insert(rays.end(), secondRays.begin(), secondRays.end());
  }
  r.midpoints = Owned(std::move(mid), {rows, 3});
  r.rayPoints = Owned(std::move(rays), {2, rows, 3});
  r.gaps = Owned(std::move(gaps), {rows});
  r.points1 = pairs.first;
  r.points2 = pairs.second;
  return r;
}

// An error map over the directions of vertices (M x 3), as velmora-cli scoremap computes
// it over a sphere's vertices: positions moves the second view to every direction,
// otherwise the turning view ("first" or "second") pans and tilts toward it.
py::array_t<double> Map(bool positions, const CameraParams& first, const CameraParams& second,
                        ArrayLike points1, ArrayLike points2, ArrayLike vertices,
                        const std::string& view, const std::string& error, bool skipNegative,
                        int threads) {
  PointPairs pairs(points1, points2);
  const py::array_t<double> v = FloatRows(vertices, "vertices", 3);
  if (view != "first" && view != "second")
    throw py::value_error("view: expected 'first' or 'second', got '" + view + "'");
  const ErrorKind kind = ErrorKindArg(error);
  CheckThreads(threads);
  const auto m = static_cast<std::size_t>(v.shape(0));
  std::vector<double> scores;
  InterruptWatch watch;
  {
    MessageScope scope;
    py::gil_scoped_release release;
    Views views(first, second, pairs, skipNegative);
    FstShape sphere;  // no colours and no drawn vertices: the map writes only the scores
    sphere.pointCount = static_cast<int>(m);
    sphere.sourceVertices.assign(v.data(), v.data() + 3 * m);
    MapSettings settings;
    settings.threads = threads;
    settings.progress = &watch;
    settings.error = kind;
    if (positions)
      MapScoreOverPositions(sphere, views.second, &scores, nullptr, settings);
    else
      MapScoreOverDirections(sphere, view == "second" ? views.second : views.first, views.second,
                             &scores, nullptr, settings);
  }
  watch.Raise();
  scores.resize(m);  // a map of no vertices may leave the vector as it was
  return Owned(std::move(scores), {static_cast<py::ssize_t>(m)});
}

py::tuple LoadVectorData(const Path& path) {
  VectorData data;
  MessageScope scope;
  bool read;
  {
    py::gil_scoped_release release;
    read = ReadVectorData(path.string(), data);
  }
  if (!read)
    throw py::value_error(
        scope.Text("cannot read data file " + path.string() + ": " + ReadFailure(path.string())));
  return PointArrays(data);
}

py::array_t<double> LoadPositionFileArray(const Path& path) {
  std::vector<double> targets(kPositionTargetCount);
  if (!LoadPositionFile(path.string(), targets.data()))
    throw py::value_error("cannot read position file " + path.string() + ": " +
                          ReadFailure(path.string()));
  return Owned(std::move(targets), {kPositionTargetCount});
}

// The poses a glide to a position file ends in, from the poses it starts at.
py::tuple ApplyPosition(ArrayLike targets, const CameraParams& first, const CameraParams& second) {
  const py::array_t<double> t =
      FloatRows(py::module_::import("numpy").attr("reshape")(targets.object, py::make_tuple(1, -1)),
                "targets", kPositionTargetCount);
  double values[kPositionTargetCount];
  std::copy(t.data(), t.data() + kPositionTargetCount, values);
  CameraModel a, b;
  a.SetParams(first);
  b.SetParams(second);
  SetPositionValues(values, a, b);
  return py::make_tuple(a.GetParams(), b.GetParams());
}

py::tuple LoadFst(const Path& path) {
  const std::string name = path.string();
  const int fd = OpenRegularFile(name);
  if (fd < 0) throw py::value_error("cannot read FST file " + name + ": " + ReadFailure(name));
  ::close(fd);
  FstShape shape;
  MessageScope scope;
  {
    py::gil_scoped_release release;
    shape.Load(name, nullptr);
  }
  // A rejected file has said why; a well-formed one without objects holds no points.
  if (!scope.Messages().empty()) throw py::value_error(scope.Text(""));
  const auto n = static_cast<std::size_t>(shape.pointCount);
  std::vector<double> vertices(shape.sourceVertices.begin(),
                               shape.sourceVertices.begin() + static_cast<long>(3 * n));
  py::list faces;
  std::vector<unsigned char> colours;
  for (const FstFace& face : shape.faces) {
    std::vector<int> indices = face.vertexIndices;
    faces.append(Owned(std::move(indices), {static_cast<py::ssize_t>(face.vertexCount)}));
    const int c = face.colorIndex;
    for (int component : {shape.paletteRed[c], shape.paletteGreen[c], shape.paletteBlue[c]})
      colours.push_back(static_cast<unsigned char>(component));
  }
  const auto f = static_cast<py::ssize_t>(shape.faces.size());
  return py::make_tuple(Owned(std::move(vertices), {static_cast<py::ssize_t>(n), 3}), faces,
                        Owned(std::move(colours), {f, 3}));
}

// What a camera's parameters give, computed as the view computes it.
struct Derived {
  CameraModel model;
  explicit Derived(const CameraParams& p) {
    model.SetParams(p);
    model.UpdateCamera(VIEW_ALL);
  }
  static py::array_t<double> Matrix(const double (&m)[3][3]) {
    return Owned(std::vector<double>(&m[0][0], &m[0][0] + 9), {3, 3});
  }
};

std::string Repr(const CameraParams& p) {
  std::ostringstream out;
  out.precision(17);
  out << "Camera(azimuth=" << p.azimuth << ", altitude=" << p.altitude
      << ", rotation=" << p.rotation << ", focal_length=" << p.focalLength
      << ", distance=" << p.distance << ", pan=" << p.pan << ", tilt=" << p.tilt << ")";
  return out.str();
}

void BindCamera(py::module_& m) {
  const CameraParams d;
  py::class_<CameraParams>(m, "Camera", R"(A pinhole camera on its orbit: seven parameters.

Angles (azimuth, altitude, rotation, pan, tilt) are in radians, focal_length and distance
in scene units. The derived arrays are computed from the parameters as they are now.)")
      .def(py::init([](double azimuth, double altitude, double rotation, double focalLength,
                       double distance, double pan, double tilt) {
             return CameraParams{azimuth, altitude, rotation, focalLength, distance, pan, tilt};
           }),
           py::kw_only(), py::arg("azimuth") = d.azimuth, py::arg("altitude") = d.altitude,
           py::arg("rotation") = d.rotation, py::arg("focal_length") = d.focalLength,
           py::arg("distance") = d.distance, py::arg("pan") = d.pan, py::arg("tilt") = d.tilt)
      .def_readwrite("azimuth", &CameraParams::azimuth, "float: radians")
      .def_readwrite("altitude", &CameraParams::altitude, "float: radians")
      .def_readwrite("rotation", &CameraParams::rotation, "float: radians about the principal ray")
      .def_readwrite("focal_length", &CameraParams::focalLength, "float: scene units")
      .def_readwrite("distance", &CameraParams::distance,
                     "float: scene units from the image plane to the orbit's centre")
      .def_readwrite("pan", &CameraParams::pan, "float: radians")
      .def_readwrite("tilt", &CameraParams::tilt, "float: radians")
      .def_property_readonly(
          "position",
          [](const CameraParams& p) {
            const Vec3 c = Derived(p).model.cameraPosition;
            return Owned(std::vector<double>{c.x, c.y, c.z}, {3});
          },
          "numpy.ndarray (3,) float64: the centre of projection")
      .def_property_readonly(
          "plane_corners",
          [](const CameraParams& p) {
            Derived v(p);
            std::vector<double> out;
            for (const Vec3& c : v.model.planeCorners) out.insert(out.end(), {c.x, c.y, c.z});
            return Owned(std::move(out), {4, 3});
          },
          "numpy.ndarray (4, 3) float64: the image plane's corners, top left first, clockwise")
      .def_property_readonly(
          "orbit_matrix",
          [](const CameraParams& p) { return Derived::Matrix(Derived(p).model.orbitMatrix); },
          "numpy.ndarray (3, 3) float64: Ry(azimuth) Rx(altitude), rows first")
      .def_property_readonly(
          "look_matrix",
          [](const CameraParams& p) { return Derived::Matrix(Derived(p).model.lookMatrix); },
          "numpy.ndarray (3, 3) float64: Ry(pan) Rx(tilt) Rz(rotation), rows first")
      .def("__eq__", [](const CameraParams& a, const CameraParams& b) { return a == b; })
      .def("__repr__", &Repr);
}

}  // namespace

void DefineRender(py::module_& m);     // Render.cpp
void DefineLandscape(py::module_& m);  // Landscape.cpp
void DefineImport(py::module_& m);     // Import.cpp

void DefineModule(py::module_& m) {
  m.doc() = "Two-view reconstruction: the core of Velmora over numpy arrays.";
  InstallMessageSink();
  m.attr("__version__") = VELMORA_VERSION;
  BindCamera(m);

  py::class_<Reconstruction>(m, "Reconstruction", "The triangulated point pairs of two views.")
      .def_readonly("error", &Reconstruction::error,
                    "float: the error of error_kind; plain: ln of the root of the summed squared "
                    "gaps (-inf without pairs), baseline: ln of the root mean squared gap over "
                    "the distance between the centres")
      .def_readonly("error_kind", &Reconstruction::errorKind,
                    "str: 'plain' or 'baseline', as reconstruct was asked")
      .def_readonly("midpoints", &Reconstruction::midpoints,
                    "numpy.ndarray (N, 3) float64: the reconstructed points")
      .def_readonly("ray_points", &Reconstruction::rayPoints,
                    "numpy.ndarray (2, N, 3) float64: each view's closest ray points")
      .def_readonly("gaps", &Reconstruction::gaps,
                    "numpy.ndarray (N,) float64: the distance between each pair's ray points")
      .def_readonly("points1", &Reconstruction::points1,
                    "numpy.ndarray (N, 2) float64: the first view's points as read")
      .def_readonly("points2", &Reconstruction::points2,
                    "numpy.ndarray (N, 2) float64: the second view's points as read");

  m.def("reconstruct", &Reconstruct, py::arg("first"), py::arg("second"), py::arg("points1"),
        py::arg("points2"), py::arg("skip_negative") = false, py::arg("error") = "plain",
        R"(Triangulates every pair of image points of two cameras.

first, second: Camera. points1, points2: array-like (N, 2), image-plane points of each
view. skip_negative: bool, reject pairs whose closest points lie behind an image plane (the
first rejected pair makes the error 50 and ends the triangulation). error: str, the kind
of Reconstruction.error, "plain" or "baseline" (50 when the centres coincide). Returns
Reconstruction.)");

  const auto mapArgs = [](auto... extra) {
    return std::make_tuple(py::arg("first"), py::arg("second"), py::arg("points1"),
                           py::arg("points2"), py::arg("vertices"), py::kw_only(), extra...,
                           py::arg("error") = "plain", py::arg("skip_negative") = false,
                           py::arg("threads") = 0);
  };
  std::apply(
      [&](auto... args) {
        m.def(
            "position_map",
            [](const CameraParams& a, const CameraParams& b, ArrayLike p1, ArrayLike p2,
               ArrayLike vertices, const std::string& error, bool skip, int threads) {
              return Map(true, a, b, p1, p2, vertices, "first", error, skip, threads);
            },
            args...,
            R"(The error with the second camera moved to every vertex direction.

vertices: array-like (M, 3); each row's direction from the origin gives the second camera's
azimuth and altitude. error: str, "plain" or "baseline". threads: int, 0 for one per
processor. Runs without the GIL; Ctrl-C
stops it with KeyboardInterrupt. Returns numpy.ndarray (M,) float64, one error per vertex.)");
      },
      mapArgs());
  std::apply(
      [&](auto... args) {
        m.def(
            "direction_map",
            [](const CameraParams& a, const CameraParams& b, ArrayLike p1, ArrayLike p2,
               ArrayLike vertices, const std::string& view, const std::string& error, bool skip,
               int threads) {
              return Map(false, a, b, p1, p2, vertices, view, error, skip, threads);
            },
            args...,
            R"(The error with one camera turned toward every vertex direction.

vertices: array-like (M, 3); each row's direction gives the turning camera's pan and tilt.
view: str, "first" or "second", the camera that turns. error: str, "plain" or "baseline".
threads: int, 0 for one per processor. Runs without the GIL; Ctrl-C stops it with KeyboardInterrupt. Returns
numpy.ndarray (M,) float64, one error per vertex.)");
      },
      mapArgs(py::arg("view") = "first"));

  m.def("load_vector_data", &LoadVectorData, py::arg("path"),
        R"(Reads a vector data file: the first half of its lines for the first view.

path: str or os.PathLike. Returns (numpy.ndarray (N, 2), numpy.ndarray (N, 2)) float64.
Raises ValueError when the file cannot be read, MemoryError when it does not fit.)");
  m.def("load_position_file", &LoadPositionFileArray, py::arg("path"),
        R"(Reads a camera position file.

path: str or os.PathLike. Returns numpy.ndarray (9,) float64 in file order: the second
camera's azimuth, altitude, rotation and focal length, the first camera's distance, the
second camera's distance, pan and tilt, and the scale. Missing lines count as 0.
Raises ValueError when the file cannot be read.)");
  m.def("apply_position", &ApplyPosition, py::arg("targets"), py::arg("first") = CameraParams{},
        py::arg("second") = CameraParams{},
        R"(The poses a glide to a position file ends in, as the workbench's F6 leaves them.

targets: array-like (9,), as load_position_file returns them. first, second: Camera, the
poses before (the defaults when not given). Returns (Camera, Camera); the scale is not part
of a Camera and is left out.)");
  m.def("load_fst", &LoadFst, py::arg("path"),
        R"(Reads an FST shape file (and cols.fcd for its colours).

path: str or os.PathLike. Returns (vertices numpy.ndarray (N, 3) float64, faces
list[numpy.ndarray (k,) int32], colours numpy.ndarray (F, 3) uint8 per face). Raises
ValueError with the reader's message when the file or cols.fcd is refused.)");
  DefineRender(m);
  DefineLandscape(m);
  DefineImport(m);
  m.def(
      "_set_data_folders",
      [](std::vector<std::string> folders) { SetDataFolders(std::move(folders)); },
      py::arg("folders"), "Where cols.fcd is looked for after the current directory.");
}

}  // namespace velmora::python

PYBIND11_MODULE(_core, m) {
  velmora::python::DefineModule(m);
}
