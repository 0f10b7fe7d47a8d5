#include "cli/Cli.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <memory>
#include <new>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "cli/CliProfile.h"
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
  fstInfo->add_option("FILE", o.file, "FST shape file (.fsd)")->required()->type_name("");
  fstInfo->add_option("--dir", o.dir, kDirHelp)->type_name("DIR");
  fstInfo->add_flag("--summary", o.summary, "leave out the palette and the vertex and face lists");
  return fstInfo;
}

// reconstruct's options as typed, checked once the line is parsed.
struct ReconstructArgs {
  ReconstructOptions options;
  std::string firstText, secondText, positionFile, errorText = "plain";
  CLI::Option *first = nullptr, *second = nullptr, *position = nullptr;
};

// --error on a subcommand; its value is read by ReadErrorOption.
void AddErrorOption(CLI::App* sub, std::string& text) {
  sub->add_option("--error", text, cli::kErrorHelp)->type_name("KIND");
}

bool ReadErrorOption(const std::string& text, const std::string& prefix, ErrorKind& kind,
                     std::ostream& err) {
  std::string why;
  if (cli::ParseErrorOption(text, kind, why)) return true;
  err << prefix << why << "\n";
  return false;
}

CLI::App* AddReconstruct(CLI::App& app, ReconstructArgs& a) {
  CLI::App* reconstruct = app.add_subcommand(
      "reconstruct", "Triangulates the point pairs of a vector data file with two cameras.");
  reconstruct
      ->add_option("DATA", a.options.dataFile,
                   "vector data file (.dtx, .txt); or real data through the options below")
      ->type_name("");
  AddImportSourceOptions(*reconstruct, a.options.import);
  a.first = reconstruct->add_option("--first", a.firstText, "first camera: " + ParamHelp())
                ->type_name("PARAMS");
  a.second = reconstruct->add_option("--second", a.secondText, "second camera, as --first")
                 ->type_name("PARAMS");
  a.position =
      reconstruct
          ->add_option(
              "--position", a.positionFile,
              "position file whose nine values are applied as a finished glide would: second "
              "camera pose, both distances and the scale")
          ->type_name("FILE");
  reconstruct->add_flag("--skip-negative", a.options.skipNegative,
                        "reject pairs whose rays meet behind a camera");
  AddErrorOption(reconstruct, a.errorText);
  return reconstruct;
}

int FinishReconstruct(ReconstructArgs& a, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": reconstruct: ";
  if (!ReadCameraOption(a.first, a.firstText, "--first", prefix, a.options.first, err) ||
      !ReadCameraOption(a.second, a.secondText, "--second", prefix, a.options.second, err) ||
      !ReadErrorOption(a.errorText, prefix, a.options.error, err))
    return kExitBadInput;
  if (*a.position) a.options.positionFile = a.positionFile;
  if (a.options.dataFile.empty() == !a.options.import.Given()) {
    err << prefix << "give either DATA or real data (--rig and --matches, or --colmap)\n";
    return kExitBadInput;
  }
  if (a.options.import.Given() && (*a.first || *a.second || *a.position)) {
    err << prefix << "real data brings its own poses: no --first, --second or --position\n";
    return kExitBadInput;
  }
  return RunReconstruct(a.options, out, err);
}

// scoremap's options as typed, checked once the line is parsed.
struct ScoremapArgs {
  ScoremapOptions options;
  std::string mapKind, viewName, firstText, secondText, errorText = "plain";
  CLI::Option *view = nullptr, *distance = nullptr, *first = nullptr, *second = nullptr;
};

