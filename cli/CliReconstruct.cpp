// reconstruct: two cameras, one vector data file, the triangulated pairs as JSON.

#include <cmath>
#include <nlohmann/json.hpp>
#include <ostream>

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

// Where the glide to the position file ends: its nine targets on the parameters they
// drive. Set outright rather than stepped there, so the values are the file's exactly.
void ApplyPositionTargets(const double (&t)[kPositionTargetCount], CameraModel& first,
                          CameraModel& second) {
  second.SetAzAlt(t[POS_AZIMUTH], t[POS_ALTITUDE]);
  second.SetRotation(t[POS_ROTATION]);
  second.SetFocalLength(t[POS_FOCAL_LENGTH]);
  first.SetDistance(t[POS_FIRST_DISTANCE]);
  second.SetDistance(t[POS_SECOND_DISTANCE]);
  second.SetPanTilt(t[POS_PAN], t[POS_TILT]);
  // The views take the scale as it is, 0 included; only the scene maps 0 to 1.
  const float scale = static_cast<float>(t[POS_SCALE]);
  first.SetScale(scale);
  second.SetScale(scale);
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
    ApplyPositionTargets(targets, first, second);
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
