// scoremap: a sample sphere coloured by the error of every vertex direction, computed by the
// workbench's own map code, as JSON.

#include <cmath>
#include <ostream>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliSupport.h"
#include "data/DataFiles.h"
#include "data/FstShape.h"
#include "render/ErrorColourScale.h"
#include "render/ErrorMaps.h"

namespace velmora {

namespace {

using cli::Json;

// The map as JSON: its bounds, then per vertex the score, where it lies, its colour and,
// in radial mode, where it was drawn.
int PrintScores(const ScoremapOptions& options, int pairs, const FstShape& sphere,
                const std::vector<double>& scores, std::ostream& out, std::ostream& err,
                const std::string& prefix) {
  // The bounds the colours were scaled by: every score for the minimum, and in the
  // position map only the ordinary ones (below 50) for the maximum.
  double min = 0, max = 0;
  // Without pairs every score is log 0: no bounds, and then neither is printed.
  const bool bounded = ScoreRange(scores, min, max, !options.directions) && min <= max &&
                       std::isfinite(min) && std::isfinite(max);

  cli::JsonObjectWriter j(out);
  j.Field("sphere", options.sphereFile);
  j.Field("map", options.directions ? "directions" : "positions");
  if (options.directions) j.Field("view", options.secondTurns ? "second" : "first");
  j.Field("errorKind", ErrorKindName(options.error));
  j.Field("pairs", pairs);
  j.Field("vertexCount", scores.size());
  j.Field("min", bounded ? Json(min) : Json(nullptr));
  j.Field("max", bounded ? Json(max) : Json(nullptr));
  j.BeginArray("vertices");
  for (std::size_t v = 0; v < scores.size(); ++v) {
    Json entry;
    entry["score"] = cli::JsonNumber(scores[v]);
    // Where the vertex lies on the sphere: the direction it scores.
    entry["position"] = Json::array({sphere.sourceVertices[3 * v], sphere.sourceVertices[3 * v + 1],
                                     sphere.sourceVertices[3 * v + 2]});
    entry["colour"] = Json::array({sphere.vertexColours[3 * v], sphere.vertexColours[3 * v + 1],
                                   sphere.vertexColours[3 * v + 2]});
    if (options.distance)
      entry["vertex"] = Json::array(
          {sphere.vertices[3 * v], sphere.vertices[3 * v + 1], sphere.vertices[3 * v + 2]});
    if (!j.Element(entry)) return cli::OutputFailed(prefix, err);
  }
  j.EndArray();
  if (!j.Finish()) return cli::OutputFailed(prefix, err);
  return kExitOk;
}

}  // namespace

int RunScoremap(const ScoremapOptions& options, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": scoremap: ";
  cli::MessageCapture capture(err);

  std::string sphereFile = options.sphereFile, dataFile = options.dataFile;
  // A sphere named bare and not found here is a sample sphere: looked for in --dir, then
  // where the workbench looks for its spheres.
  const bool sampleSphere = !cli::IsReadableFile(sphereFile) &&
                            sphereFile.find('/') == std::string::npos && !sphereFile.empty();
  cli::CurrentDirChange dirChange;
  std::vector<std::string*> named{&dataFile};
  if (!sampleSphere) named.push_back(&sphereFile);
  if (!cli::EnterDataDir(options.dir, named, dirChange, prefix, err)) return kExitBadInput;
  if (sampleSphere) sphereFile = FindDataFile(sphereFile);
  if (!cli::IsReadableFile(sphereFile)) {
    err << prefix << "cannot read sphere file " << options.sphereFile << ": "
        << cli::ReadFailure(sphereFile) << "\n";
    return kExitBadInput;
  }
  FstShape sphere;
  if (sphere.Load(sphereFile, nullptr) <= 0) {
    // The loader has said why, unless the file is well formed but empty.
    if (capture.count() > 0)
      err << prefix << "cannot read sphere file " << options.sphereFile << "\n";
    else
      err << prefix << "sphere file " << options.sphereFile << " " << cli::kNoPoints << "\n";
    return kExitBadInput;
  }
  cli::ViewPair views;
  if (!cli::LoadViews(dataFile, options.first, options.second, std::nullopt, options.skipNegative,
                      prefix, err, views))
    return kExitBadInput;
  CameraModel& first = views.first;
  CameraModel& second = views.second;
  if (capture.count() > 0) return kExitBadInput;

  AllocateVertexColours(sphere);
  sphere.radialScore = options.distance;
  std::vector<double> scores;
  MapSettings settings;
  settings.error = options.error;
  if (options.directions)
    MapScoreOverDirections(sphere, options.secondTurns ? second : first, second, &scores, nullptr,
                           settings);
  else
    MapScoreOverPositions(sphere, second, &scores, nullptr, settings);

  return PrintScores(options, views.pairs, sphere, scores, out, err, prefix);
}

}  // namespace velmora