CLI::App* AddScoremap(CLI::App& app, ScoremapArgs& a) {
  CLI::App* scoremap = app.add_subcommand(
      "scoremap",
      "Colours a sample sphere by the reconstruction error of every vertex direction, as the "
      "workbench's main sphere (positions) or a view's Pan/Tilt sphere (directions) shows it.");
  scoremap->add_option("--sphere", a.options.sphereFile, "sphere shape file (.fsd)")
      ->required()
      ->type_name("FILE");
  scoremap->add_option("--data", a.options.dataFile, "vector data file (.dtx, .txt)")
      ->required()
      ->type_name("DATA");
  scoremap->add_option("--map", a.mapKind, "positions or directions")
      ->required()
      ->type_name("KIND");
  scoremap->add_option("--dir", a.options.dir, kDirHelp)->type_name("DIR");
  a.view = scoremap
               ->add_option("--view", a.viewName,
                            "view that turns in the direction map: first or "
                            "second (default second)")
               ->type_name("VIEW");
  a.distance = scoremap->add_flag(
      "--distance", a.options.distance,
      "position map: pull every vertex toward the centre by its score and print it");
  a.first = scoremap->add_option("--first", a.firstText, "first camera: " + ParamHelp())
                ->type_name("PARAMS");
  a.second = scoremap->add_option("--second", a.secondText, "second camera, as --first")
                 ->type_name("PARAMS");
  scoremap->add_flag("--skip-negative", a.options.skipNegative,
                     "reject pairs whose rays meet behind a camera");
  AddErrorOption(scoremap, a.errorText);
  return scoremap;
}

int FinishScoremap(ScoremapArgs& a, std::ostream& out, std::ostream& err) {
  const std::string prefix = std::string(cli::kProgram) + ": scoremap: ";
  ScoremapOptions& o = a.options;
  if (a.mapKind != "positions" && a.mapKind != "directions") {
    err << prefix << "--map: '" << a.mapKind << "' is not positions or directions\n";
    return kExitBadInput;
  }
  o.directions = a.mapKind == "directions";
  if (*a.view) {
    if (!o.directions) {
      err << prefix << "--view applies to the direction map only\n";
      return kExitBadInput;
    }
    if (a.viewName != "first" && a.viewName != "second") {
      err << prefix << "--view: '" << a.viewName << "' is not first or second\n";
      return kExitBadInput;
    }
    o.secondTurns = a.viewName == "second";
  }
  if (*a.distance && o.directions) {
    err << prefix << "--distance applies to the position map only\n";
    return kExitBadInput;
  }
  if (!ReadCameraOption(a.first, a.firstText, "--first", prefix, o.first, err) ||
      !ReadCameraOption(a.second, a.secondText, "--second", prefix, o.second, err) ||
      !ReadErrorOption(a.errorText, prefix, o.error, err))
    return kExitBadInput;
  return RunScoremap(o, out, err);
}

constexpr const char* kFooter =
    "Exit status: 0 on success; 1 for an internal error of the tool; 2 for a usage error, an "
    "input that cannot be read or is refused, an output that cannot be written, or memory "
    "running out.\n";

// Help text at most kHelpWidth columns wide: a long description goes on under itself, a
// paragraph under its first column. The usage lines name the required options first, as
// the man page's synopsis does.
constexpr std::size_t kHelpWidth = 80;

class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() { column_width(26); }

  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    std::istringstream lines(CLI::Formatter::make_help(app, std::move(name), mode));
    std::string wrapped;
    for (std::string line; std::getline(lines, line);) {
      const std::size_t column = get_column_width();
      const bool described = line.size() > column && line.compare(0, 2, "  ") == 0 &&
                             line[column - 1] == ' ' && line[column] != ' ';
      const std::size_t indent = described ? column : line.find_first_not_of(' ');
      while (line.size() > kHelpWidth) {
        const std::size_t cut = line.rfind(' ', kHelpWidth);
        if (cut == std::string::npos || cut <= indent) break;
        wrapped += line.substr(0, line.find_last_not_of(' ', cut) + 1) + "\n";
        line = std::string(indent, ' ') + line.substr(cut + 1);
      }
      wrapped += line + "\n";
    }
    return wrapped;
  }

  std::string make_description(const CLI::App* app) const override {
    return CLI::Formatter::make_description(app) + "\n";
  }

  std::string make_usage(const CLI::App* app, std::string name) const override {
    const std::vector<const CLI::App*> subs = app->get_subcommands({});
    if (subs.empty()) return "Usage: " + Usage(app, name) + "\n";
    std::string text;
    for (const CLI::App* sub : subs)
      text +=
          (text.empty() ? "Usage: " : "       ") + Usage(sub, name + " " + sub->get_name()) + "\n";
    return text + "       " + name + " --help | --version\n";
  }

 private:
  std::string Usage(const CLI::App* app, const std::string& name) const {
    std::string line = name, optional, positionals;
    for (const CLI::Option* opt : app->get_options()) {
      if (opt->get_positional())
        positionals += " " + make_option_usage(opt);
      else if (opt->get_required())
        line += " " + opt->get_name() + " " + opt->get_type_name();
      else
        optional = " [OPTIONS]";
    }
    return line + optional + positionals;
  }
};

