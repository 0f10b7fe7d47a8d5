#include "cli/Cli.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <new>
#include <ostream>
#include <string_view>

#include "cli/CliSupport.h"
#ifdef VELMORA_CLI_RENDER
#include "cli/CliRender.h"
#endif

namespace velmora {

namespace {

constexpr const char* kParamOrder =
    "azimuth, altitude, rotation, focal length, distance, pan, tilt";

const std::string& ParamHelp() {
  static const std::string help = std::string("seven comma-separated numbers: ") + kParamOrder +
                                  " (radians, scene units; default 0,0,0,10,50,0,0)";
  return help;
}

// A camera option's text into params when it was given; false with the message on err.
bool ReadCameraOption(const CLI::Option* option, const std::string& text, const char* name,
                      const std::string& prefix, CameraParams& params, std::ostream& err) {
  std::string why;
  if (!*option || ParseCameraParams(text, params, why)) return true;
  err << prefix << name << ": " << why << "\n";
  return false;
}

constexpr const char* kDirHelp =
    "folder in which cols.fcd and the other data files are looked for first (default: the "
    "current directory); files named on the command line are named from where the tool runs";

CLI::App* AddFstInfo(CLI::App& app, FstInfoOptions& o) {
  CLI::App* fstInfo =
      app.add_subcommand("fst-info",
                         "What the FST loader makes of a shape file: counts, vertices, faces, the "
                         "palette entries named in cols.fcd and the bounding box.");
  fstInfo->add_option("FILE", o.file, "FST shape file (.fsd)")->required();
  fstInfo->add_option("--dir", o.dir, kDirHelp);
  fstInfo->add_flag("--summary", o.summary, "leave out the palette and the vertex and face lists");
  return fstInfo;
}

// reconstruct's options as typed, checked once the line is parsed.
struct ReconstructArgs {
  ReconstructOptions options;
  std::string firstText, secondText, positionFile;
  CLI::Option *first = nullptr, *second = nullptr, *position = nullptr;
};

CLI::App* AddReconstruct(CLI::App& app, ReconstructArgs& a) {
  CLI::App* reconstruct = app.add_subcommand(
      "reconstruct", "Triangulates the point pairs of a vector data file with two cameras.");
  reconstruct->add_option("DATA", a.options.dataFile, "vector data file (.dtx, .txt)")->required();
  a.first = reconstruct->add_option("--first", a.firstText, "first camera: " + ParamHelp());
  a.second = reconstruct->add_option("--second", a.secondText, "second camera: " + ParamHelp());
  a.position = reconstruct->add_option(
      "--position", a.positionFile,
      "position file whose nine values are applied as a finished glide would: second "
      "camera pose, both distances and the scale");
  reconstruct->add_flag("--skip-negative", a.options.skipNegative,
                        "reject pairs whose rays meet behind a camera");
  return reconstruct;
}

int FinishReconstruct(ReconstructArgs& a, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": reconstruct: ";
  if (!ReadCameraOption(a.first, a.firstText, "--first", prefix, a.options.first, err) ||
      !ReadCameraOption(a.second, a.secondText, "--second", prefix, a.options.second, err))
    return kExitBadInput;
  if (*a.position) a.options.positionFile = a.positionFile;
  return RunReconstruct(a.options, out, err);
}

// scoremap's options as typed, checked once the line is parsed.
struct ScoremapArgs {
  ScoremapOptions options;
  std::string mapKind, viewName, firstText, secondText;
  CLI::Option *view = nullptr, *distance = nullptr, *first = nullptr, *second = nullptr;
};

CLI::App* AddScoremap(CLI::App& app, ScoremapArgs& a) {
  CLI::App* scoremap = app.add_subcommand(
      "scoremap",
      "Colours a sample sphere by the reconstruction error of every vertex direction, as the "
      "workbench's main sphere (positions) or a view's Pan/Tilt sphere (directions) shows it.");
  scoremap->add_option("--sphere", a.options.sphereFile, "sphere shape file (.fsd)")->required();
  scoremap->add_option("--data", a.options.dataFile, "vector data file (.dtx, .txt)")->required();
  scoremap->add_option("--map", a.mapKind, "positions or directions")->required();
  scoremap->add_option("--dir", a.options.dir, kDirHelp);
  a.view = scoremap->add_option("--view", a.viewName,
                                "view that turns in the direction map: first or "
                                "second (default second)");
  a.distance = scoremap->add_flag(
      "--distance", a.options.distance,
      "position map: pull every vertex toward the centre by its score and print it");
  a.first = scoremap->add_option("--first", a.firstText, "first camera: " + ParamHelp());
  a.second = scoremap->add_option("--second", a.secondText, "second camera: " + ParamHelp());
  scoremap->add_flag("--skip-negative", a.options.skipNegative,
                     "reject pairs whose rays meet behind a camera");
  return scoremap;
}

int FinishScoremap(ScoremapArgs& a, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": scoremap: ";
  ScoremapOptions& o = a.options;
  if (a.mapKind != "positions" && a.mapKind != "directions") {
    err << prefix << "--map: expected positions or directions, got \"" << a.mapKind << "\"\n";
    return kExitBadInput;
  }
  o.directions = a.mapKind == "directions";
  if (*a.view) {
    if (!o.directions) {
      err << prefix << "--view applies to the direction map only\n";
      return kExitBadInput;
    }
    if (a.viewName != "first" && a.viewName != "second") {
      err << prefix << "--view: expected first or second, got \"" << a.viewName << "\"\n";
      return kExitBadInput;
    }
    o.secondTurns = a.viewName == "second";
  }
  if (*a.distance && o.directions) {
    err << prefix << "--distance applies to the position map only\n";
    return kExitBadInput;
  }
  if (!ReadCameraOption(a.first, a.firstText, "--first", prefix, o.first, err) ||
      !ReadCameraOption(a.second, a.secondText, "--second", prefix, o.second, err))
    return kExitBadInput;
  return RunScoremap(o, out, err);
}

constexpr const char* kFooter =
    "Exit status: 0 on success; 1 for an internal error of the tool; 2 for a usage error, an "
    "input that cannot be read or is refused, an output that cannot be written, or memory "
    "running out.\n";

// CLI11's words for a bad command line, made to name what was not understood.
void ReportParseError(CLI::App& app, const CLI::ParseError& e, int argc, char** argv,
                      std::ostream& err) {
  err << cli::kProgram << ": ";
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  if (chosen.empty()) {
    // Only a subcommand may come first; CLI11 would only say that one is required.
    const std::string_view first = argc > 1 ? argv[1] : "";
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({}))
      names += (names.empty() ? "" : ", ") + sub->get_name();
    if (first.empty())
      err << "a subcommand is required: " << names;
    else if (first.front() == '-')
      err << "unknown option " << first << "; a subcommand comes first: " << names;
    else
      err << "unknown subcommand \"" << first << "\"; expected one of " << names;
  } else {
    err << chosen.front()->get_name() << ": ";
    const std::string what = e.what();
    const std::size_t colon = what.find(": ");
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr && colon != std::string::npos)
      err << "unknown option or extra argument: " << what.substr(colon + 2);
    else
      err << what;
  }
  err << "\nRun with --help for more information.\n";
}

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
  app.set_version_flag("--version", std::string("Velmora ") + VELMORA_VERSION);
  app.footer(kFooter);
  FstInfoOptions fstOptions;
  CLI::App* fstInfo = AddFstInfo(app, fstOptions);
  ReconstructArgs reconstructArgs;
  AddReconstruct(app, reconstructArgs);
