// velmora-cli render, run as a program with no display at all: the frame it saves, the
// options that change it, and the inputs it refuses.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/Cli.h"
#include "cli/CliRender.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

using json = nlohmann::json;

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs the binary in the data folder without DISPLAY; extra environment goes first.
ToolRun RenderTool(const std::string& args, const std::string& environment = "") {
  test::TempDir errDir;
  const std::string errFile = (errDir.path() / "err.txt").string();
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + environment + " " +
                              VELMORA_CLI_BINARY + " render " + args + " 2>" + errFile;
  ToolRun r;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, got);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile);
  std::stringstream text;
  text << in.rdbuf();
  r.err = text.str();
  return r;
}

struct Counts {
  int red = 0, green = 0, blue = 0, grey = 0, white = 0, coloured = 0;
};

// Pure axis colours, the background greys and other strong colours, below the text line.
Counts Count(const QImage& image) {
  Counts c;
  for (int y = 30; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y) & 0xffffff;
      c.red += p == 0xff0000;
      c.green += p == 0x00ff00;
      c.blue += p == 0x0000ff;
      c.grey += p == 0x808080;
      c.white += p == 0xffffff;
      const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
      const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
      c.coloured += hi - lo > 60;
    }
  return c;
}

int DarkPixelsInTextCorner(const QImage& image) {
  int n = 0;
  for (int y = 4; y < 30; ++y)
    for (int x = 4; x < 120; ++x) n += qGray(image.pixel(x, y)) < 60;
  return n;
}

// The rightmost pure red pixel: where the x axis ends on screen.
int XAxisEnd(const QImage& image) {
  int end = -1;
  for (int y = 30; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xffffff) == 0xff0000) end = std::max(end, x);
  return end;
}

class CliRender : public testing::Test {
 protected:
  std::string Out(const char* name) const { return (dir.path() / name).string(); }
  test::TempDir dir;
};

TEST_F(CliRender, DemoAtStartUpShowsGreyBackgroundAxesAndTheErrorOfTheCameras) {
  const ToolRun r = RenderTool("--out " + Out("demo.png") + " demo.fsd demo.dtx");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const json j = json::parse(r.out);
  const QImage image(QString::fromStdString(Out("demo.png")));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), j["width"].get<int>());
  EXPECT_EQ(image.height(), j["height"].get<int>());
  EXPECT_GT(image.width(), image.height()) << "the main window's start-up shape";

  const Counts c = Count(image);
  EXPECT_GT(c.grey, image.width() * (image.height() - 30) * 9 / 10);
  EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1) & 0xffffff, 0x808080u);
  // The x and y axes lie across the view; z points almost at the observer.
  EXPECT_GT(c.red, 100);
  EXPECT_GT(c.green, 100);
  EXPECT_GT(c.blue, 0);
  EXPECT_GT(DarkPixelsInTextCorner(image), 20);

  // A .txt data file is read as the Controls window's Browse reads it.
  std::filesystem::copy_file("demo.dtx", Out("demo.txt"));
  const ToolRun txt = RenderTool("--out " + Out("txt.png") + " demo.fsd " + Out("demo.txt"));
  ASSERT_EQ(txt.status, 0) << txt.err;
  EXPECT_EQ(json::parse(txt.out)["error"], j["error"]);

  // The same cameras and points as the reconstruct subcommand computes.
  std::ostringstream out, err;
  const char* argv[] = {"velmora-cli", "reconstruct", "demo.dtx"};
  ASSERT_EQ(RunCli(3, const_cast<char**>(argv), out, err), kExitOk);
  EXPECT_DOUBLE_EQ(j["error"].get<double>(), json::parse(out.str())["error"].get<double>());
}

