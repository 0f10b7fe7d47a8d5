// import, and reconstruct and render reading real data directly: the same views as the
// files import writes, and the options' mistakes named.

#include <opencv2/core.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/Cli.h"
#include "tests/TestSupport.h"
#include "tests/data/import/SyntheticRig.h"

namespace velmora {
namespace {

using test::TempDir;
using testing::HasSubstr;

struct CliResult {
  int code = -1;
  std::string out, err;
};

CliResult RunTool(std::vector<std::string> words) {
  words.insert(words.begin(), "velmora-cli");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  CliResult r;
  r.code = RunCli(static_cast<int>(words.size()), argv.data(), out, err);
  r.out = out.str(), r.err = err.str();
  return r;
}

struct RigFiles {
  TempDir dir;
  test::SyntheticRig rig;
  std::string rigFile = (dir.path() / "rig.yml").string();
  std::string matches;
  RigFiles() {
    rig.WriteRig(rigFile);
    matches = dir.Write("m.csv", rig.Matches(","));
  }
};

TEST(CliImport, WritesFilesThatReconstructAsTheRigDoes) {
  RigFiles f;
  const std::string prefix = (f.dir.path() / "scene").string();
  const CliResult imported =
      RunTool({"import", "--rig", f.rigFile, "--matches", f.matches, "--out", prefix});
  ASSERT_EQ(imported.code, kExitOk) << imported.err;
  const nlohmann::json j = nlohmann::json::parse(imported.out);
  EXPECT_EQ(j["pairs"], 40);
  EXPECT_LT(j["error"].get<double>(), -20);
  // The written files are the rig's views exactly: reconstruct gives the same JSON.
  const CliResult direct = RunTool({"reconstruct", "--rig", f.rigFile, "--matches", f.matches});
  const CliResult files =
      RunTool({"reconstruct", prefix + ".dtx", "--position", prefix + ".position.txt"});
  ASSERT_EQ(direct.code, kExitOk) << direct.err;
  EXPECT_EQ(direct.out, files.out);
  const nlohmann::json r = nlohmann::json::parse(direct.out);
  EXPECT_EQ(r["first"], j["first"]);
  EXPECT_EQ(r["second"], j["second"]);
}

#ifdef VELMORA_CLI_BINARY
// render draws real data as it draws the files import writes, pixel for pixel.
TEST(CliImport, RenderDrawsTheRigAsItsFiles) {
  RigFiles f;
  const std::string prefix = (f.dir.path() / "scene").string();
  ASSERT_EQ(RunTool({"import", "--rig", f.rigFile, "--matches", f.matches, "--out", prefix}).code,
            kExitOk);
  const auto render = [&](const std::string& name, const std::string& input) {
    const std::string out = (f.dir.path() / name).string();
    const std::string command = std::string("env -u DISPLAY ") + VELMORA_CLI_BINARY +
                                " render --size 320x240 --out " + out + " " + input +
                                " > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(out, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string direct = render("rig.png", "--rig " + f.rigFile + " --matches " + f.matches);
  EXPECT_GT(direct.size(), 1000u);
  EXPECT_EQ(direct, render("files.png", prefix + ".dtx --position " + prefix + ".position.txt"));
}
#endif

TEST(CliImport, MistakesAreNamed) {
  RigFiles f;
  const std::string bad = f.dir.Write("bad.csv", "1 2 3 4\n1 2 x 4\n");
  const struct {
    std::vector<std::string> words;
    std::string message;
  } rows[] = {
      {{"import", "--rig", f.rigFile, "--out", "x"}, "import: --rig and --matches go together"},
      {{"reconstruct", "--matches", f.matches, "d.dtx"}, "give either DATA or real data"},
      {{"reconstruct", "--rig", f.rigFile, "--matches", f.matches, "--first", "0,0,0,10,50,0,0"},
       "real data brings its own poses"},
      {{"reconstruct", "--colmap", "m", "--images", "1"}, "--images: expected 2"},
      {{"reconstruct", "--rig", f.rigFile, "--matches", f.matches, "--pixel-origin", "a"},
       "--pixel-origin: 'a' is not a number"},
      {{"import", "--rig", f.rigFile, "--matches", bad, "--out", "x"},
       "import: " + bad + ":2: 'x' is not a number"},
  };
  for (const auto& row : rows) {
    const CliResult r = RunTool(row.words);
    EXPECT_EQ(r.code, kExitBadInput) << row.message;
    EXPECT_THAT(r.err, HasSubstr(row.message));
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace velmora
