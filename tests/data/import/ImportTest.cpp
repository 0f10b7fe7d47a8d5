// The importer against scenes of known geometry: whatever the format, the views must
// reconstruct the generated points and poses; bad input is refused with file, line, reason.

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "TestSupport.h"
#include "TwoViews.h"
#include "data/import/Import.h"
#include "data/import/ImportMath.h"
#include "data/import/SyntheticRig.h"

namespace velmora::test {
namespace {

// Where the first camera's frame lands in the scene: s diag(1,-1,-1) c + (0, 0, 60).
Vec3 ToScene(const ImportedViews& v, const cv::Vec3d& c) {
  const double s = v.sceneScale;
  return {s * c[0], -s * c[1], 60 - s * c[2]};
}

// The views posed and loaded as imported meet at the generated points (those with the
// given indices, in order) and the second camera sits at the generated centre.
void ExpectScene(const ImportedViews& v, const SyntheticRig& rig, const std::vector<int>& index) {
  ASSERT_EQ(v.data.count, static_cast<int>(index.size()));
  EXPECT_EQ(v.first, CameraParams{});
  std::vector<double> depths;
  for (int i : index) depths.push_back(rig.InFirst(i)[2]);
  std::sort(depths.begin(), depths.end());
  const std::size_t n = depths.size();
  const double median = n % 2 ? depths[n / 2] : 0.5 * (depths[n / 2 - 1] + depths[n / 2]);
  EXPECT_NEAR(v.sceneScale, 60 / median, 1e-9);

  TwoViews views(v.first, v.second);
  views.SetPoints(v.data.firstX, v.data.firstY, v.data.secondX, v.data.secondY);
  for (std::size_t k = 0; k < index.size(); ++k) {
    Vec3 midpoint;
    views.second.GetMidpoint(static_cast<int>(k), midpoint);
    EXPECT_THAT(midpoint, Vec3Near(ToScene(v, rig.InFirst(index[k])), 1e-9)) << "point " << k;
    // Inside the image plane at the imported scale.
    EXPECT_LE(std::abs(v.data.firstX[k]) * v.scale, 4.096);
    EXPECT_LE(std::abs(v.data.secondY[k]) * v.scale, 3.072);
  }
  const cv::Vec3d centre = -(rig.RelativeR().t() * rig.RelativeT());
  EXPECT_THAT(views.second.cameraPosition, Vec3Near(ToScene(v, centre), 1e-9));
  EXPECT_LT(views.second.ReconstructionError(), -20);
}

std::vector<int> AllOf(const SyntheticRig& rig) {
  std::vector<int> index(rig.world.size());
  for (std::size_t i = 0; i < index.size(); ++i) index[i] = static_cast<int>(i);
  return index;
}

TEST(ImportMath, ParamsFromPoseInvertsTheCameraModel) {
  const CameraParams poses[] = {{0.6, -0.2, 0.1, 10, 50, 0.05, -0.07},
                                {-2.9, 1.3, -3.0, 4, 12, -1.1, 1.4},
                                {3.0, -1.4, 2.5, 25, 0.5, 2.8, -0.9}};
  for (const CameraParams& p : poses) {
    CameraModel camera;
    camera.SetParams(p);
    camera.UpdateCamera(0);
    double turn[3][3];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        turn[r][c] = camera.orbitMatrix[r][0] * camera.lookMatrix[0][c] +
                     camera.orbitMatrix[r][1] * camera.lookMatrix[1][c] +
                     camera.orbitMatrix[r][2] * camera.lookMatrix[2][c];
    const CameraParams back = ParamsFromPose(turn, camera.cameraPosition, p.focalLength);
    EXPECT_NEAR(back.azimuth, p.azimuth, 1e-12);
    EXPECT_NEAR(back.altitude, p.altitude, 1e-12);
    EXPECT_NEAR(back.rotation, p.rotation, 1e-12);
    EXPECT_NEAR(back.distance, p.distance, 1e-12);
    EXPECT_NEAR(back.pan, p.pan, 1e-12);
    EXPECT_NEAR(back.tilt, p.tilt, 1e-12);
    EXPECT_EQ(back.focalLength, p.focalLength);
  }
}

// One rig in every form a stereo calibration leaves it, matches in every separator.
TEST(ImportRig, EveryFormatGivesTheSceneBack) {
  struct Form {
    const char *intrinsics, *extrinsics, *separator;
    double origin;  // where the matches file puts the top-left pixel's centre
    bool crlf;
  };
  const Form forms[] = {{"rig.yml", "", ",", 0, false},
                        {"intrinsics.xml", "extrinsics.json", "\t", 0.5, false},
                        {"rig.json", "", " ", 0, true},
                        {"intrinsics.yaml", "extrinsics.xml", ", ", 0.5, false}};
  const SyntheticRig rig;
  for (const Form& f : forms) {
    SCOPED_TRACE(f.intrinsics);
    TempDir dir;
    std::vector<std::string> files = {(dir.path() / f.intrinsics).string()};
    if (*f.extrinsics) files.push_back((dir.path() / f.extrinsics).string());
    rig.WriteRig(files.front(), *f.extrinsics ? files.back() : "");
    std::string text = rig.Matches(f.separator, f.origin) + "\n\n";
    if (f.crlf)
      for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, "\r");
    ImportedViews views;
    std::string why;
    ASSERT_TRUE(ImportRigAndMatches(files, dir.Write("m.csv", text), f.origin, views, why)) << why;
    ExpectScene(views, rig, AllOf(rig));
  }
}

TEST(ImportRig, UndistortionIsIteratedToConvergence) {
  // OpenCV's default five steps leave this lens far off; the import does not.
  const SyntheticRig rig;
  PinholeCamera camera{rig.K[0](0, 0), rig.K[0](1, 1), rig.K[0](0, 2), rig.K[0](1, 2),
                       std::vector<double>(rig.D[0].begin<double>(), rig.D[0].end<double>())};
  std::vector<double> u, v, x, y;
  for (const cv::Point2d& p : rig.pixels[0]) u.push_back(p.x), v.push_back(p.y);
  const auto worst = [&](int iterations) {
    std::string why;
    EXPECT_TRUE(UndistortPixels(camera, u, v, x, y, why, iterations));
    double err = 0;
    for (std::size_t i = 0; i < u.size(); ++i) {
      const cv::Vec3d c = rig.InFirst(static_cast<int>(i));
      err = std::max({err, std::abs(x[i] - c[0] / c[2]), std::abs(y[i] - c[1] / c[2])});
    }
    return err;
  };
  EXPECT_GT(worst(5), 1e-5);
  EXPECT_LT(worst(kUndistortIterations), 1e-13);
}

TEST(ImportColmap, TwoImagesPairedThroughTheirPoints) {
  SyntheticRig rig;
  rig.MakeColmapLenses();
  TempDir dir;
  rig.WriteColmap(dir.path().string());
  ImportedViews views;
  std::string why;
  ASSERT_TRUE(ImportColmap(dir.path().string(), 1, 2, views, why)) << why;
  std::vector<int> index = AllOf(rig);
  index.erase(index.begin() + 3);  // the second image does not see it
  ExpectScene(views, rig, index);
}

// Every refusal names the file, the line where there is one, and the reason; the views
// are not touched (out keeps what it held).
TEST(ImportRefusals, NameFileLineAndReason) {
  struct Case {
    const char* name;
    std::function<void(SyntheticRig&)> change;
    std::function<void(std::string&)> edit;  // the matches text, or cameras.txt
    bool colmap;
    const char* message;
  };
  const auto row = [](int r, const char* text) {
    return [r, text](std::string& m) {
      std::size_t at = 0;
      for (int line = 0; line < r + 2; ++line) at = m.find('\n', at) + 1;
      m.insert(at, text);
    };
  };
  const Case cases[] = {
      {"skew", [](SyntheticRig& r) { r.K[0](0, 1) = 0.5; }, nullptr, false,
       "rig.yml: M1: the camera has skew"},
      {"singular", [](SyntheticRig& r) { r.K[1](1, 1) = 0; }, nullptr, false,
       "rig.yml: M2: the camera matrix is singular"},
      {"not finite", [](SyntheticRig& r) { r.K[0](0, 2) = NAN; }, nullptr, false,
       "rig.yml: M1: the camera matrix is not finite"},
      {"no rotation",
       [](SyntheticRig& r) { r.writtenR = cv::Mat(cv::Matx33d(1, 0, 0, 0, 1, 0, 0, 0, 2)); },
       nullptr, false, "rig.yml: R: the rotation is not orthonormal"},
      {"mirror",
       [](SyntheticRig& r) { r.writtenR = cv::Mat(cv::Matx33d(1, 0, 0, 0, 1, 0, 0, 0, -1)); },
       nullptr, false, "rig.yml: R: the rotation is a reflection"},
      {"coincide", [](SyntheticRig& r) { r.writtenT = cv::Mat(cv::Vec3d(0, 0, 0)); }, nullptr,
       false, "m.csv: the two cameras coincide"},
      {"distortion", [](SyntheticRig& r) { r.D[1] = cv::Mat::zeros(1, 6, CV_64F); }, nullptr, false,
       "rig.yml: D2: 6 distortion coefficients"},
      {"four matches", [](SyntheticRig& r) { r = SyntheticRig(4); }, nullptr, false,
       "m.csv: 4 matches; at least 5"},
      {"short row", nullptr, row(2, "1 2 3\n"), false, "m.csv:5: 3 fields"},
      {"word", nullptr, row(1, "1 2 x 4\n"), false, "m.csv:4: 'x' is not a number"},
      {"infinite", nullptr, row(0, "1 2 1e999 4\n"), false, "m.csv:3: '1e999' is not a finite"},
      {"fisheye", nullptr, [](std::string& c) { c += "3 OPENCV_FISHEYE 9 9 1 1 1 1 0 0 0 0\n"; },
       true, "cameras.txt:4: the fisheye camera model OPENCV_FISHEYE"},
      {"unknown model", nullptr, [](std::string& c) { c += "3 SPHERE 9 9 1\n"; }, true,
       "cameras.txt:4: unknown camera model SPHERE"},
      {"parameter count", nullptr, [](std::string& c) { c += "3 PINHOLE 9 9 1 1 1\n"; }, true,
       "cameras.txt:4: PINHOLE takes 4 parameters, not 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SyntheticRig rig(8);
    if (c.change) c.change(rig);
    TempDir dir;
    ImportedViews views;
    views.scale = 3;
    std::string why;
    if (c.colmap) {
      rig.MakeColmapLenses();
      rig.WriteColmap(dir.path().string());
      std::ifstream in(dir.path() / "cameras.txt");
      std::string cameras((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      c.edit(cameras);
      dir.Write("cameras.txt", cameras);
      EXPECT_FALSE(ImportColmap(dir.path().string(), 1, 2, views, why));
    } else {
      const std::string rigFile = (dir.path() / "rig.yml").string();
      rig.WriteRig(rigFile);
      std::string matches = rig.Matches(" ");
      if (c.edit) c.edit(matches);
      EXPECT_FALSE(ImportRigAndMatches({rigFile}, dir.Write("m.csv", matches), 0, views, why));
    }
    EXPECT_THAT(why, testing::HasSubstr(c.message));
    EXPECT_THAT(why, testing::StartsWith(dir.path().string()));
    EXPECT_EQ(views.scale, 3);
  }
}

}  // namespace
}  // namespace velmora::test
