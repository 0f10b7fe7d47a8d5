// reconstruct: two cameras, one vector data file, the triangulated pairs as JSON.

#include <cmath>
#include <ostream>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliSupport.h"

namespace velmora {

namespace {

using cli::Json;

Json ToJson(const Vec3& v) {
  return Json::array({v.x, v.y, v.z});
}

}  // namespace

Json cli::DescribeView(const CameraModel& view) {
  const CameraParams p = view.GetParams();
  return {{"azimuth", p.azimuth},   {"altitude", p.altitude},
          {"rotation", p.rotation}, {"focalLength", p.focalLength},
          {"distance", p.distance}, {"pan", p.pan},
          {"tilt", p.tilt},         {"scale", static_cast<double>(view.GetScale())}};
}

int RunReconstruct(const ReconstructOptions& options, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": reconstruct: ";
  cli::MessageCapture capture(err);

  cli::ViewPair views;
  if (options.import.Given()
          ? !LoadImportedViews(options.import, options.skipNegative, prefix, err, views)
          : !cli::LoadViews(options.dataFile, options.first, options.second, options.positionFile,
                            options.skipNegative, prefix, err, views))
    return kExitBadInput;
  const CameraModel& first = views.first;
  const CameraModel& second = views.second;
  const int n = views.pairs;
  if (capture.count() > 0) return kExitBadInput;

  cli::JsonObjectWriter j(out);
  const double error = second.ReconstructionError(options.error);
  j.Field("error", cli::JsonNumber(error));
  j.Field("errorKind", ErrorKindName(options.error));
  j.Field("pairs", n);
  j.Field("first", cli::DescribeView(first));
  j.Field("second", cli::DescribeView(second));
  j.BeginArray("points");
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    Vec3 midpoint;
    second.GetMidpoint(i, midpoint);
    const bool written = j.Element({{"first", Json::array({first.imageX[k], first.imageY[k]})},
                                    {"second", Json::array({second.imageX[k], second.imageY[k]})},
                                    {"firstRay", ToJson(first.rayPoints[k])},
                                    {"secondRay", ToJson(second.rayPoints[k])},
                                    {"midpoint", ToJson(midpoint)}});
    if (!written) return cli::OutputFailed(prefix, err);
  }
  j.EndArray();
  if (!j.Finish()) return cli::OutputFailed(prefix, err);
  return kExitOk;
}

}  // namespace velmora
