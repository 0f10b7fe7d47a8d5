// fst-info: what FstShape::Load keeps of a file, as JSON.

#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "data/DataFiles.h"
#include "data/FstShape.h"

namespace velmora {

namespace {

using Json = nlohmann::ordered_json;

Json ToJson(const Vec3& v) {
  return Json::array({v.x, v.y, v.z});
}

Json Describe(const FstShape& shape, const std::string& file, bool summary) {
  Json j;
  j["file"] = file;
  j["pointCount"] = shape.pointCount;
  j["faceCount"] = shape.faceCount;

  Json palette = Json::array();
  for (int i : shape.NamedPaletteEntries())
    palette.push_back({{"index", i},
                       {"red", shape.paletteRed[i]},
                       {"green", shape.paletteGreen[i]},
                       {"blue", shape.paletteBlue[i]}});
  j["palette"] = std::move(palette);

  Vec3 lo, hi;
  if (shape.GetBoundingBox(lo, hi))
    j["boundingBox"] = {{"min", ToJson(lo)}, {"max", ToJson(hi)}};
  else
    j["boundingBox"] = nullptr;

  if (summary) return j;
  Json vertices = Json::array();
  const std::size_t n = shape.sourceVertices.size() / 3;
  for (std::size_t v = 0; v < n; ++v) {
    const double* c = &shape.sourceVertices[3 * v];
    vertices.push_back(Json::array({c[0], c[1], c[2]}));
  }
  j["vertices"] = std::move(vertices);
  Json faces = Json::array();
  for (const FstFace& face : shape.faces)
    faces.push_back({{"colorIndex", face.colorIndex}, {"vertices", face.vertexIndices}});
  j["faces"] = std::move(faces);
  return j;
}

}  // namespace

int RunFstInfo(const FstInfoOptions& options, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": fst-info: ";
  cli::MessageCapture capture(err);
  // The loader says nothing about a file it cannot open, so ask first.
  if (!cli::IsReadableFile(options.file)) {
    err << prefix << "cannot read " << options.file << "\n";
    return kExitBadInput;
  }

  std::string path = options.file;
  cli::CurrentDirChange dirChange;
  if (!options.dir.empty()) {
    // The shape file is named relative to where we were started, not to --dir.
    path = std::filesystem::absolute(path).string();
    std::error_code ec;
    if (!dirChange.Enter(options.dir, ec)) {
      err << prefix << "cannot use directory " << options.dir << ": " << ec.message() << "\n";
      return kExitBadInput;
    }
  }

  FstShape shape;
  shape.Load(path, nullptr);
  if (capture.count() > 0) {
    if (!cli::IsReadableFile(FindDataFile("cols.fcd")))
      err << prefix << "looked for cols.fcd in "
          << (options.dir.empty() ? std::string("the current directory") : options.dir)
          << " (--dir chooses the folder)\n";
    return kExitBadInput;
  }
  out << Describe(shape, options.file, options.summary).dump(2) << "\n";
  return kExitOk;
}

}  // namespace velmora
