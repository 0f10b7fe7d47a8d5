#include "cli/Cli.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <ostream>

#include "cli/CliSupport.h"
#ifdef VELMORA_CLI_RENDER
#include "cli/CliRender.h"
#endif

namespace velmora {

namespace {

constexpr const char* kParamOrder =
    "azimuth, altitude, rotation, focal length, distance, pan, tilt";

}  // namespace

bool ParseCameraParams(const std::string& text, CameraParams& params, std::string& why) {
  double v[7];
  if (!cli::ParseNumberList(text, 7, kParamOrder, v, why)) return false;
  params = CameraParams{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
  return true;
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Reads Velmora's shape and point files and reconstructs two-view data; prints "
      "JSON.",
      cli::kProgram};
  app.require_subcommand(1);

  FstInfoOptions fstOptions;
  CLI::App* fstInfo =
      app.add_subcommand("fst-info",
                         "What the FST loader makes of a shape file: counts, vertices, faces, the "
                         "palette entries named in cols.fcd and the bounding box.");
  fstInfo->add_option("FILE", fstOptions.file, "FST shape file (.fsd)")->required();
  fstInfo->add_option("--dir", fstOptions.dir,
                      "directory in which cols.fcd is read (default: the current directory)");
  fstInfo->add_flag("--summary", fstOptions.summary, "leave out the vertex and face lists");

  ReconstructOptions reconstructOptions;
  std::string firstText, secondText, positionFile;
  const std::string paramHelp = std::string("seven comma-separated numbers: ") + kParamOrder +
                                " (radians, scene units; default 0,0,0,10,50,0,0)";
  CLI::App* reconstruct = app.add_subcommand(
      "reconstruct", "Triangulates the point pairs of a vector data file with two cameras.");
  reconstruct->add_option("DATA", reconstructOptions.dataFile, "vector data file (.dtx, .txt)")
      ->required();
  CLI::Option* firstOption =
      reconstruct->add_option("--first", firstText, "first camera: " + paramHelp);
  CLI::Option* secondOption =
      reconstruct->add_option("--second", secondText, "second camera: " + paramHelp);
  CLI::Option* positionOption = reconstruct->add_option(
      "--position", positionFile,
      "position file whose nine values are applied as a finished glide would: second "
      "camera pose, both distances and the scale");
  reconstruct->add_flag("--skip-negative", reconstructOptions.skipNegative,
                        "reject pairs whose rays meet behind a camera");

#ifdef VELMORA_CLI_RENDER
  RenderOptions renderOptions;
  CLI::App* render = AddRenderSubcommand(app, renderOptions);
#endif

  ScoremapOptions scoremapOptions;
  std::string mapKind, viewName, mapFirstText, mapSecondText;
  CLI::App* scoremap = app.add_subcommand(
      "scoremap",
      "Colours a sample sphere by the reconstruction error of every vertex direction, as the "
      "workbench's main sphere (positions) or a view's Pan/Tilt sphere (directions) shows it.");
  scoremap->add_option("--sphere", scoremapOptions.sphereFile, "sphere shape file (.fsd)")
      ->required();
  scoremap->add_option("--data", scoremapOptions.dataFile, "vector data file (.dtx, .txt)")
      ->required();
  scoremap->add_option("--map", mapKind, "positions or directions")->required();
  CLI::Option* viewOption = scoremap->add_option("--view", viewName,
                                                 "view that turns in the direction map: first or "
                                                 "second (default second)");
  CLI::Option* distanceOption = scoremap->add_flag(
      "--distance", scoremapOptions.distance,
      "position map: pull every vertex toward the centre by its score and print it");
  CLI::Option* mapFirstOption =
      scoremap->add_option("--first", mapFirstText, "first camera: " + paramHelp);
  CLI::Option* mapSecondOption =
      scoremap->add_option("--second", mapSecondText, "second camera: " + paramHelp);
  scoremap->add_flag("--skip-negative", scoremapOptions.skipNegative,
                     "reject pairs whose rays meet behind a camera");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kExitOk : kExitBadInput;
  }

  try {
    if (fstInfo->parsed()) return RunFstInfo(fstOptions, out, err);
    std::string why;
    if (scoremap->parsed()) {
      const std::string prefix = std::string(cli::kProgram) + ": scoremap: ";
      if (mapKind != "positions" && mapKind != "directions") {
        err << prefix << "--map: expected positions or directions, got \"" << mapKind << "\"\n";
        return kExitBadInput;
      }
      scoremapOptions.directions = mapKind == "directions";
      if (*viewOption) {
        if (!scoremapOptions.directions) {
          err << prefix << "--view applies to the direction map only\n";
          return kExitBadInput;
        }
        if (viewName != "first" && viewName != "second") {
          err << prefix << "--view: expected first or second, got \"" << viewName << "\"\n";
          return kExitBadInput;
        }
        scoremapOptions.secondTurns = viewName == "second";
      }
      if (*distanceOption && scoremapOptions.directions) {
        err << prefix << "--distance applies to the position map only\n";
        return kExitBadInput;
      }
      if (*mapFirstOption && !ParseCameraParams(mapFirstText, scoremapOptions.first, why)) {
        err << prefix << "--first: " << why << "\n";
        return kExitBadInput;
      }
      if (*mapSecondOption && !ParseCameraParams(mapSecondText, scoremapOptions.second, why)) {
        err << prefix << "--second: " << why << "\n";
        return kExitBadInput;
      }
      return RunScoremap(scoremapOptions, out, err);
    }
#ifdef VELMORA_CLI_RENDER
    if (render->parsed()) return RunRender(renderOptions, out, err);
#endif

    const std::string prefix = std::string(cli::kProgram) + ": reconstruct: ";
    if (*firstOption && !ParseCameraParams(firstText, reconstructOptions.first, why)) {
      err << prefix << "--first: " << why << "\n";
      return kExitBadInput;
    }
    if (*secondOption && !ParseCameraParams(secondText, reconstructOptions.second, why)) {
      err << prefix << "--second: " << why << "\n";
      return kExitBadInput;
    }
    if (*positionOption) reconstructOptions.positionFile = positionFile;
    return RunReconstruct(reconstructOptions, out, err);
  } catch (const std::exception& e) {
    err << cli::kProgram << ": " << e.what() << "\n";
    return 1;
  }
}

}  // namespace velmora