TEST_F(CliRender, DisplayOptionsChangeTheFrameAsTheControlsDo) {
  const ToolRun plain =
      RenderTool("--size 320x200 --out " + Out("plain.png") + " demo.fsd demo.dtx");
  ASSERT_EQ(plain.status, 0) << plain.err;
  const QImage base(QString::fromStdString(Out("plain.png")));
  EXPECT_EQ(base.size(), QSize(320, 200));

  // Nothing but the background: no axes, no object, no camera boxes, and no points so no
  // error text either.
  const ToolRun empty = RenderTool(
      "--size 320x200 --no-axes --no-fst --first-options none "
      "--second-options none --white --out " +
      Out("empty.png"));
  ASSERT_EQ(empty.status, 0) << empty.err;
  const QImage blank(QString::fromStdString(Out("empty.png")));
  EXPECT_EQ(Count(blank).white, 320 * 170);
  EXPECT_EQ(DarkPixelsInTextCorner(blank), 0);
  EXPECT_TRUE(json::parse(empty.out)["error"].is_null());

  // Twice the observer distance: the x axis reaches half as far right of the centre.
  const ToolRun far = RenderTool("--size 320x200 --observer 800,0,0,0,1,-1,0 --out " +
                                 Out("far.png") + " demo.fsd demo.dtx");
  ASSERT_EQ(far.status, 0) << far.err;
  const int reach = XAxisEnd(base) - 160;
  const int farReach = XAxisEnd(QImage(QString::fromStdString(Out("far.png")))) - 160;
  EXPECT_GT(reach, 50);
  EXPECT_NEAR(farReach, reach / 2, 4);

  // The main sphere, coloured as a score map, after the glide to the position file; seen
  // from close by, against the same frame without it.
  const std::string glide = "--size 320x200 --observer 100,0,0,0,1,-1,0 --position position.txt ";
  const ToolRun without = RenderTool(glide + "--out " + Out("glide.png") + " demo.fsd demo.dtx");
  const ToolRun with =
      RenderTool(glide + "--main-sphere 5K --out " + Out("sphere.png") + " demo.fsd demo.dtx");
  ASSERT_EQ(without.status, 0) << without.err;
  ASSERT_EQ(with.status, 0) << with.err;
  const int bare = Count(QImage(QString::fromStdString(Out("glide.png")))).coloured;
  const int shown = Count(QImage(QString::fromStdString(Out("sphere.png")))).coloured;
  EXPECT_GT(shown, bare + 5000);
  EXPECT_EQ(json::parse(with.out)["error"], json::parse(without.out)["error"]);
  EXPECT_NE(json::parse(with.out)["error"], json::parse(plain.out)["error"]);
}

TEST_F(CliRender, RefusesBadInputWithStatusTwoAndWritesNothing) {
  const std::string out = " --out " + Out("bad.png");
  const char* cases[] = {
      "--bogus",
      "--size 0x10",
      "--main-sphere 2K",
      "--alpha 1.5",
      "--scale 0",
      "--scale 1e300",
      "--scale 1e-50",
      "--alpha nan",
      "--first 1,2,3",
      "--observer 400,0,0,0,1,-1",
      "--observer 400,0,0,0,1,-1,nan",
      "--second-options camera,sky",
      "missing.fsd",
      "demo.txt",
      "--position no-such-position.txt",
  };
  for (const char* args : cases) {
    const ToolRun r = RenderTool(std::string(args) + out);
    EXPECT_EQ(r.status, kExitBadInput) << args;
    EXPECT_NE(r.err, "") << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_FALSE(std::filesystem::exists(Out("bad.png"))) << args;
  }
  // An output nobody can write: no such directory, a directory itself, a full device.
  for (const std::string& target :
       {Out("no-dir/x.png"), dir.path().string(), std::string("/dev/full")}) {
    const ToolRun r = RenderTool("--out " + target + " demo.fsd");
    EXPECT_EQ(r.status, kExitBadInput) << target;
    EXPECT_NE(r.err.find("--out"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << target;
  }
  // A plane.png that does not decode, found first through --dir: said, and no picture.
  std::filesystem::create_directory(dir.path() / "data");
  dir.Write("data/plane.png", "not a picture");
  const ToolRun plane = RenderTool("--plane --dir " + Out("data") + out + " demo.fsd demo.dtx");
  EXPECT_EQ(plane.status, kExitBadInput);
  EXPECT_NE(plane.err.find("Cannot load image plane.png"), std::string::npos) << plane.err;
  EXPECT_FALSE(std::filesystem::exists(Out("bad.png")));
}

TEST_F(CliRender, SaysSoWhenNoOpenGLContextCanBeHad) {
  // No EGL vendor library at all: what a machine without Mesa's EGL looks like.
  const ToolRun r = RenderTool("--out " + Out("none.png") + " demo.fsd",
                               "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json");
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find("OpenGL context"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Out("none.png")));
}

TEST(RenderSize, ReadsWidthByHeightWithinLimits) {
  int w = 0, h = 0;
  std::string why;
  EXPECT_TRUE(ParseRenderSize("640x480", w, h, why));
  EXPECT_EQ(w * 1000 + h, 640480);
  EXPECT_TRUE(ParseRenderSize("1X8192", w, h, why));
  EXPECT_EQ(h, kMaxRenderSize);
  for (const char* bad : {"", "640", "640x", "x480", "0x480", "640x0", "8193x1", "64 0x480",
                          "640x480 ", "+640x480", "640x-480", "640x480x2"}) {
    w = h = 7;
    EXPECT_FALSE(ParseRenderSize(bad, w, h, why)) << bad;
    EXPECT_NE(why, "") << bad;
    EXPECT_EQ(w, 7) << bad;
  }
}

}  // namespace
}  // namespace velmora