#ifdef VELMORA_CLI_RENDER
  RenderOptions renderOptions;
  CLI::App* render = AddRenderSubcommand(app, renderOptions);
#endif
  ScoremapArgs scoremapArgs;
  CLI::App* scoremap = AddScoremap(app, scoremapArgs);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    app.exit(e, out, err);
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    // --help and --version come here too, with a code of 0.
    if (e.get_exit_code() == 0) {
      app.exit(e, out, err);
      return kExitOk;
    }
    ReportParseError(app, e, argc, argv, err);
    return kExitBadInput;
  }

  try {
    if (fstInfo->parsed()) return RunFstInfo(fstOptions, out, err);
    if (scoremap->parsed()) return FinishScoremap(scoremapArgs, out, err);
#ifdef VELMORA_CLI_RENDER
    if (render->parsed()) return RunRender(renderOptions, out, err);
#endif
    return FinishReconstruct(reconstructArgs, out, err);
  } catch (const cli::LowMemory&) {
    // The core has said "Low memory!" already.
    err << cli::kProgram << ": out of memory: the input is too large for the memory available\n";
    return kExitBadInput;
  } catch (const std::bad_alloc&) {
    // Too large an input for this machine: the input's fault, not the tool's.
    err << cli::kProgram
        << ": out of memory: the input is too large for the memory "
           "available\n";
    return kExitBadInput;
  } catch (const std::exception& e) {
    err << cli::kProgram << ": internal error: " << e.what() << "\n";
    return kExitInternal;
  }
}

}  // namespace velmora
