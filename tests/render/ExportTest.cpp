#include "render/Export.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/TwoViews.h"

namespace velmora {
namespace {

using test::TempDir;
using test::TwoViews;

// Three pairs reconstructed by two views in general poses, each pair with its own colour.
void Reconstruct(TwoViews& v) {
  v.first.SetParams({0.1, -0.2, 0.05, 12, 40, 0.01, -0.02});
  v.second.SetParams({1.3, 0.25, -0.1, 9.5, 55, -0.03, 0.04});
  v.SetPoints({1, -2.5, 0.3}, {2, 1, -1.7}, {-3, 0.5, 2}, {1, 4, -0.25});
  const Vec3 colours[] = {{0, 0, 0}, {1, 0.5, 0.25}, {0.2, 1, 0.999}};
  for (int i = 0; i < 3; ++i) v.first.pointColors[i] = v.second.pointColors[i] = colours[i];
}

// All three pairs, then with the last pair's ray point gone from the second view: that
// pair has no midpoint and is left out.
TEST(Export, PlyReadsBackAsTheMidpointsAndPairColours) {
  TempDir dir;
  TwoViews v;
  Reconstruct(v);
  const int bytes[3][3] = {{0, 0, 0}, {255, 128, 64}, {51, 255, 255}};
  for (int pairs : {3, 2}) {
    SCOPED_TRACE(pairs);
    v.second.rayPoints.resize(pairs);
    const std::string path = (dir.path() / "points.ply").string();
    std::string why;
    ASSERT_TRUE(WriteMidpointsPly(path, v.first, why)) << why;
    std::ifstream in(path);
    std::string line;
    int count = -1;
    while (std::getline(in, line) && line != "end_header")
      if (line.rfind("element vertex ", 0) == 0) count = std::atoi(line.c_str() + 15);
    ASSERT_EQ(count, pairs);
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(std::getline(in, line));
      std::istringstream fields(line);
      std::vector<double> got(6);
      for (double& field : got) fields >> field;
      Vec3 mid;
      v.first.GetMidpoint(i, mid);
      EXPECT_EQ(got, (std::vector<double>{mid.x, mid.y, mid.z, double(bytes[i][0]),
                                          double(bytes[i][1]), double(bytes[i][2])}))
          << line;
    }
    EXPECT_FALSE(std::getline(in, line)) << "more rows than vertices: " << line;
  }
  // No pair left with a midpoint: refused, and no empty PLY is left behind.
  v.second.rayPoints.clear();
  const std::string empty = (dir.path() / "empty.ply").string();
  std::string why;
  EXPECT_FALSE(HasMidpoints(v.first, why));
  EXPECT_FALSE(WriteMidpointsPly(empty, v.first, why));
  EXPECT_NE(why.find("no reconstructed points"), std::string::npos) << why;
  EXPECT_FALSE(std::filesystem::exists(empty));
}

// The shell gives velmora-cli the words back unchanged, and the numbers are exact: a
// state with awkward names and numbers.
TEST(Export, RenderCommandLineQuotesForTheShell) {
  RenderCommand odd;
  odd.out = "it's a frame.png";
  odd.files = {"-odd name.fsd", "demo.dtx"};
  odd.cameras[1] = {-1.0 / 3, 1e-300, 0, 10, 50, 0, -0.5};
  odd.frame.views[0] = OverlayOptions{false, false, false, false, false};
  odd.frame.views[1].showPanTiltSphere = true;
  odd.frame.display.legend = true;
  const std::string expected =
      "velmora-cli\nrender\n--out=it's a frame.png\n--first=0,0,0,10,50,0,0\n"
      "--second=-0.3333333333333333,1e-300,0,10,50,0,-0.5\n--observer=400,0,0,0,1,-1,0\n"
      "--first-options=none\n--second-options=camera,rays,pantilt\n--alpha=0.5\n--legend\n"
      "--\n-odd name.fsd\ndemo.dtx\n";
  TempDir dir;
  const std::string words = (dir.path() / "words").string();
  const std::string script = "printf '%s\\n' " + RenderCommandLine(odd) + " > " + words;
  ASSERT_EQ(std::system(script.c_str()), 0) << script;
  std::ifstream in(words);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
}

}  // namespace
}  // namespace velmora
