// profile and slice through velmora-cli's entry point: their JSON against reconstruct's
// error at the same poses, and the messages of their own options.
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "render/FrameState.h"  // ExactNumber
#include "tests/TestSupport.h"
#include "tests/cli/RunTool.h"

namespace velmora {
namespace {

using nlohmann::json;
using testing::HasSubstr;

using test::CliResult;
using test::RunTool;

json ReconstructAt(const std::string& second, const std::string& kind) {
  const CliResult r = RunTool({"reconstruct", "demo.dtx", "--second", second, "--error", kind});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  return json::parse(r.out);
}

// Each sample is the error reconstruct reports with the views posed there, the current
// value's to the bit, in the kind asked for.
TEST(Profile, SamplesAreReconstructsErrorAtTheirPoses) {
  for (const std::string kind : {"plain", "baseline"}) {
    const CliResult r =
        RunTool({"profile", "demo.dtx", "--position", "position.txt", "--view", "2", "--param",
                 "altitude", "--range", "0.4", "--steps", "5", "--error", kind});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["view"], 2);
    EXPECT_EQ(j["param"], "altitude");
    EXPECT_EQ(j["value"], -0.2);
    EXPECT_EQ(j["errorKind"], kind);
    int atZero = 0;
    for (const json& s : j["samples"]) {
      const double value = s["value"];
      const json expected = ReconstructAt("0.6," + ExactNumber(value) + ",0,10,50,0,0", kind);
      EXPECT_EQ(expected["errorKind"], kind);
      if (s["offset"] == 0.0) {
        ++atZero;
        EXPECT_EQ(s["error"], expected["error"]);
      } else {
        EXPECT_NEAR(s["error"].get<double>(), expected["error"].get<double>(), 1e-9) << value;
      }
      EXPECT_EQ(s["rejected"], false);
    }
    EXPECT_EQ(atZero, 1);
  }
}

TEST(Slice, GridOfTwoParametersWithTheFirstFastest) {
  const CliResult r = RunTool({"slice", "demo.dtx", "--second", "0.6,-0.2,0,10,50,0,0", "--param",
                               "azimuth", "--param2", "distance", "--view2", "1", "--range2", "10",
                               "--steps", "3", "--steps2", "2"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const json j = json::parse(r.out);
  EXPECT_EQ(j["param2"], "distance");
  EXPECT_EQ(j["view2"], 1);
  EXPECT_EQ(j["value2"], 50.0);
  ASSERT_EQ(j["samples"].size(), 6u);
  const json& last = j["samples"][5];
  EXPECT_EQ(last["offset"], 0.5);
  EXPECT_EQ(last["value2"], 60.0);
  const CliResult at = RunTool({"reconstruct", "demo.dtx", "--first", "0,0,0,10,60,0,0", "--second",
                                "1.1,-0.2,0,10,50,0,0"});
  EXPECT_NEAR(last["error"].get<double>(), json::parse(at.out)["error"].get<double>(), 1e-9);
}

TEST(Profile, BadOptionsAreNamed) {
  const struct {
    std::vector<std::string> words;
    const char* message;
  } kRows[] = {
      {{"profile", "demo.dtx", "--param", "zoom"},
       "profile: --param: 'zoom' is not azimuth, altitude, rotation, focal, distance, pan or tilt"},
      {{"profile", "demo.dtx", "--view", "3"}, "profile: --view: '3' is not 1 or 2"},
      {{"profile", "demo.dtx", "--range", "0"}, "profile: --range: takes a finite number above 0"},
      {{"profile", "demo.dtx", "--steps", "0"}, "profile: --steps: takes a whole number from 1"},
      {{"profile", "demo.dtx", "--error", "rms"},
       "profile: --error: 'rms' is not plain or baseline"},
      {{"reconstruct", "demo.dtx", "--error", "rms"},
       "reconstruct: --error: 'rms' is not plain or baseline"},
      {{"slice", "demo.dtx", "--param2", "azimuth"},
       "slice: --param2: the same parameter of the same view as --param"},
      {{"profile", "missing.dtx"}, "profile: cannot read data file missing.dtx"},
  };
  for (const auto& row : kRows) {
    const CliResult r = RunTool(row.words);
    EXPECT_EQ(r.code, kExitBadInput) << row.message;
    EXPECT_THAT(r.err, HasSubstr(row.message));
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace velmora
