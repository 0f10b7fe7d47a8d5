// velmora-cli through its entry point and as a program: the exact JSON of each subcommand,
// one table of argument lists with the exit status and the message each must give, and
// (where the Qt side is built) the frames render saves without a display.

#include "cli/Cli.h"
#include "tests/cli/RunTool.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "data/FstShape.h"
#include "data/VectorData.h"
#include "render/ErrorMaps.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"
#include "tests/data/SpecialFiles.h"

#ifdef VELMORA_TEST_RENDER
#include <QImage>

#include "cli/CliRender.h"
#include "tests/FramePixels.h"
#endif

namespace velmora {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ScopedCurrentDir;
using test::TempDir;
using testing::HasSubstr;
using testing::IsEmpty;

using test::CliResult;
using test::RunTool;

// The program itself through the shell, without a display; before goes ahead of it and
// args may hold redirections.
CliResult RunBinary(const std::string& args, const std::string& before = "") {
  TempDir errDir;
  const std::string errFile = (errDir.path() / "err").string();
  const std::string command = before + " env -u DISPLAY -u WAYLAND_DISPLAY " + VELMORA_CLI_BINARY +
                              " " + args + " 2>" + errFile;
  CliResult r;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, got);
  const int status = ::pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile);
  r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return r;
}

// Two object blocks: only the second may show. Its box is [0,2] x [0,3] x [-1.5,4]; the
// first block's +-9 would widen it.
constexpr char kShape[] =
    "1 FSTShape\n"
    "2\n"
    "first block\n"
    "2\n"
    "9 9 9 -9 -9 -9\n"
    "1\n"
    "0 2 0 1\n"
    "second block\n"
    "5\n"
    "0 0 0 2 0 0 2 3 0 0 3 -1.5 1 1 4\n"
    "2\n"
    "1f 4 0 1 2 3\n"
    "2 3 0 1 4\n";
// Forty usable entries of which three are named; 45 lies past the count and is skipped.
constexpr char kColours[] = "40\n0 ff,0,0\n2 10,20,30\n31 a,b,c\n45 1,1,1\n";

// The generated demo: the first view at its defaults sees the house, the second from
// azimuth 0.6, altitude -0.2; position.txt holds the same second pose.
constexpr char kDemoSecond[] = "0.6,-0.2,0,10,50,0,0";

