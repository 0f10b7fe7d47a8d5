#pragma once
// import, and the options by which reconstruct and render read real data directly: a
// calibrated rig with matched pixels, or two images of a COLMAP text model.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "data/import/Import.h"
#include "render/Workbench.h"

namespace CLI {
class App;
}

namespace velmora {

struct ImportSource {
  std::vector<std::string> rig;  // one FileStorage file, or intrinsics and extrinsics
  std::string matches;
  std::string pixelOrigin;          // the top-left pixel's centre in the matches file; empty for 0
  std::string colmap;               // folder of cameras.txt and images.txt
  std::string images;               // "ID1,ID2"
  std::vector<std::string> photos;  // two pictures taken with the rig
  std::string baseline;             // of photos whose rig has no R and T; empty for 1
  bool Given() const {
    return !rig.empty() || !matches.empty() || !colmap.empty() || !photos.empty();
  }
};

// --rig, --matches, --pixel-origin, --colmap and --images on a subcommand.
void AddImportSourceOptions(CLI::App& sub, ImportSource& source);

// Reads and converts what the options name; false with the reason (file, line) in why.
bool ReadImportSource(const ImportSource& source, ImportedViews& views, std::string& why);

// ReadImportSource then ApplyImport into views, with the rejection flag set as LoadViews
// sets it; false with prefix and the reason on err. imported, when given, receives what
// was read.
bool LoadImportedViews(const ImportSource& source, bool skipNegative, const std::string& prefix,
                       std::ostream& err, cli::ViewPair& views, ImportedViews* imported = nullptr);

// The paths the options name, for a subcommand that changes directory.
std::vector<std::string*> ImportPaths(ImportSource& source);

struct ImportOptions {
  ImportSource source;
  std::string out;  // PREFIX: PREFIX.dtx and PREFIX.position.txt
};

CLI::App* AddImportSubcommand(CLI::App& app, ImportOptions& options);
// Writes the vector data file and the position file, prints both views' parameters and
// the reconstruction's summary as JSON.
int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmora
