// profile and slice: ScoreLandscape behind a command line.

#include "cli/CliProfile.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <ostream>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliSupport.h"
#ifdef VELMORA_CLI_RENDER
#include "cli/CliRender.h"
#endif

namespace velmora {

namespace {

using cli::Json;

// Enough to draw a slice at frame rate; more only costs time.
constexpr int kMostSteps = 100000;

bool ReadView(const std::string& text, const char* option, int& view, std::string& why) {
  if (text == "1" || text == "first") return view = 0, true;
  if (text == "2" || text == "second") return view = 1, true;
  why = std::string(option) + ": '" + text + "' is not 1 or 2";
  return false;
}

bool ReadParam(const std::string& text, const char* option, CameraParam& param, std::string& why) {
  if (ParseCameraParam(text, param)) return true;
  why = std::string(option) + ": '" + text +
        "' is not azimuth, altitude, rotation, focal, distance, pan or tilt";
  return false;
}

bool ReadAxis(const std::string& view, const std::string& param, double range, int steps,
              bool second, LandscapeAxis& axis, std::string& why) {
  const char* viewOption = second ? "--view2" : "--view";
  const char* paramOption = second ? "--param2" : "--param";
  if (!ReadView(view, viewOption, axis.view, why) ||
      !ReadParam(param, paramOption, axis.param, why))
    return false;
  if (!(range > 0) || !std::isfinite(range)) {
    why = std::string(second ? "--range2" : "--range") + ": takes a finite number above 0";
    return false;
  }
  if (steps < 1 || steps > kMostSteps) {
    why = std::string(second ? "--steps2" : "--steps") + ": takes a whole number from 1 to " +
          std::to_string(kMostSteps);
    return false;
  }
  axis.range = range;
  axis.steps = steps;
  return true;
}

int Print(const LandscapeOptions& o, const LandscapeFigure& f, const LandscapeAxis& a,
          const LandscapeAxis& b, int pairs, const std::string& prefix, std::ostream& out,
          std::ostream& err) {
  cli::JsonObjectWriter j(out);
  j.Field("view", a.view + 1);
  j.Field("param", CameraParamName(a.param));
  j.Field("value", f.current);
  if (o.slice) {
    j.Field("view2", b.view + 1);
    j.Field("param2", CameraParamName(b.param));
    j.Field("value2", f.current2);
  }
  j.Field("errorKind", ErrorKindName(f.kind));
  j.Field("pairs", pairs);
  j.BeginArray("samples");
  for (const LandscapeSample& s : f.samples) {
    Json entry;
    entry["offset"] = s.offset;
    entry["value"] = s.value;
    if (o.slice) {
      entry["offset2"] = s.offset2;
      entry["value2"] = s.value2;
    }
    entry["error"] = cli::JsonNumber(s.error);
    entry["rejected"] = s.rejected;
    if (!j.Element(entry)) return cli::OutputFailed(prefix, err);
  }
  j.EndArray();
  if (!j.Finish()) return cli::OutputFailed(prefix, err);
  return kExitOk;
}

}  // namespace

CLI::App* AddLandscapeSubcommand(CLI::App& app, LandscapeOptions& o, bool slice) {
  o.slice = slice;
  CLI::App* sub = app.add_subcommand(
      slice ? "slice" : "profile",
      slice ? "The reconstruction error over a grid of two camera parameters around the current "
              "pose, every other parameter held."
            : "The reconstruction error along one camera parameter around its current value: the "
              "value itself, a geometric ladder of offsets near it and a linear grid out to "
              "--range.");
  sub->add_option("DATA", o.dataFile, "vector data file (.dtx, .txt)")->required()->type_name("");
  sub->add_option("--first", o.firstText,
                  "first camera: seven comma-separated numbers (default "
                  "0,0,0,10,50,0,0)")
      ->type_name("PARAMS");
  sub->add_option("--second", o.secondText, "second camera, as --first")->type_name("PARAMS");
  sub->add_option("--position", o.positionFile,
                  "position file applied as a finished glide would, after --first and --second")
      ->type_name("FILE");
  sub->add_flag("--skip-negative", o.skipNegative, "reject pairs whose rays meet behind a camera");
  sub->add_option("--view", o.viewText, "the view whose parameter varies: 1 or 2 (default 2)")
      ->type_name("VIEW");
  sub->add_option("--param", o.paramText,
                  "azimuth, altitude, rotation, focal, distance, pan or tilt (default azimuth)")
      ->type_name("NAME");
  sub->add_option("--range", o.range, "the largest offset from the current value (default 0.5)")
      ->type_name("NUMBER");
  sub->add_option("--steps", o.steps,
                  std::string("points of the linear grid, both ends included (default ") +
                      std::to_string(slice ? kSliceSteps : kProfileSteps) + ")")
      ->type_name("N");
  if (slice) {
    sub->add_option("--param2", o.param2Text, "the second parameter, as --param")
        ->required()
        ->type_name("NAME");
    sub->add_option("--view2", o.view2Text, "its view (default --view)")->type_name("VIEW");
    sub->add_option("--range2", o.range2, "its range (default --range)")->type_name("NUMBER");
    sub->add_option("--steps2", o.steps2, "its grid points (default --steps)")->type_name("N");
  }
  sub->add_option("--error", o.errorText, cli::kErrorHelp)->type_name("KIND");
  sub->add_option("--threads", o.threads, "worker threads (default 0: one per processor)")
      ->type_name("N");
  sub->add_option("--png", o.png, "also draw the plot into this PNG file")->type_name("FILE");
  return sub;
}

int RunLandscape(const LandscapeOptions& o, std::ostream& out, std::ostream& err) {
  const std::string prefix =
      std::string(cli::kProgram) + ": " + (o.slice ? "slice" : "profile") + ": ";
  const auto fail = [&](const std::string& why) {
    err << prefix << why << "\n";
    return kExitBadInput;
  };
  std::string why;
  CameraParams first, second;
  if (!o.firstText.empty() && !ParseCameraParams(o.firstText, first, why))
    return fail("--first: " + why);
  if (!o.secondText.empty() && !ParseCameraParams(o.secondText, second, why))
    return fail("--second: " + why);
  ErrorKind kind = ErrorKind::kPlain;
  if (!cli::ParseErrorOption(o.errorText, kind, why)) return fail(why);
  const int steps = o.steps.value_or(o.slice ? kSliceSteps : kProfileSteps);
  LandscapeAxis a, b;
  if (!ReadAxis(o.viewText, o.paramText, o.range, steps, false, a, why)) return fail(why);
  if (o.slice && !ReadAxis(o.view2Text.empty() ? o.viewText : o.view2Text, o.param2Text,
                           o.range2.value_or(o.range), o.steps2.value_or(a.steps), true, b, why))
    return fail(why);
  if (o.slice && a.view == b.view && a.param == b.param)
    return fail("--param2: the same parameter of the same view as --param");
  if (o.threads < 0) return fail("--threads: takes a whole number from 0 up");
#ifndef VELMORA_CLI_RENDER
  if (!o.png.empty()) return fail("--png: this build draws no pictures (built without Qt)");
#endif

  cli::MessageCapture capture(err);
  cli::ViewPair views;
  const std::optional<std::string> position =
      o.positionFile.empty() ? std::nullopt : std::optional<std::string>(o.positionFile);
  if (!cli::LoadViews(o.dataFile, first, second, position, o.skipNegative, prefix, err, views))
    return kExitBadInput;
  if (capture.count() > 0) return kExitBadInput;

  MapSettings settings;
  settings.threads = o.threads;
  std::vector<LandscapeSample> samples =
      o.slice ? ComputeSlice(views.first, views.second, a, b, kind, settings)
              : ComputeProfile(views.first, views.second, a, kind, settings);
  const LandscapeFigure figure = DescribeLandscape(views.first, views.second, std::move(samples),
                                                   kind, a, o.slice ? &b : nullptr);
#ifdef VELMORA_CLI_RENDER
  if (!o.png.empty() && !WriteLandscapePng(figure, o.png, why)) return fail("--png: " + why);
#endif
  return Print(o, figure, a, b, views.pairs, prefix, out, err);
}

}  // namespace velmora
