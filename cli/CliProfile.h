#pragma once
// profile and slice: the error along one camera parameter around the current pose, or over
// two as a grid, as JSON and optionally a PNG of the plot.

#include <iosfwd>
#include <optional>
#include <string>

#include "camera/CameraModel.h"
#include "render/Landscape.h"

namespace CLI {
class App;
}

namespace velmora {

struct LandscapeOptions {
  bool slice = false;
  std::string dataFile;
  std::string firstText, secondText, positionFile, errorText = "plain";
  std::string viewText = "2", paramText = "azimuth", view2Text, param2Text;
  double range = 0.5;
  std::optional<double> range2;
  std::optional<int> steps, steps2;  // unset: 201 for a profile, 101 for a slice
  int threads = 0;
  std::string png;
  bool skipNegative = false;
};

CLI::App* AddLandscapeSubcommand(CLI::App& app, LandscapeOptions& options, bool slice);
int RunLandscape(const LandscapeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmora
