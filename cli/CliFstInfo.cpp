// fst-info: what FstShape::Load keeps of a file, as JSON.

#include <ostream>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliSupport.h"
#include "data/DataFiles.h"
#include "data/FstShape.h"

namespace velmora {

namespace {

using cli::Json;

Json ToJson(const Vec3& v) {
  return Json::array({v.x, v.y, v.z});
}

// False when the output could not be written.
bool Describe(const FstShape& shape, const std::string& file, bool summary, std::ostream& out) {
  cli::JsonObjectWriter j(out);
  j.Field("file", file);
  j.Field("pointCount", shape.pointCount);
  j.Field("faceCount", shape.faceCount);

  if (!summary) {
    Json palette = Json::array();
    for (int i : shape.NamedPaletteEntries())
      palette.push_back({{"index", i},
                         {"red", shape.paletteRed[i]},
                         {"green", shape.paletteGreen[i]},
                         {"blue", shape.paletteBlue[i]}});
    j.Field("palette", palette);
  }

  Vec3 lo, hi;
  if (shape.GetBoundingBox(lo, hi))
    j.Field("boundingBox", {{"min", ToJson(lo)}, {"max", ToJson(hi)}});
  else
    j.Field("boundingBox", nullptr);

  if (!summary) {
    j.BeginArray("vertices");
    const std::size_t n = shape.sourceVertices.size() / 3;
    for (std::size_t v = 0; v < n; ++v) {
      const double* c = &shape.sourceVertices[3 * v];
      if (!j.Element(Json::array({c[0], c[1], c[2]}))) return false;
    }
    j.EndArray();
    j.BeginArray("faces");
    for (const FstFace& face : shape.faces)
      if (!j.Element({{"colorIndex", face.colorIndex}, {"vertices", face.vertexIndices}}))
        return false;
    j.EndArray();
  }
  return j.Finish();
}

}  // namespace

int RunFstInfo(const FstInfoOptions& options, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": fst-info: ";
  cli::MessageCapture capture(err);
  // The loader says nothing about a file it cannot open, so ask first.
  if (!cli::IsReadableFile(options.file)) {
    err << prefix << "cannot read " << options.file << ": " << cli::ReadFailure(options.file)
        << "\n";
    return kExitBadInput;
  }

  std::string path = options.file;
  cli::CurrentDirChange dirChange;
  if (!cli::EnterDataDir(options.dir, {&path}, dirChange, prefix, err)) return kExitBadInput;

  FstShape shape;
  const int points = shape.Load(path, nullptr);
  if (capture.count() > 0) {
    if (!cli::IsReadableFile(FindDataFile("cols.fcd")))
      err << prefix << "looked for cols.fcd in "
          << (options.dir.empty() ? std::string("the current directory") : options.dir)
          << " (--dir chooses the folder)\n";
    return kExitBadInput;
  }
  // The loader's answer for a file with no object, or none with points, is that of a failed
  // load: the workbench lists no such sphere, and scoremap refuses it in the same words.
  if (points <= 0) {
    err << prefix << options.file << " " << cli::kNoPoints << "\n";
    return kExitBadInput;
  }
  if (!Describe(shape, options.file, options.summary, out)) return cli::OutputFailed(prefix, err);
  return kExitOk;
}

}  // namespace velmora
