// reconstruct: two cameras, one vector data file, the triangulated pairs as JSON.

#include <cmath>
#include <nlohmann/json.hpp>
#include <ostream>

#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "data/VectorData.h"

namespace velmora {

namespace {

using Json = nlohmann::ordered_json;

Json ToJson(const Vec3& v) {
  return Json::array({v.x, v.y, v.z});
}

Json Describe(const CameraModel& view) {
  const CameraParams p = view.GetParams();
  return {{"azimuth", p.azimuth},   {"altitude", p.altitude},
          {"rotation", p.rotation}, {"focalLength", p.focalLength},
          {"distance", p.distance}, {"pan", p.pan},
          {"tilt", p.tilt},         {"scale", static_cast<double>(view.GetScale())}};
}

}  // namespace

int RunReconstruct(const ReconstructOptions& options, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": reconstruct: ";
  cli::MessageCapture capture(err);

  VectorData data;
  if (!ReadVectorData(options.dataFile, data)) {
    err << prefix << "cannot read data file " << options.dataFile << "\n";
    return kExitBadInput;
  }

  CameraModel first, second;
  first.otherView = &second;
  second.otherView = &first;
  first.SetParams(options.first);
  second.SetParams(options.second);
  if (options.positionFile) {
    double targets[kPositionTargetCount];
    // The workbench falls back to a fixed pose here; a script asked for this file.
    if (!LoadPositionFile(*options.positionFile, targets)) {
      err << prefix << "cannot read position file " << *options.positionFile << "\n";
      return kExitBadInput;
    }
    SetPositionValues(targets, first, second);
  }
  first.skipNegativeST = second.skipNegativeST = options.skipNegative;

  // The reader splits the lines in halves, so both views get the same count.
  const int n = data.count;
  LoadImagePoints(first, data.firstX.data(), data.firstY.data(), n);
  LoadImagePoints(second, data.secondX.data(), data.secondY.data(), n);
  if (capture.count() > 0) return kExitBadInput;

  Json j;
  const double error = second.ReconstructionError();
  j["error"] = std::isfinite(error) ? Json(error) : Json(nullptr);
  j["pairs"] = n;
  j["first"] = Describe(first);
  j["second"] = Describe(second);
  Json points = Json::array();
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    Vec3 midpoint;
    second.GetMidpoint(i, midpoint);
    points.push_back({{"first", Json::array({first.imageX[k], first.imageY[k]})},
                      {"second", Json::array({second.imageX[k], second.imageY[k]})},
                      {"firstRay", ToJson(first.rayPoints[k])},
                      {"secondRay", ToJson(second.rayPoints[k])},
                      {"midpoint", ToJson(midpoint)}});
  }
  j["points"] = std::move(points);
  out << j.dump(2) << "\n";
  return kExitOk;
}

}  // namespace velmora
