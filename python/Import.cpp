// import_rig and import_colmap: real data into two cameras and their point pairs through
// the importer, the one place that knows the field's pixel and pose conventions.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "data/import/Import.h"
#include "python/ModuleSupport.h"

namespace velmora::python {

namespace {

using Path = std::filesystem::path;

py::tuple Imported(bool read, const ImportedViews& views, const std::string& why) {
  if (!read) throw py::value_error(why);
  py::tuple points = PointArrays(views.data);
  return py::make_tuple(views.first, views.second, points[0], points[1]);
}

py::tuple ImportRig(const std::variant<Path, std::vector<Path>>& rig, const Path& matches,
                    double pixelOrigin) {
  std::vector<std::string> files;
  if (const Path* one = std::get_if<Path>(&rig))
    files.push_back(one->string());
  else
    for (const Path& p : std::get<std::vector<Path>>(rig)) files.push_back(p.string());
  ImportedViews views;
  std::string why;
  MessageScope scope;
  bool read;
  {
    py::gil_scoped_release release;
    read = ImportRigAndMatches(files, matches.string(), pixelOrigin, views, why);
  }
  return Imported(read, views, why);
}

py::tuple ImportColmapPair(const Path& dir, std::pair<long, long> images) {
  ImportedViews views;
  std::string why;
  MessageScope scope;
  bool read;
  {
    py::gil_scoped_release release;
    read = ImportColmap(dir.string(), images.first, images.second, views, why);
  }
  return Imported(read, views, why);
}

}  // namespace

void DefineImport(py::module_& m) {
  m.def("import_rig", &ImportRig, py::arg("rig"), py::arg("matches"), py::kw_only(),
        py::arg("pixel_origin") = kOpenCvPixelOrigin,
        R"(A calibrated rig and its matched pixels as two cameras and their point pairs.

rig: str or os.PathLike, or a list of them: FileStorage files (YAML, XML, JSON) with M1 D1
M2 D2 (or K1 K2) and R T, in one file or two. matches: str or os.PathLike, rows u1 v1 u2 v2.
pixel_origin: float, where the matches put the centre of the top-left pixel (0, or 0.5).
Returns (Camera, Camera, numpy.ndarray (N, 2), numpy.ndarray (N, 2)) float64, ready for
reconstruct. Raises ValueError with the importer's message ("FILE:LINE: reason").)");
  m.def("import_colmap", &ImportColmapPair, py::arg("dir"), py::kw_only(), py::arg("images"),
        R"(Two images of a COLMAP text model as two cameras and their point pairs.

dir: str or os.PathLike, the folder of cameras.txt, images.txt and points3D.txt. images:
(int, int), the two image ids. Returns (Camera, Camera, numpy.ndarray (N, 2),
numpy.ndarray (N, 2)) float64 of the points both images observe. Raises ValueError with the
importer's message.)");
}

}  // namespace velmora::python