// Run where the workbench's colour table is not: --dir names the folder it is read from,
// a relative shape path is still taken from where the tool started, and the tool leaves
// the current directory as it found it.
TEST(FstInfo, ReportsWhatTheLoaderKeepsOfTheLastBlock) {
  TempDir dir;
  dir.Write("shape.fsd", kShape);
  fs::create_directory(dir.path() / "colours");
  dir.Write("colours/cols.fcd", kColours);
  ScopedCurrentDir cwd(dir.path());

  for (const bool summary : {false, true}) {
    const CliResult r = summary
                            ? RunTool({"fst-info", "--summary", "shape.fsd", "--dir", "colours"})
                            : RunTool({"fst-info", "shape.fsd", "--dir", "colours"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_THAT(r.err, IsEmpty());
    EXPECT_EQ(fs::current_path(), dir.path());
    const json j = json::parse(r.out);
    EXPECT_EQ(j["file"], "shape.fsd");
    EXPECT_EQ(j["pointCount"], 5);
    EXPECT_EQ(j["faceCount"], 2);
    EXPECT_EQ(j["boundingBox"]["min"], json({0.0, 0.0, -1.5}));
    EXPECT_EQ(j["boundingBox"]["max"], json({2.0, 3.0, 4.0}));
    if (summary) {
      EXPECT_FALSE(j.contains("palette") || j.contains("faces") || j.contains("vertices"));
      continue;
    }
    EXPECT_EQ(j["palette"], json::parse(R"([
        {"index": 0, "red": 255, "green": 0, "blue": 0},
        {"index": 2, "red": 16, "green": 32, "blue": 48},
        {"index": 31, "red": 10, "green": 11, "blue": 12}])"));
    EXPECT_EQ(j["vertices"], json::parse("[[0,0,0],[2,0,0],[2,3,0],[0,3,-1.5],[1,1,4]]"));
    EXPECT_EQ(j["faces"], json::parse(R"([{"colorIndex": 31, "vertices": [0,1,2,3]},
                                          {"colorIndex": 2, "vertices": [0,1,4]}])"));
  }

  // A name that is not UTF-8 is written with U+FFFD for each bad byte.
  dir.Write("caf\xe9\xff.fsd", kShape);
  const CliResult odd = RunTool({"fst-info", "--summary", "caf\xe9\xff.fsd", "--dir", "colours"});
  ASSERT_EQ(odd.code, kExitOk) << odd.err;
  EXPECT_EQ(json::parse(odd.out)["file"], "caf\uFFFD\uFFFD.fsd");
}

// Distinct values, so that a target sent to the wrong parameter shows; blanks and a plus
// sign around a number are allowed.
TEST(Reconstruct, CameraParametersFromTheCommandLineAndThePositionFile) {
  TempDir dir;
  const std::string position =
      dir.Write("pose.txt", "0.25\n-0.125\n0.5\n12\n40\n45\n0.0625\n-0.03125\n2.5\n");
  const std::string data = dir.Write("pair.dtx", "0.1 0.2\n0.30000000000000004 -7e-9\n");
  const CliResult r = RunTool(
      {"reconstruct", data, "--first", " 0.1, +0.2 ,0.3,8,30,0.4,0.5", "--position", position});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const json j = json::parse(r.out);
  EXPECT_EQ(j["second"], json::parse(R"({"azimuth": 0.25, "altitude": -0.125, "rotation": 0.5,
      "focalLength": 12.0, "distance": 45.0, "pan": 0.0625, "tilt": -0.03125, "scale": 2.5})"));
  // Only the distance and the scale of the first view come from the file.
  EXPECT_EQ(j["first"], json::parse(R"({"azimuth": 0.1, "altitude": 0.2, "rotation": 0.3,
      "focalLength": 8.0, "distance": 40.0, "pan": 0.4, "tilt": 0.5, "scale": 2.5})"));
}

TEST(Reconstruct, HalvesOfTheDataFileArePairedAndAnOddLastLineIgnored) {
  TempDir dir;
  const std::string data = dir.Write("odd.dtx", "1 2\n3 4\n5 6\n7 8\n9 10\n");
  const CliResult r = RunTool({"reconstruct", data});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  // Written as it is made, laid out as the whole document's dump(2) would be.
  EXPECT_EQ(r.out, nlohmann::ordered_json::parse(r.out).dump(2) + "\n");
  const json j = json::parse(r.out);
  EXPECT_EQ(j["pairs"], 2);
  EXPECT_EQ(j["points"][1]["first"], json({3.0, 4.0}));

  // No pairs at all is still a valid file: nothing to reconstruct, no error value, and a
  // map over no pairs has no bounds.
  const std::string one = dir.Write("one.dtx", "1 2\n");
  const json empty = json::parse(RunTool({"reconstruct", one}).out);
  EXPECT_EQ(empty["pairs"], 0);
  EXPECT_TRUE(empty["points"].empty());
  EXPECT_TRUE(empty["error"].is_null());
  for (const char* map : {"positions", "directions"}) {
    const json scores = json::parse(
        RunTool({"scoremap", "--sphere", "sphere100.fsd", "--data", one, "--map", map}).out);
    EXPECT_TRUE(scores["min"].is_null()) << map;
    EXPECT_TRUE(scores["max"].is_null()) << map;
  }
}

std::vector<std::string> Scoremap(std::vector<std::string> more) {
  std::vector<std::string> args = {"scoremap", "--sphere", "sphere100.fsd", "--data",
                                   "demo.dtx", "--second", kDemoSecond};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Scores, colours and (with --distance) moved vertices are the workbench's map code's for
// the views the options make; the bounds are the scores', the position map's by its outlier
// rule (50 and more count as the worst).
TEST(Scoremap, PrintsTheWorkbenchMapsAndTheirBounds) {
  VectorData data;
  ASSERT_TRUE(ReadVectorData("demo.dtx", data));
  const struct {
    std::vector<std::string> more;
    bool directions, firstTurns;
    CameraParams first;
  } rows[] = {
      {{"--map", "positions", "--skip-negative", "--distance"}, false, false, {}},
      {{"--map", "directions", "--view", "first"}, true, true, {}},
      {{"--map", "directions", "--first", "0.1,0,0,10,50,0.2,0"},
       true,
       false,
       {0.1, 0, 0, 10, 50, 0.2, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.more[1] + " " + row.more[2]);
    test::TwoViews v(row.first, CameraParams{0.6, -0.2, 0, 10, 50, 0, 0});
    v.first.skipNegativeST = v.second.skipNegativeST = !row.directions;
    LoadImagePoints(v.first, data.firstX.data(), data.firstY.data(), data.count);
    LoadImagePoints(v.second, data.secondX.data(), data.secondY.data(), data.count);
    FstShape sphere;
    ASSERT_EQ(sphere.Load("sphere100.fsd", nullptr), 100);
    AllocateVertexColours(sphere);
    sphere.radialScore = !row.directions;
    std::vector<double> scores;
    if (row.directions)
      MapScoreOverDirections(sphere, row.firstTurns ? v.first : v.second, v.second, &scores);
    else
      MapScoreOverPositions(sphere, v.second, &scores);

    const CliResult r = RunTool(Scoremap(row.more));
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["pairs"], 154);
    ASSERT_EQ(j["vertexCount"], 100);
    ASSERT_EQ(j["vertices"].size(), 100u);
    double min = 1e308, max = -1e308;
    for (double s : scores) {
      min = std::min(min, s);
      if (row.directions || s < 50) max = std::max(max, s);
    }
    ASSERT_LT(min, max);
    EXPECT_EQ(j["min"].get<double>(), min);
    EXPECT_EQ(j["max"].get<double>(), max);
    for (std::size_t i = 0; i < scores.size(); ++i) {
      SCOPED_TRACE(i);
      const json& entry = j["vertices"][i];
      const double* at = &sphere.sourceVertices[3 * i];
      const double* colour = &sphere.vertexColours[3 * i];
      const double* moved = &sphere.vertices[3 * i];
      EXPECT_EQ(entry["score"].get<double>(), scores[i]);
      EXPECT_EQ(entry["position"], json({at[0], at[1], at[2]}));
      EXPECT_EQ(entry["colour"], json({colour[0], colour[1], colour[2]}));
      if (row.directions)
        EXPECT_FALSE(entry.contains("vertex"));
      else
        EXPECT_EQ(entry["vertex"], json({moved[0], moved[1], moved[2]}));
    }
  }
}

// A sphere named bare is a sample sphere: --dir's copy first, the named path otherwise.
TEST(Scoremap, ABareSphereNameIsLookedForInDirFirst) {
  const std::string data = fs::absolute("demo.dtx").string();
  const std::string samples = fs::current_path().string();
  TempDir dir;
  fs::create_directory(dir.path() / "own");
  dir.Write("own/cols.fcd", "1\n0 ff,0,0\n");
  dir.Write("own/sphere100.fsd", "1 FSTShape\n1\nh\n3\n1 0 0 0 1 0 0 0 1\n1\n0 3 0 1 2\n");
  ScopedCurrentDir cwd(dir.path());
  for (const auto& [where, count] : {std::pair{std::string("own"), 3}, {samples, 100}}) {
    const CliResult r = RunTool({"scoremap", "--dir", where, "--sphere", "sphere100.fsd", "--data",
                                 data, "--map", "positions"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(json::parse(r.out)["vertexCount"], count) << where;
  }
}

// argv -> exit status -> what the stream must hold: stdout on success, stderr otherwise,
// the other stream empty and no picture written. Rows with a shell prefix run the program
// itself (without a display, args may redirect); the others run the entry point. All run
// in a folder holding a 40-entry colour table, copies of the demo data and bad files.
TEST(Cli, ArgumentsGiveTheirExitStatusAndMessage) {
  struct Row {
    std::string args;  // split at each blank for the entry point, as they are for the shell
    int code;
    std::vector<std::string> says;
    const char* shell = nullptr;
  };
  const std::string tail = std::string(kShape).substr(std::string("1 FSTShape\n").size());
  TempDir dir;
  for (const char* name : {"demo.dtx", "demo.fsd", "sphere100.fsd", "position.txt"})
    fs::copy_file(name, dir.path() / name);
  dir.Write("cols.fcd", kColours);
  dir.Write("shape.fsd", kShape);
  dir.Write("blank.fsd", "1 FSTShape \n" + tail);
  dir.Write("index.fsd", "1 FSTShape\n1\nh\n2\n0 0 0 1 1 1\n1\n0 3 0 1 2\n");
  dir.Write("empty1.fsd", "1 FSTShape\n0\n");
  dir.Write("empty2.fsd", "1 FSTShape\n1\nempty\n0\n\n0\n");
  dir.Write("big.dtx", std::string(4000000, '\n'));
  fs::create_directory(dir.path() / "bare");
  dir.Write("bare/shape.fsd", kShape);
  fs::create_directory(dir.path() / "data");
  dir.Write("data/plane.png", "not a picture");
  ScopedCurrentDir cwd(dir.path());
  const std::string map =
      "scoremap --sphere sphere100.fsd --data demo.dtx --second " + std::string(kDemoSecond) + " ";

  std::vector<Row> rows = {
      {"--help", kExitOk, {"Usage", "fst-info", "reconstruct", "1 for an internal", "2 for a"}},
      {"--version", kExitOk, {"Velmora 1.25\n"}},
      {"reconstruct --help",
       kExitOk,
       {"Usage", "reconstruct", "DATA", "--first", "--second", "--position", "--skip-negative"}},
      {"", kExitBadInput, {"a subcommand is required: fst-info, reconstruct"}},
      {"frobnicate", kExitBadInput, {"unknown subcommand 'frobnicate'"}},
      {"--frobnicate", kExitBadInput, {"unknown option --frobnicate"}},
      {"fst-info", kExitBadInput, {"fst-info: FILE is required"}},
      // The parser's faults in the tool's words, naming the option.
      {"reconstruct demo.dtx --first", kExitBadInput, {"reconstruct: --first: needs a value"}},
      {"reconstruct demo.dtx --first 0,0,0,10,50,0,0 --first 0,0,0,10,50,0,0",
       kExitBadInput,
       {"reconstruct: --first: given more than once"}},
      {"fst-info --summary=abc shape.fsd", kExitBadInput, {"fst-info: --summary: takes no value"}},
      {"reconstruct demo.dtx --unknown",
       kExitBadInput,
       {"reconstruct: unknown option or extra argument '--unknown'"}},
      // Files that cannot be read, or folders that cannot be entered, named.
      {"fst-info bare", kExitBadInput, {"cannot read bare: Is a directory"}},
      {"fst-info shape.fsd --dir missing", kExitBadInput, {"cannot use directory missing"}},
      {"reconstruct bare", kExitBadInput, {"bare"}},
      {"reconstruct demo.dtx --position missing",
       kExitBadInput,
       {"position file missing: No such file or directory"}},
      // Files the loader refuses give its message; no colour table where --dir points.
      {"fst-info blank.fsd", kExitBadInput, {"File blank.fsd is not FST file!"}},
      {"fst-info index.fsd", kExitBadInput, {"File index.fsd", "vertex index"}},
      {"fst-info shape.fsd --dir bare",
       kExitBadInput,
       {"Cannot load cols.fcd file!", "looked for cols.fcd in bare"}},
      // A file with no points gets the same answer from every subcommand.
      {"fst-info empty1.fsd", kExitBadInput, {"empty1.fsd holds no points"}},
      {"scoremap --sphere empty2.fsd --data demo.dtx --map directions",
       kExitBadInput,
       {"empty2.fsd holds no points"}},
      // scoremap's own options.
      {"scoremap --sphere sphere100.fsd --data demo.dtx", kExitBadInput, {"--map"}},
      {map + "--map sideways", kExitBadInput, {"--map: 'sideways' is not positions or"}},
      {map + "--map positions --view first", kExitBadInput, {"--view"}},
      {map + "--map directions --view third", kExitBadInput, {"third"}},
      {map + "--map directions --distance", kExitBadInput, {"--distance"}},
      {map + "--map positions --first 1,2,3", kExitBadInput, {"--first"}},
      {"scoremap --sphere missing.fsd --data demo.dtx --map positions",
       kExitBadInput,
       {"missing.fsd"}},
      {"scoremap --sphere sphere100.fsd --data missing.dtx --map positions",
       kExitBadInput,
       {"missing.dtx"}},
      // The program itself: indented JSON, and what only a process shows.
      {"reconstruct demo.dtx --second " + std::string(kDemoSecond),
       kExitOk,
       {"{\n  \"error\": -2"},
       ""},
      {"fst-info no-such-file.fsd",
       kExitBadInput,
       {"fst-info: cannot read no-such-file.fsd: No such file or directory"},
       ""},
      {"reconstruct demo.dtx >/dev/full", kExitBadInput, {"cannot write the output"}, ""},
      {"fst-info demo.fsd --summary >/dev/full", kExitBadInput, {"cannot write the output"}, ""},
      {"--help >/dev/full", kExitBadInput, {"velmora-cli: cannot write the output"}, ""},
      // A reader that stops after one byte.
      {"scoremap --sphere sphere100K.fsd --data demo.dtx --map positions",
       kExitBadInput,
       {"scoremap: cannot write the output"},
       R"(bash -c 'exec > >(head -c 1 >/dev/null); exec "$0" "$@"')"},
#ifndef VELMORA_TEST_SANITIZED  // sanitizers reserve more address space than the cap
      // Two million pairs under a 300 MB cap: memory runs out.
      {"reconstruct big.dtx", kExitBadInput, {"out of memory"}, "ulimit -v 300000;"},
      // and without it, a full disk is noticed at the first failed write, in well under
      // the CPU time that writing them all takes.
      {"reconstruct big.dtx >/dev/full",
       kExitBadInput,
       {"reconstruct: cannot write the output"},
       "ulimit -t 2;"},
#endif
  };
  // Camera lists that are not seven finite numbers, to either view.
  const std::string count =
      "expected 7 comma-separated numbers (azimuth, altitude, rotation, focal length, "
      "distance, pan, tilt), got ";
  for (const auto& [list, why] : std::vector<std::pair<std::string, std::string>>{
           {"", count + "1 field"},
           {"0,0,0,10,50,0", count + "6 fields"},
           {"0,,0,10,50,0,0", "'' is not a number"},
           {"0,0,0,10,50,0,0.5abc", "'0.5abc' is not a number"},
           {"0,0,0,10,50,0,nan", "'nan' is not a finite number"},
           {"0,0,0,10,1e999,0,0", "'1e999' is out of range"}})
    for (const std::string option : {"--first", "--second"})
      rows.push_back({"reconstruct demo.dtx " + option + " " + list,
                      kExitBadInput,
                      {"reconstruct: " + option + ": " + why + "\n"}});
#ifdef VELMORA_TEST_RENDER
  // render refuses before it draws: nothing may reach the picture it was to write.
  for (const auto& [args, says] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"--bogus", {"--bogus"}},
           {"--size 0x10 demo.fsd", {"--size"}},
           {"--size 8193x1 demo.fsd", {"--size"}},
           {"--main-sphere 2K", {"--main-sphere", "100, 1K, 5K, 10K, 100K"}},
           {"--alpha abc", {"render: --alpha: 'abc' is not a number between 0 and 1"}},
           {"--alpha 1.5", {"--alpha: '1.5' is not"}},
           {"--alpha nan", {"--alpha: 'nan' is not"}},
           {"--scale abc", {"render: --scale: 'abc' is not a number other than 0"}},
           {"--scale 1e300", {"--scale: '1e300' is not"}},
           {"--scale 1e-50", {"--scale: '1e-50' is not"}},
           {"--first 1,2,3", {"--first"}},
           {"--observer 400,0,0,0,1,-1", {"--observer"}},
           {"--second-options camera,sky", {"--second-options", "sky"}},
           {"cols.fcd", {"cols.fcd: neither an FST file"}},
           {"demo.txt", {"cannot read demo.txt: No such file or directory"}},
           {"--position no-such.txt", {"position file no-such.txt"}},
           {"--plane --dir data demo.fsd demo.dtx", {"Cannot load image plane.png"}},
           {"--session s.json --legend", {"--legend: does not go with --session"}},
       })
    rows.push_back({"render --out bad.png " + args, kExitBadInput, says, ""});
  // An output nobody can write, and no EGL vendor library at all (what a machine without
  // Mesa's EGL looks like).
  for (const std::string out : {"no-dir/x.png", "bare", "/dev/full"})
    rows.push_back({"render demo.fsd --out " + out, kExitBadInput, {"--out"}, ""});
  rows.push_back({"render --out bad.png demo.fsd",
                  kExitBadInput,
                  {"OpenGL context"},
                  "export __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json;"});
#endif
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    std::vector<std::string> words;
    for (std::size_t start = 0; !row.args.empty() && start <= row.args.size();) {
      const std::size_t blank = std::min(row.args.find(' ', start), row.args.size());
      words.push_back(row.args.substr(start, blank - start));
      start = blank + 1;
    }
    const CliResult r = row.shell ? RunBinary(row.args, row.shell) : RunTool(words);
    EXPECT_EQ(r.code, row.code) << r.err;
    EXPECT_THAT(row.code == kExitOk ? r.err : r.out, IsEmpty());
    EXPECT_EQ(row.code == kExitOk ? 0u : r.err.rfind("velmora-cli: ", 0), 0u) << r.err;
    for (const std::string& part : row.says)
      EXPECT_THAT(row.code == kExitOk ? r.out : r.err, HasSubstr(part));
    EXPECT_FALSE(fs::exists("bad.png"));
  }
}

// Every help fits 80 columns, and the man page's synopsis holds the usage lines of --help
// in their order.
TEST(Cli, HelpFitsEightyColumnsAndTheManPageListsItsUsage) {
  std::ifstream page(VELMORA_MAN_PAGE);
  std::string man = "\n";
  for (std::string line; std::getline(page, line);) {
    for (const char* font : {"\\fB", "\\fR", "\\fI", "\\fP"})
      for (std::size_t at; (at = line.find(font)) != std::string::npos;) line.erase(at, 3);
    for (std::size_t at; (at = line.find("\\-")) != std::string::npos;) line.erase(at, 1);
    man += line + "\n";
  }
  const std::string help = RunTool({"--help"}).out;
  std::istringstream usage(help.substr(help.find("Usage: ")));
  std::size_t at = 0;
  for (std::string line; std::getline(usage, line) && !line.empty();) {
    line = line.substr(line.find("velmora-cli"));
    at = man.find("\n" + line + "\n", at);
    EXPECT_NE(at, std::string::npos) << line;
    const std::string sub = line.substr(12, line.find(' ', 12) - 12);
    std::istringstream text(sub == "--help" ? help : RunTool({sub, "--help"}).out);
    for (std::string row; std::getline(text, row);) EXPECT_LE(row.size(), 80u) << row;
  }
}

#ifdef VELMORA_TEST_RENDER
// Pixels of one colour below the text line.
int Pixels(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 30; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xffffff) == colour;
  return n;
}

// render, with no display at all: the frame it saves, its size and error, and the options
// that empty it. (That its frames equal the main window's, option by option, the main
// window's tests pin; the glide and the main sphere, the end-to-end test.)
TEST(CliRender, FramesFollowTheDataAndTheDisplayOptions) {
  TempDir dir;
  auto render = [&](const std::string& name, const std::string& args, QImage& image) {
    const CliResult r = RunBinary("render --out " + (dir.path() / name).string() + " " + args);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    image.load(QString::fromStdString((dir.path() / name).string()));
    return r.code == kExitOk ? json::parse(r.out) : json();
  };
  QImage demo;
  const json j = render("demo.png", "demo.fsd demo.dtx", demo);
  ASSERT_FALSE(demo.isNull());
  EXPECT_EQ(demo.width(), j["width"].get<int>());
  EXPECT_EQ(demo.height(), j["height"].get<int>());
  EXPECT_GT(demo.width(), demo.height()) << "the main window's start-up shape";
  EXPECT_GT(test::DarkPixelsInTextCorner(demo), 20);
  // The same cameras and points as reconstruct computes.
  EXPECT_DOUBLE_EQ(j["error"].get<double>(),
                   json::parse(RunTool({"reconstruct", "demo.dtx"}).out)["error"].get<double>());
  QImage image;

  // Nothing but the background: no axes, no object, no camera boxes, and no points so no
  // error text either.
  const json empty = render("empty.png",
                            "--size 320x200 --no-axes --no-fst --first-options none "
                            "--second-options none --white",
                            image);
  EXPECT_EQ(image.size(), QSize(320, 200));
  EXPECT_EQ(Pixels(image, 0xffffff), 320 * 170);
  EXPECT_EQ(test::DarkPixelsInTextCorner(image), 0);
  EXPECT_TRUE(empty["error"].is_null());
}

#endif

}  // namespace
}  // namespace velmora
