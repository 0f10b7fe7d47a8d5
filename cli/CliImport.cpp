// import: real data into a vector data file and a position file.

#include "cli/CliImport.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <ostream>

#include "camera/PositionFile.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliSupport.h"
#include "data/FileWrite.h"
#include "data/NumberParse.h"
#include "render/Export.h"

namespace velmora {

void AddImportSourceOptions(CLI::App& sub, ImportSource& s) {
  sub.add_option("--rig", s.rig,
                 "calibrated rig, OpenCV FileStorage (YAML, XML, JSON): M1 D1 M2 D2 (or K1 K2) "
                 "and R T, in one file or two (--rig INTRINSICS --rig EXTRINSICS)")
      ->type_name("FILE")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  sub.add_option("--matches", s.matches,
                 "matched pixels of the rig's two cameras: rows u1 v1 u2 v2 separated by blanks, "
                 "tabs or commas; '#' comments, an optional header line")
      ->type_name("FILE");
  sub.add_option("--pixel-origin", s.pixelOrigin,
                 "where the matches file puts the centre of the top-left pixel: 0 (OpenCV's "
                 "convention, the default) or 0.5")
      ->type_name("X");
  sub.add_option("--colmap", s.colmap, "folder of a COLMAP text model (cameras.txt, images.txt)")
      ->type_name("DIR");
  sub.add_option("--photos", s.photos,
                 "two pictures taken with the rig's cameras (with --rig): features matched, "
                 "the pose from the rig's R and T, or from the essential matrix")
      ->type_name("A B")
      ->expected(2);
  sub.add_option("--baseline", s.baseline,
                 "the distance between the cameras when the pose comes from the photos "
                 "(default 1)")
      ->type_name("LENGTH");
  sub.add_option("--images", s.images, "the two images of the COLMAP model to pair, by id")
      ->type_name("ID1,ID2");
}

bool ReadImportSource(const ImportSource& s, ImportedViews& views, std::string& why) {
  if (!s.colmap.empty()) {
    if (!s.rig.empty() || !s.matches.empty()) {
      why = "--colmap takes no --rig or --matches";
      return false;
    }
    double ids[2];
    if (!cli::ParseNumberList(s.images, 2, "ID1, ID2", ids, why) || !IsWholeNumber(ids[0]) ||
        !IsWholeNumber(ids[1])) {
      why = "--images: " + (why.empty() ? "'" + s.images + "' is not two image ids" : why);
      return false;
    }
    return ImportColmap(s.colmap, static_cast<long>(ids[0]), static_cast<long>(ids[1]), views, why);
  }
  if (!s.photos.empty()) {
    double baseline = 1;
    if (s.rig.empty() || !s.matches.empty()) {
      why = "--photos goes with --rig and without --matches";
      return false;
    }
    if (!s.baseline.empty() && !cli::ParseNumberList(s.baseline, 1, "LENGTH", &baseline, why)) {
      why = "--baseline: " + why;
      return false;
    }
    return ImportPhotos(s.photos[0], s.photos[1], s.rig, baseline, views, why);
  }
  if (s.rig.empty() || s.matches.empty()) {
    why = "--rig and --matches go together (or --colmap with --images)";
    return false;
  }
  double origin = kOpenCvPixelOrigin;
  if (!s.pixelOrigin.empty() && !cli::ParseNumberList(s.pixelOrigin, 1, "X", &origin, why)) {
    why = "--pixel-origin: " + why;
    return false;
  }
  return ImportRigAndMatches(s.rig, s.matches, origin, views, why);
}

bool LoadImportedViews(const ImportSource& source, bool skipNegative, const std::string& prefix,
                       std::ostream& err, cli::ViewPair& views, ImportedViews* imported) {
  ImportedViews read;
  std::string why;
  if (!ReadImportSource(source, read, why)) {
    err << prefix << why << "\n";
    return false;
  }
  views.first.skipNegativeST = views.second.skipNegativeST = skipNegative;
  ApplyImport(read, views.workbench);
  views.pairs = read.data.count;
  if (imported != nullptr) *imported = std::move(read);
  return true;
}

std::vector<std::string*> ImportPaths(ImportSource& s) {
  std::vector<std::string*> paths;
  for (std::string& rig : s.rig) paths.push_back(&rig);
  for (std::string* path : {&s.matches, &s.colmap})
    if (!path->empty()) paths.push_back(path);
  for (std::string& photo : s.photos) paths.push_back(&photo);
  return paths;
}

CLI::App* AddImportSubcommand(CLI::App& app, ImportOptions& o) {
  CLI::App* import = app.add_subcommand(
      "import",
      "Converts a calibrated rig with matched pixels, or two images of a COLMAP text model, "
      "into a vector data file and a position file for the workbench.");
  AddImportSourceOptions(*import, o.source);
  import->add_option("--out", o.out, "writes PREFIX.dtx and PREFIX.position.txt")
      ->required()
      ->type_name("PREFIX");
  return import;
}

int RunImport(const ImportOptions& o, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": import: ";
  cli::MessageCapture capture(err);
  ImportedViews imported;
  cli::ViewPair views;
  if (!LoadImportedViews(o.source, false, prefix, err, views, &imported) || capture.count() > 0)
    return kExitBadInput;
  std::string why;

  const std::string dataFile = o.out + ".dtx", positionFile = o.out + ".position.txt";
  if (!WriteWholeFile(dataFile, VectorDataText(imported.data), why) ||
      !WritePositionFile(positionFile, views.first, views.second, imported.scale, why)) {
    err << prefix << why << "\n";
    return kExitBadInput;
  }

  cli::JsonObjectWriter j(out);
  j.Field("data", dataFile);
  j.Field("position", positionFile);
  const double error = views.second.ReconstructionError();
  j.Field("error", cli::JsonNumber(error));
  j.Field("pairs", imported.data.count);
  j.Field("first", cli::DescribeView(views.first));
  j.Field("second", cli::DescribeView(views.second));
  j.Field("sceneScale", imported.sceneScale);
  j.Field("medianDepth", imported.medianDepth);
  if (!j.Finish()) return cli::OutputFailed(prefix, err);
  return kExitOk;
}

}  // namespace velmora
