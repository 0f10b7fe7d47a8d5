#include "cli/Cli.h"

#include <sys/wait.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "data/FstShape.h"
#include "tests/TestSupport.h"
#include "tests/cli/RunTool.h"
#include "tests/data/SpecialFiles.h"

namespace velmora {
namespace {

using nlohmann::json;
using test::CliResult;
using test::Joined;
using test::RunTool;
using test::ScopedCurrentDir;
using test::TempDir;
using testing::HasSubstr;
using testing::IsEmpty;

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

void ExpectSmallShape(const json& j) {
  EXPECT_EQ(j["pointCount"], 5);
  EXPECT_EQ(j["faceCount"], 2);
  EXPECT_EQ(j["boundingBox"]["min"], json({0.0, 0.0, -1.5}));
  EXPECT_EQ(j["boundingBox"]["max"], json({2.0, 3.0, 4.0}));
  if (!j.contains("vertices")) {
    EXPECT_FALSE(j.contains("palette")) << "a summary";
    return;
  }
  EXPECT_EQ(j["palette"], json::parse(R"([
      {"index": 0, "red": 255, "green": 0, "blue": 0},
      {"index": 2, "red": 16, "green": 32, "blue": 48},
      {"index": 31, "red": 10, "green": 11, "blue": 12}])"));
}

TEST(FstInfo, ReportsWhatTheLoaderKeepsOfTheLastBlock) {
  TempDir dir;
  dir.Write("shape.fsd", kShape);
  dir.Write("cols.fcd", kColours);
  ScopedCurrentDir cwd(dir.path());

  const CliResult r = RunTool({"fst-info", "shape.fsd"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.err, IsEmpty());
  const json j = json::parse(r.out);
  EXPECT_EQ(j["file"], "shape.fsd");
  ExpectSmallShape(j);
  EXPECT_EQ(j["vertices"], json::parse("[[0,0,0],[2,0,0],[2,3,0],[0,3,-1.5],[1,1,4]]"));
  EXPECT_EQ(j["faces"], json::parse(R"([{"colorIndex": 31, "vertices": [0,1,2,3]},
                                        {"colorIndex": 2, "vertices": [0,1,4]}])"));

  const json summary = json::parse(RunTool({"fst-info", "--summary", "shape.fsd"}).out);
  ExpectSmallShape(summary);
  EXPECT_FALSE(summary.contains("faces"));

  // A name that is not UTF-8 is written with U+FFFD for each bad byte.
  dir.Write("caf\xe9\xff.fsd", kShape);
  const CliResult odd = RunTool({"fst-info", "--summary", "caf\xe9\xff.fsd"});
  ASSERT_EQ(odd.code, kExitOk) << odd.err;
  EXPECT_EQ(json::parse(odd.out)["file"], "caf\uFFFD\uFFFD.fsd");
}

TEST(FstInfo, AFileWithNoPointsGetsTheSameAnswerFromEverySubcommand) {
  TempDir dir;
  dir.Write("cols.fcd", kColours);
  ScopedCurrentDir cwd(dir.path());
  for (const char* content : {"1 FSTShape\n0\n", "1 FSTShape\n1\nempty\n0\n\n0\n"}) {
    SCOPED_TRACE(content);
    dir.Write("empty.fsd", content);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"fst-info", "empty.fsd"},
          {"scoremap", "--sphere", "empty.fsd", "--data", "demo.dtx", "--map", "positions"}}) {
      const CliResult r = RunTool(args);
      EXPECT_EQ(r.code, kExitBadInput) << args[0];
      EXPECT_THAT(r.out, IsEmpty());
      EXPECT_THAT(r.err, HasSubstr("empty.fsd holds no points"));
    }
  }
}

