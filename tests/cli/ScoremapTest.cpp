#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "data/FstShape.h"
#include "data/VectorData.h"
#include "render/ErrorMaps.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"
#include "tests/cli/RunTool.h"

namespace velmora {
namespace {

using nlohmann::json;
using test::CliResult;

CliResult Scoremap(std::vector<std::string> args) {
  args.insert(args.begin(), "scoremap");
  return test::RunTool(args);
}

const std::vector<std::string> kDemo = {"--sphere", "sphere100.fsd", "--data",
                                        "demo.dtx", "--second",      "0.6,-0.2,0,10,50,0,0"};

std::vector<std::string> With(std::vector<std::string> more) {
  std::vector<std::string> args = kDemo;
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Bounds, colours and moved vertices must follow from the printed scores alone.
TEST(Scoremap, ColoursAndVerticesFollowFromTheScores) {
  FstShape sphere;
  ASSERT_EQ(sphere.Load("sphere100.fsd", nullptr), 100);
  const struct {
    std::vector<std::string> args;
    bool positions;
  } cases[] = {
      {With({"--map", "positions", "--skip-negative", "--distance"}), true},
      {With({"--map", "directions", "--skip-negative", "--first", "0.1,0,0,10,50,0.2,0"}), false},
  };
  for (const auto& c : cases) {
    std::string name;
    for (const auto& a : c.args) name += a + " ";
    SCOPED_TRACE(name);
    const CliResult r = Scoremap(c.args);
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const json j = json::parse(r.out);
    ASSERT_EQ(j["vertexCount"], 100);
    ASSERT_EQ(j["pairs"], 154);
    std::vector<double> scores;
    for (const json& v : j["vertices"]) scores.push_back(v["score"].get<double>());
    double min = 1e308, max = -1e308;
    for (double s : scores) {
      min = std::min(min, s);
      if (!c.positions || s < 50) max = std::max(max, s);
    }
    ASSERT_LT(min, max);
    EXPECT_EQ(j["min"].get<double>(), min);
    EXPECT_EQ(j["max"].get<double>(), max);
    for (std::size_t v = 0; v < scores.size(); ++v) {
      const double k = c.positions && scores[v] >= 50 ? 1.0 : (scores[v] - min) / (max - min);
      const Vec3 colour = ScoreToColour(c.positions ? k * k : k);
      const json& entry = j["vertices"][v];
      const double* source = &sphere.sourceVertices[3 * v];
      EXPECT_EQ(entry["position"], json({source[0], source[1], source[2]})) << "vertex " << v;
      EXPECT_THAT((Vec3{entry["colour"][0], entry["colour"][1], entry["colour"][2]}),
                  test::Vec3Near(colour, 1e-12))
          << "vertex " << v;
      if (!c.positions) {
        EXPECT_FALSE(entry.contains("vertex"));
        continue;
      }
      // Pulled toward the centre by its share of the range: the best to the centre.
      const Vec3 moved{entry["vertex"][0], entry["vertex"][1], entry["vertex"][2]};
      EXPECT_THAT(moved, test::Vec3Near(Vec3{k * source[0], k * source[1], k * source[2]}, 1e-9));
      const double r0 = std::hypot(source[0], source[1], source[2]);
      EXPECT_LE(std::hypot(moved.x, moved.y, moved.z), r0 * (1 + 1e-12));
    }
    if (c.positions) {
      // The best vertex sits at the centre.
      const auto best = std::min_element(scores.begin(), scores.end()) - scores.begin();
      const json& centre = j["vertices"][best]["vertex"];
      EXPECT_EQ(
          std::hypot(centre[0].get<double>(), centre[1].get<double>(), centre[2].get<double>()),
          0.0);
    }
  }
}

// The view that turns and the poses reach the map code as given.
TEST(Scoremap, ScoresAreTheWorkbenchMaps) {
  VectorData data;
  ASSERT_TRUE(ReadVectorData("demo.dtx", data));
  for (const bool firstTurns : {true, false}) {
    test::TwoViews v;
    v.second.SetAzAlt(0.6, -0.2);
    LoadImagePoints(v.first, data.firstX.data(), data.firstY.data(), data.count);
    LoadImagePoints(v.second, data.secondX.data(), data.secondY.data(), data.count);
    FstShape sphere;
    ASSERT_EQ(sphere.Load("sphere100.fsd", nullptr), 100);
    AllocateVertexColours(sphere);
    std::vector<double> expected;
    MapScoreOverDirections(sphere, firstTurns ? v.first : v.second, v.second, &expected);

    const CliResult r =
        Scoremap(With({"--map", "directions", "--view", firstTurns ? "first" : "second"}));
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const json j = json::parse(r.out);
    ASSERT_EQ(j["vertices"].size(), expected.size());
    for (std::size_t v = 0; v < expected.size(); ++v)
      EXPECT_EQ(j["vertices"][v]["score"].get<double>(), expected[v]) << v;
  }
}

// A sphere named bare is a sample sphere: --dir's copy first, the named path otherwise.
TEST(Scoremap, ABareSphereNameIsLookedForInDirFirst) {
  const std::string data = std::filesystem::absolute("demo.dtx").string();
  const std::string samples = std::filesystem::current_path().string();
  test::TempDir dir;
  std::filesystem::create_directory(dir.path() / "own");
  dir.Write("own/cols.fcd", "1\n0 ff,0,0\n");
  dir.Write("own/sphere100.fsd", "1 FSTShape\n1\nh\n3\n1 0 0 0 1 0 0 0 1\n1\n0 3 0 1 2\n");
  test::ScopedCurrentDir cwd(dir.path());
  for (const auto& [where, count] : {std::pair{std::string("own"), 3}, {samples, 100}}) {
    const CliResult r = Scoremap(
        {"--dir", where, "--sphere", "sphere100.fsd", "--data", data, "--map", "positions"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(json::parse(r.out)["vertexCount"], count) << where;
  }
}

TEST(Scoremap, BadInputIsRefusedWithExitTwo) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--sphere", "sphere100.fsd", "--data", "demo.dtx"}, "--map"},
      {With({"--map", "sideways"}), "sideways"},
      {With({"--map", "positions", "--view", "first"}), "--view"},
      {With({"--map", "directions", "--view", "third"}), "third"},
      {With({"--map", "directions", "--distance"}), "--distance"},
      {With({"--map", "positions", "--first", "1,2,3"}), "--first"},
      {{"--sphere", "missing.fsd", "--data", "demo.dtx", "--map", "positions"}, "missing.fsd"},
      {{"--sphere", "sphere100.fsd", "--data", "missing.dtx", "--map", "positions"}, "missing.dtx"},
      {{"--sphere", ".", "--data", "demo.dtx", "--map", "positions"}, "sphere"},
  };
  for (const auto& c : cases) {
    const CliResult r = Scoremap(c.args);
    EXPECT_EQ(r.code, kExitBadInput) << c.says;
    EXPECT_TRUE(r.out.empty()) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace velmora