// The option the parser's own text names ("--first: ..." or "... --summary = abc").
const CLI::Option* OptionNamed(const CLI::App& sub, const std::string& text) {
  for (const CLI::Option* opt : sub.get_options())
    if (text.rfind(opt->get_name() + ":", 0) == 0 ||
        text.find(" " + opt->get_name() + " ") != std::string::npos)
      return opt;
  return nullptr;
}

// A bad command line in the tool's own words, naming what was not understood.
void ReportParseError(CLI::App& app, const CLI::ParseError& e, int argc, char** argv,
                      std::ostream& err) {
  err << cli::kProgram << ": ";
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const std::string what = e.what();
  if (chosen.empty()) {
    // Only a subcommand may come first.
    const std::string_view first = argc > 1 ? argv[1] : "";
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({}))
      names += (names.empty() ? "" : ", ") + sub->get_name();
    if (first.empty())
      err << "a subcommand is required: " << names;
    else if (first.front() == '-')
      err << "unknown option " << first << "; a subcommand comes first: " << names;
    else
      err << "unknown subcommand '" << first << "'; expected one of " << names;
  } else {
    const CLI::App& sub = *chosen.front();
    err << sub.get_name() << ": ";
    const CLI::Option* named = OptionNamed(sub, what);
    const std::vector<std::string> extra = sub.remaining();
    const CLI::Option* missing = nullptr;
    for (const CLI::Option* opt : sub.get_options())
      if (missing == nullptr && opt->get_required() && opt->count() == 0) missing = opt;
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr && !extra.empty())
      err << "unknown option or extra argument '" << extra.front() << "'";
    else if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && missing != nullptr)
      err << missing->get_name() << " is required";
    else if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr && named != nullptr)
      err << named->get_name()
          << (named->count() > 1 ? ": given more than once" : ": needs a value");
    else if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr && named != nullptr)
      err << named->get_name() << ": takes no value";  // only the flags are converted
    else
      err << "the command line is not understood (" << what << ")";
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
      "Velmora's readers, camera model, error maps and frames on the command line: JSON "
      "out, and frames as PNG pictures.",
      cli::kProgram};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("Velmora ") + VELMORA_VERSION);
  app.footer(kFooter);
  app.formatter(std::make_shared<HelpFormatter>());  // the subcommands take it when added
  FstInfoOptions fstOptions;
  CLI::App* fstInfo = AddFstInfo(app, fstOptions);
  ReconstructArgs reconstructArgs;
  AddReconstruct(app, reconstructArgs);
  ScoremapArgs scoremapArgs;
  CLI::App* scoremap = AddScoremap(app, scoremapArgs);
  LandscapeOptions profileOptions, sliceOptions;
  CLI::App* profile = AddLandscapeSubcommand(app, profileOptions, false);
  CLI::App* slice = AddLandscapeSubcommand(app, sliceOptions, true);
  ImportOptions importOptions;
  CLI::App* import = AddImportSubcommand(app, importOptions);
#ifdef VELMORA_CLI_RENDER
  RenderOptions renderOptions;
  CLI::App* render = AddRenderSubcommand(app, renderOptions);
#endif

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version come here too, with a code of 0.
    if (e.get_exit_code() == 0) {
      app.exit(e, out, err);
      return out.flush() ? kExitOk : cli::OutputFailed(std::string(cli::kProgram) + ": ", err);
    }
    ReportParseError(app, e, argc, argv, err);
    return kExitBadInput;
  }

  try {
    if (fstInfo->parsed()) return RunFstInfo(fstOptions, out, err);
    if (scoremap->parsed()) return FinishScoremap(scoremapArgs, out, err);
    if (profile->parsed()) return RunLandscape(profileOptions, out, err);
    if (slice->parsed()) return RunLandscape(sliceOptions, out, err);
    if (import->parsed()) return RunImport(importOptions, out, err);
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