TEST(FstInfo, DirNamesWhereTheColourTableIsReadAndIsLeftAfterwards) {
  // The test's own folder holds the generated table with all 256 entries; the one in
  // the other folder names three.
  // A relative shape path is taken from where the tool started, not from --dir.
  TempDir dir;
  dir.Write("shape.fsd", kShape);
  std::filesystem::create_directory(dir.path() / "colours");
  dir.Write("colours/cols.fcd", kColours);
  ScopedCurrentDir cwd(dir.path());
  const CliResult r = RunTool({"fst-info", "shape.fsd", "--dir", "colours"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  ExpectSmallShape(json::parse(r.out));
  EXPECT_EQ(std::filesystem::current_path(), dir.path());
}

TEST(FstInfo, RejectedFilesGiveTheLoaderMessageAndNoOutput) {
  struct Case {
    const char* name;
    std::string content;
    bool withColours;
    std::string message;  // after the file's path where it names the file
  };
  const std::string tail = std::string(kShape).substr(std::string("1 FSTShape\n").size());
  const std::vector<Case> cases = {
      {"trailing blank in header", "1 FSTShape \n" + tail, true, " is not FST file!"},
      {"vertex index past the points", "1 FSTShape\n1\nh\n2\n0 0 0 1 1 1\n1\n0 3 0 1 2\n", true,
       "vertex index"},
      {"no colour table", kShape, false, "Cannot load cols.fcd file!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.Write("bad.fsd", c.content);
    if (c.withColours) dir.Write("cols.fcd", kColours);
    ScopedCurrentDir cwd(dir.path());
    const CliResult r = RunTool({"fst-info", path});
    EXPECT_EQ(r.code, kExitBadInput);
    EXPECT_THAT(r.out, IsEmpty());
    EXPECT_THAT(r.err, HasSubstr(c.message));
    if (c.withColours) {
      EXPECT_THAT(r.err, HasSubstr("File " + path));
    }
  }
}

// The generated demo: the first view at its defaults sees the house, the second from
// azimuth 0.6, altitude -0.2; position.txt holds the same second pose.
constexpr char kDemoSecond[] = "0.6,-0.2,0,10,50,0,0";

TEST(Reconstruct, DemoDataRebuildsTheDemoShape) {
  FstShape shape;
  ASSERT_GT(shape.Load("demo.fsd", nullptr), 0);

  const std::vector<std::vector<std::string>> cases = {
      {"reconstruct", "demo.dtx", "--second", kDemoSecond},
      {"reconstruct", "demo.dtx", "--position", "position.txt"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(Joined(args));
    const CliResult r = RunTool(args);
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const json j = json::parse(r.out);
    ASSERT_TRUE(j["error"].is_number());
    EXPECT_LT(j["error"].get<double>(), -20);
    ASSERT_EQ(j["pairs"], shape.pointCount);
    ASSERT_EQ(j["points"].size(), static_cast<std::size_t>(shape.pointCount));
    for (int i = 0; i < shape.pointCount; ++i) {
      const json& m = j["points"][i]["midpoint"];
      const Vec3 mid{m[0], m[1], m[2]};
      const Vec3 vertex{shape.sourceVertices[3 * i], shape.sourceVertices[3 * i + 1],
                        shape.sourceVertices[3 * i + 2]};
      EXPECT_THAT(mid, test::Vec3Near(vertex, 1e-6)) << "vertex " << i;
    }
  }
}

TEST(Reconstruct, PositionFileDrivesTheNineParametersItNames) {
  // Distinct values, so that a target sent to the wrong parameter shows.
  TempDir dir;
  const std::string position =
      dir.Write("pose.txt", "0.25\n-0.125\n0.5\n12\n40\n45\n0.0625\n-0.03125\n2.5\n");
  const std::string data = dir.Write("pair.dtx", "1 1\n-1 0.5\n");
  const CliResult r =
      RunTool({"reconstruct", data, "--first", "0.1,0.2,0.3,8,30,0.4,0.5", "--position", position});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const json j = json::parse(r.out);
  EXPECT_EQ(j["second"], json::parse(R"({"azimuth": 0.25, "altitude": -0.125, "rotation": 0.5,
      "focalLength": 12.0, "distance": 45.0, "pan": 0.0625, "tilt": -0.03125, "scale": 2.5})"));
  // Only the distance and the scale of the first view come from the file.
  EXPECT_EQ(j["first"], json::parse(R"({"azimuth": 0.1, "altitude": 0.2, "rotation": 0.3,
      "focalLength": 8.0, "distance": 40.0, "pan": 0.4, "tilt": 0.5, "scale": 2.5})"));
}

TEST(Reconstruct, ParametersRoundTripExactly) {
  TempDir dir;
  const std::string data = dir.Write("pair.dtx", "0.1 0.2\n0.30000000000000004 -7e-9\n");
  const CliResult r = RunTool({"reconstruct", data, "--first",
                               " 0.1, +0.2 ,0.30000000000000004,9.5,40.25,1e-7,-0.3", "--second",
                               "-1e-300,0,0,10,50,0,0"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const json j = json::parse(r.out);
  const std::vector<double> first = {0.1, 0.2, 0.30000000000000004, 9.5, 40.25, 1e-7, -0.3};
  const char* names[] = {"azimuth",  "altitude", "rotation", "focalLength",
                         "distance", "pan",      "tilt"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(j["first"][names[i]].get<double>(), first[i]) << names[i];
  EXPECT_EQ(j["second"]["azimuth"].get<double>(), -1e-300);
  EXPECT_EQ(j["points"][0]["first"], json({0.1, 0.2}));
  EXPECT_EQ(j["points"][0]["second"], json({0.30000000000000004, -7e-9}));
}

TEST(Reconstruct, BadCameraListsAreRefused) {
  const std::vector<std::string> lists = {
      "",
      "0,0,0,10,50,0",
      "0,0,0,10,50,0,0,0",
      "0,,0,10,50,0,0",
      "0;0;0;10;50;0;0",
      "0,0,0,10,50,0,0.5abc",
      "0,0,0,10,50,0,nan",
      "inf,0,0,10,50,0,0",
      "0,0,0,10,1e999,0,0",
      "0,0,0,10,50,0,+-1",
  };
  for (const char* option : {"--first", "--second"}) {
    for (const std::string& list : lists) {
      SCOPED_TRACE(std::string(option) + " '" + list + "'");
      const CliResult r = RunTool({"reconstruct", "demo.dtx", option, list});
      EXPECT_EQ(r.code, kExitBadInput);
      EXPECT_THAT(r.out, IsEmpty());
      EXPECT_THAT(r.err, HasSubstr(option));
    }
  }
}

TEST(Cli, UnreadableInputIsBadInputNamingTheFile) {
  TempDir dir;
  dir.Write("cols.fcd", kColours);
  const std::string shape = dir.Write("shape.fsd", kShape);
  const std::string missing = (dir.path() / "missing").string(), folder = dir.path().string();
  const std::vector<std::vector<std::string>> cases = {
      {"fst-info", missing},
      {"fst-info", folder},
      {"fst-info", shape, "--dir", missing},
      {"scoremap", "--dir", missing, "--sphere", shape, "--data", "demo.dtx", "--map", "positions"},
      {"reconstruct", missing},
      {"reconstruct", folder},
      {"reconstruct", "demo.dtx", "--position", missing},
      {"reconstruct", "demo.dtx", "--position", folder},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(Joined(args));
    const CliResult r = RunTool(args);
    EXPECT_EQ(r.code, kExitBadInput);
    EXPECT_THAT(r.out, IsEmpty());
    EXPECT_THAT(r.err, HasSubstr(args[args.size() == 2 ? 1 : args[0] == "scoremap" ? 2 : 3]));
    if (args[1] == "--dir" || (args.size() > 2 && args[2] == "--dir")) {
      EXPECT_THAT(r.err, HasSubstr("cannot use directory"));
    }
  }
}

TEST(Reconstruct, SkipNegativeRejectsRaysThatDoNotMeetInFront) {
  // Both cameras at their defaults see the same image point: the rays coincide, so there
  // is no gap (the error is log 0, printed as null) unless pairs that meet at the image
  // plane rather than in front of it are rejected.
  TempDir dir;
  const std::string data = dir.Write("same.dtx", "1 2\n1 2\n");
  const json kept = json::parse(RunTool({"reconstruct", data}).out);
  EXPECT_TRUE(kept["error"].is_null());
  EXPECT_EQ(kept["points"][0]["firstRay"], kept["points"][0]["secondRay"]);

  const CliResult r = RunTool({"reconstruct", data, "--skip-negative"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const json skipped = json::parse(r.out);
  ASSERT_TRUE(skipped["error"].is_number());
  EXPECT_GT(skipped["error"].get<double>(), 0);
  EXPECT_NE(skipped["points"][0]["firstRay"], skipped["points"][0]["secondRay"]);
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
  ASSERT_EQ(j["points"].size(), 2u);
  EXPECT_EQ(j["points"][1]["first"], json({3.0, 4.0}));
  EXPECT_EQ(j["points"][0]["second"], json({5.0, 6.0}));

  // No pairs at all is still a valid file: nothing to reconstruct, no error value.
  const std::string one = dir.Write("one.dtx", "1 2\n");
  const std::string emptyText = RunTool({"reconstruct", one}).out;
  EXPECT_EQ(emptyText, nlohmann::ordered_json::parse(emptyText).dump(2) + "\n");
  const json empty = json::parse(emptyText);
  EXPECT_EQ(empty["pairs"], 0);
  EXPECT_TRUE(empty["points"].empty());
  EXPECT_TRUE(empty["error"].is_null());
  // Nor does a map over no pairs have bounds: neither is a number.
  for (const char* map : {"positions", "directions"}) {
    const json scores = json::parse(
        RunTool({"scoremap", "--sphere", "sphere100.fsd", "--data", one, "--map", map}).out);
    EXPECT_TRUE(scores["min"].is_null()) << map;
    EXPECT_TRUE(scores["max"].is_null()) << map;
  }
}

// argv -> exit status and what each stream must hold (stdout on success, else stderr).
TEST(Cli, HelpAndUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::vector<std::string> parts;
  };
  const std::vector<Case> cases = {
      {{"--help"}, kExitOk, {"Usage", "fst-info", "reconstruct", "1 for an internal", "2 for a"}},
      {{"--version"}, kExitOk, {"Velmora 1.25\n"}},
      {{"fst-info", "--help"}, kExitOk, {"Usage", "fst-info", "FILE", "--dir"}},
      {{"reconstruct", "--help"},
       kExitOk,
       {"Usage", "reconstruct", "DATA", "--first", "--second", "--position", "--skip-negative"}},
      {{}, kExitBadInput, {"a subcommand is required: fst-info, reconstruct"}},
      {{"frobnicate"}, kExitBadInput, {"unknown subcommand \"frobnicate\""}},
      {{"--frobnicate"}, kExitBadInput, {"unknown option --frobnicate"}},
      {{"fst-info"}, kExitBadInput, {"fst-info: FILE is required"}},
      {{"reconstruct", "demo.dtx", "--first"}, kExitBadInput, {"--first"}},
      {{"reconstruct", "demo.dtx", "--unknown"},
       kExitBadInput,
       {"reconstruct: unknown option or extra argument: --unknown"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const CliResult r = RunTool(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_THAT(c.code == kExitOk ? r.err : r.out, IsEmpty());
    for (const std::string& part : c.parts)
      EXPECT_THAT(c.code == kExitOk ? r.out : r.err, HasSubstr(part));
  }
}

// Runs the real program through the shell (before is put ahead of it, stdout goes to
// redirect when given); returns its exit status and what it wrote.
int RunBinary(const std::string& args, std::string& out, std::string* err = nullptr,
              const std::string& before = "", const std::string& redirect = "") {
  TempDir dir;
  const std::string errFile = (dir.path() / "err").string();
  const std::string command = before + std::string(VELMORA_CLI_BINARY) + " " + args +
                              (redirect.empty() ? "" : " >" + redirect) + " 2>" + errFile;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  std::size_t got;
  out.clear();
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  const int status = ::pclose(pipe);
  if (err) {
    std::ifstream in(errFile);
    err->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliBinary, PrintsIndentedJsonAndExitsWithTwoOnBadInput) {
  std::string out;
  ASSERT_EQ(RunBinary(std::string("reconstruct demo.dtx --second ") + kDemoSecond, out), 0);
  EXPECT_EQ(out.rfind("{\n  \"error\": ", 0), 0u) << out.substr(0, 40);
  EXPECT_LT(json::parse(out)["error"].get<double>(), -20);

  EXPECT_EQ(RunBinary("fst-info no-such-file.fsd", out), kExitBadInput);
  EXPECT_THAT(out, IsEmpty());
}

// Failures that only the real process shows: a full output device, and memory running
// out for an input of four million blank lines (two million pairs) under a 300 MB cap.
TEST(CliBinary, FullOutputAndExhaustedMemoryAreBadInputWithAMessage) {
  TempDir dir;
  const std::string big = dir.Write("big.dtx", std::string(4000000, '\n'));
  const struct {
    std::string args, before, redirect, says;
  } cases[] = {
      {"reconstruct demo.dtx", "", "/dev/full", "cannot write the output"},
      {"fst-info demo.fsd --summary", "", "/dev/full", "cannot write the output"},
#ifndef VELMORA_TEST_SANITIZED  // sanitizers reserve more address space than the cap
      {"reconstruct " + big, "ulimit -v 300000; ", "", "out of memory"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before + c.args);
    std::string out, err;
    EXPECT_EQ(RunBinary(c.args, out, &err, c.before, c.redirect), kExitBadInput);
    EXPECT_THAT(err, HasSubstr(c.says));
  }
}

}  // namespace
}  // namespace velmora
