// profile and slice: the error landscape around the current pose, as velmora-cli profile
// and slice compute it, over numpy arrays.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "python/ModuleSupport.h"
#include "render/Landscape.h"

namespace velmora::python {

namespace {

struct Profile {
  int view = 2;
  std::string param, errorKind;
  double current = 0;
  py::array offset, value, error, rejected;
};

struct Slice : Profile {
  int view2 = 2;
  std::string param2;
  double current2 = 0;
  py::array offset2, value2;
};

// view is 1 or 2 and param one of the seven names, as the command line takes them.
LandscapeAxis Axis(int view, const std::string& param, double range, int steps,
                   const std::string& suffix) {
  LandscapeAxis axis;
  if (view != 1 && view != 2)
    throw py::value_error("view" + suffix + ": expected 1 or 2, got " + std::to_string(view));
  axis.view = view - 1;
  if (!ParseCameraParam(param, axis.param))
    throw py::value_error("param" + suffix +
                          ": expected azimuth, altitude, rotation, focal, distance, pan or "
                          "tilt, got '" +
                          param + "'");
  if (!(range > 0) || !std::isfinite(range))
    throw py::value_error("range" + suffix + ": expected a finite number above 0, got " +
                          py::repr(py::float_(range)).cast<std::string>());
  if (steps < 1)
    throw py::value_error("steps" + suffix + ": expected 1 or more, got " + std::to_string(steps));
  axis.range = range;
  axis.steps = steps;
  return axis;
}

// The samples of the core's profile or slice (axis2 given) and what its figure says of them.
LandscapeFigure Compute(const CameraParams& first, const CameraParams& second, ArrayLike points1,
                        ArrayLike points2, const LandscapeAxis& axis, const LandscapeAxis* axis2,
                        const std::string& error, bool skipNegative, int threads) {
  PointPairs pairs(points1, points2);
  const ErrorKind kind = ErrorKindArg(error);
  CheckThreads(threads);
  InterruptWatch watch;
  LandscapeFigure figure;
  {
    MessageScope scope;
    py::gil_scoped_release release;
    Views v(first, second, pairs, skipNegative);
    MapSettings settings;
    settings.threads = threads;
    settings.progress = &watch;
    std::vector<LandscapeSample> samples =
        axis2 != nullptr ? ComputeSlice(v.first, v.second, axis, *axis2, kind, settings)
                         : ComputeProfile(v.first, v.second, axis, kind, settings);
    figure = DescribeLandscape(v.first, v.second, std::move(samples), kind, axis, axis2);
  }
  watch.Raise();
  return figure;
}

// One field of every sample as an array of the given shape.
template <typename T, typename Field>
py::array Column(const LandscapeFigure& f, std::vector<py::ssize_t> shape, Field field) {
  std::vector<T> values;
  values.reserve(f.samples.size());
  for (const LandscapeSample& s : f.samples) values.push_back(static_cast<T>(field(s)));
  return Owned(std::move(values), std::move(shape));
}

void Fill(Profile& p, const LandscapeFigure& f, const LandscapeAxis& axis,
          const std::vector<py::ssize_t>& shape) {
  p.view = axis.view + 1;
  p.param = CameraParamName(axis.param);
  p.errorKind = ErrorKindName(f.kind);
  p.current = f.current;
  p.offset = Column<double>(f, shape, [](const LandscapeSample& s) { return s.offset; });
  p.value = Column<double>(f, shape, [](const LandscapeSample& s) { return s.value; });
  p.error = Column<double>(f, shape, [](const LandscapeSample& s) { return s.error; });
  // numpy's bool is one byte: the owned bytes are viewed as bool without a copy.
  p.rejected = Column<std::uint8_t>(f, shape, [](const LandscapeSample& s) {
                 return s.rejected;
               }).attr("view")("bool");
}

Profile ComputeProfileArrays(const CameraParams& first, const CameraParams& second,
                             ArrayLike points1, ArrayLike points2, int view,
                             const std::string& param, double range, int steps,
                             const std::string& error, bool skipNegative, int threads) {
  const LandscapeAxis axis = Axis(view, param, range, steps, "");
  const LandscapeFigure f =
      Compute(first, second, points1, points2, axis, nullptr, error, skipNegative, threads);
  Profile p;
  Fill(p, f, axis, {static_cast<py::ssize_t>(f.samples.size())});
  return p;
}

Slice ComputeSliceArrays(const CameraParams& first, const CameraParams& second, ArrayLike points1,
                         ArrayLike points2, const std::string& param2, int view,
                         const std::string& param, std::optional<int> view2, double range,
                         std::optional<double> range2, int steps, std::optional<int> steps2,
                         const std::string& error, bool skipNegative, int threads) {
  const LandscapeAxis axis = Axis(view, param, range, steps, "");
  const LandscapeAxis axis2 =
      Axis(view2.value_or(view), param2, range2.value_or(range), steps2.value_or(steps), "2");
  if (axis.view == axis2.view && axis.param == axis2.param)
    throw py::value_error("param2: the same parameter of the same view as param");
  const LandscapeFigure f =
      Compute(first, second, points1, points2, axis, &axis2, error, skipNegative, threads);
  Slice s;
  const std::vector<py::ssize_t> shape{axis2.steps, axis.steps};
  Fill(s, f, axis, shape);
  s.view2 = axis2.view + 1;
  s.param2 = CameraParamName(axis2.param);
  s.current2 = f.current2;
  s.offset2 = Column<double>(f, shape, [](const LandscapeSample& x) { return x.offset2; });
  s.value2 = Column<double>(f, shape, [](const LandscapeSample& x) { return x.value2; });
  return s;
}

}  // namespace

void DefineLandscape(py::module_& m) {
  py::class_<Profile>(m, "Profile", "The error along one camera parameter around its value.")
      .def_readonly("view", &Profile::view, "int: 1 or 2, the view whose parameter varies")
      .def_readonly("param", &Profile::param, "str: the parameter's name (\"azimuth\", ...)")
      .def_readonly("error_kind", &Profile::errorKind, "str: 'plain' or 'baseline'")
      .def_readonly("current", &Profile::current, "float: the parameter's value as posed")
      .def_readonly("offset", &Profile::offset,
                    "numpy.ndarray float64: each sample's offset from current")
      .def_readonly("value", &Profile::value, "numpy.ndarray float64: current + offset")
      .def_readonly("error", &Profile::error, "numpy.ndarray float64: the error at each sample")
      .def_readonly("rejected", &Profile::rejected,
                    "numpy.ndarray bool: a rejected pair, or coincident centres for the "
                    "baseline error");
  py::class_<Slice, Profile>(m, "Slice",
                             "The error over a grid of two camera parameters. Its arrays are "
                             "(steps2, steps): the second parameter down, the first across.")
      .def_readonly("view2", &Slice::view2, "int: 1 or 2, the second parameter's view")
      .def_readonly("param2", &Slice::param2, "str: the second parameter's name")
      .def_readonly("current2", &Slice::current2, "float: its value as posed")
      .def_readonly("offset2", &Slice::offset2,
                    "numpy.ndarray (steps2, steps) float64: its offset from current2")
      .def_readonly("value2", &Slice::value2,
                    "numpy.ndarray (steps2, steps) float64: current2 + offset2");

  m.def("profile", &ComputeProfileArrays, py::arg("first"), py::arg("second"), py::arg("points1"),
        py::arg("points2"), py::kw_only(), py::arg("view") = 2, py::arg("param") = "azimuth",
        py::arg("range") = 0.5, py::arg("steps") = 201, py::arg("error") = "plain",
        py::arg("skip_negative") = false, py::arg("threads") = 0,
        R"(The error along one parameter of one camera, every other parameter held.

first, second: Camera. points1, points2: array-like (N, 2). view: int, 1 or 2, the camera
whose parameter varies. param: str, "azimuth", "altitude", "rotation", "focal", "distance",
"pan" or "tilt". range: float > 0, the largest offset. steps: int >= 1, points of the linear
grid from -range to range; the profile adds the current value itself and a geometric ladder
of offsets near it (from 1e-6 to a tenth of range, both sides), sorted. error: str, "plain"
or "baseline". threads: int, 0 for one per processor. Runs without the GIL; Ctrl-C stops
it with KeyboardInterrupt. Returns Profile, with 1-D arrays.)");
  m.def("slice", &ComputeSliceArrays, py::arg("first"), py::arg("second"), py::arg("points1"),
        py::arg("points2"), py::kw_only(), py::arg("param2"), py::arg("view") = 2,
        py::arg("param") = "azimuth", py::arg("view2") = py::none(), py::arg("range") = 0.5,
        py::arg("range2") = py::none(), py::arg("steps") = 101, py::arg("steps2") = py::none(),
        py::arg("error") = "plain", py::arg("skip_negative") = false, py::arg("threads") = 0,
        R"(The error over a grid of two camera parameters, every other parameter held.

param2: str, the second parameter; view2, range2, steps2: int, float, int or None for the
same as view, range, steps. The grids are linear (no ladder). Otherwise as profile. Returns
Slice, with (steps2, steps) arrays.)");
}

}  // namespace velmora::python
