#include "render/Landscape.h"

#include <cmath>
#include <string>
#include <vector>

#include "data/VectorData.h"
#include "render/Export.h"
#include "render/FrameState.h"
#include "render/Workbench.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

// The demo's pairs in two views, posed as reconstruct poses them: parameters set, points
// loaded, the first view and then the second recomputed. The demo's true pose by default.
struct Demo {
  explicit Demo(CameraParams second = TruePose(), double scale = 1, int copies = 1,
                bool skip = false) {
    VectorData data;
    EXPECT_TRUE(ReadVectorData("demo.dtx", data));
    VectorData scaled;
    for (int c = 0; c < copies; ++c)
      for (int i = 0; i < data.count; ++i) {
        scaled.firstX.push_back(scale * data.firstX[i]),
            scaled.firstY.push_back(scale * data.firstY[i]);
        scaled.secondX.push_back(scale * data.secondX[i]);
        scaled.secondY.push_back(scale * data.secondY[i]);
      }
    scaled.count = copies * data.count;
    CameraParams first;
    for (CameraParams* p : {&first, &second}) p->focalLength *= scale, p->distance *= scale;
    views.first.SetParams(first);
    views.second.SetParams(second);
    views.first.skipNegativeST = views.second.skipNegativeST = skip;
    bench.LoadPointPairs(scaled);
  }
  static CameraParams TruePose() {
    CameraParams p;
    p.azimuth = 0.6, p.altitude = -0.2;
    return p;
  }
  double Error(ErrorKind kind) const { return views.second.ReconstructionError(kind); }

  struct Views {
    CameraModel first, second;
  } views;
  Workbench bench{views.first, views.second};
};

// Every number a silent recomputation can change, of both views.
std::vector<double> State(const Demo& d) {
  std::vector<double> n;
  for (const CameraModel* c : {&d.views.first, &d.views.second}) {
    const CameraParams p = c->GetParams();
    n.insert(n.end(), {p.azimuth, p.altitude, p.rotation, p.focalLength, p.distance, p.pan, p.tilt,
                       c->GetOrbitRadius()});
    for (int r = 0; r < 3; ++r) {
      n.insert(n.end(), c->orbitMatrix[r], c->orbitMatrix[r] + 3);
      n.insert(n.end(), c->lookMatrix[r], c->lookMatrix[r] + 3);
    }
    std::vector<Vec3> points{c->cameraPosition};
    points.insert(points.end(), c->planePoints.begin(), c->planePoints.end());
    points.insert(points.end(), c->rayPoints.begin(), c->rayPoints.end());
    for (const Vec3& v : points) n.insert(n.end(), {v.x, v.y, v.z});
  }
  return n;
}

TEST(Landscape, OffsetsHoldTheCurrentValueTheLadderAndTheGrid) {
  const std::vector<double> o = ProfileOffsets(0.5, 201);
  ASSERT_FALSE(o.empty());
  EXPECT_EQ(o.front(), -0.5);
  EXPECT_EQ(o.back(), 0.5);
  double smallest = 1;
  int zeros = 0;
  for (std::size_t i = 0; i < o.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(o[i - 1], o[i]);
    }
    zeros += o[i] == 0;
    if (o[i] > 0) smallest = std::min(smallest, o[i]);
  }
  EXPECT_EQ(zeros, 1);
  EXPECT_NEAR(smallest, 0.5e-6, 1e-18);
  // The grid's 201 points and the ladder's 11 a side, of which 0.005 and 0.05 are on the grid.
  EXPECT_EQ(o.size(), 201u + 2 * (11 - 2));
  EXPECT_EQ(GridOffsets(1, 5), (std::vector<double>{-1, -0.5, 0, 0.5, 1}));
}

// The baseline error divides out the scene's scale and the number of pairs, which the
// plain error carries as ln 10 and ln 2 / 2; coincident centres are rejected.
TEST(Landscape, BaselineErrorIgnoresScaleAndPairCountAndRejectsCoincidentCameras) {
  CameraParams off = Demo::TruePose();
  off.azimuth = 0.5;
  const Demo once(off), scaled(off, 10), doubled(off, 1, 2);
  EXPECT_NEAR(scaled.Error(ErrorKind::kBaseline), once.Error(ErrorKind::kBaseline), 1e-9);
  EXPECT_NEAR(doubled.Error(ErrorKind::kBaseline), once.Error(ErrorKind::kBaseline), 1e-9);
  EXPECT_NEAR(scaled.Error(ErrorKind::kPlain) - once.Error(ErrorKind::kPlain), std::log(10.0),
              1e-9);
  EXPECT_NEAR(doubled.Error(ErrorKind::kPlain) - once.Error(ErrorKind::kPlain), std::log(2.0) / 2,
              1e-9);

  Demo same{CameraParams{}};
  EXPECT_EQ(same.Error(ErrorKind::kBaseline), kRejectedScore);
  EXPECT_LT(same.Error(ErrorKind::kPlain), -20);  // the plain error's false best
  // A profile through the coincident pose rejects exactly there, in both computations.
  CameraParams level = Demo::TruePose();
  level.altitude = 0;
  for (bool skip : {false, true}) {
    Demo d{level, 1, 1, skip};
    const LandscapeAxis axis{1, CameraParam::kAzimuth, 0.6, 3};
    const std::vector<LandscapeSample> s =
        ComputeProfile(d.views.first, d.views.second, axis, ErrorKind::kBaseline);
    int rejected = 0;
    for (const LandscapeSample& x : s) {
      rejected += x.rejected;
      if (x.value == 0) {
        EXPECT_TRUE(x.rejected) << skip;
      }
    }
    EXPECT_EQ(rejected, 1) << skip;
  }
}

// Every sample of a profile is the error that posing the views there from scratch gives,
// the one at offset 0 to the bit; the cameras end exactly as they were. Through the pair
// loop (no rejections), the model's own recomputation (with them) and both error kinds.
TEST(Landscape, ProfileEqualsPosingTheViewsAtEachSampleAndRestoresThem) {
  CameraParams start = Demo::TruePose();
  start.azimuth = 0.45, start.tilt = 0.03, start.rotation = -0.1;
  const struct {
    int view;
    CameraParam param;
    double range;
  } kAxes[] = {{1, CameraParam::kAzimuth, 0.5},  {0, CameraParam::kAltitude, 0.4},
               {1, CameraParam::kRotation, 0.3}, {1, CameraParam::kFocalLength, 4},
               {0, CameraParam::kDistance, 20},  {0, CameraParam::kPan, 0.2},
               {1, CameraParam::kTilt, 0.2}};
  for (bool skip : {false, true})
    for (ErrorKind kind : {ErrorKind::kPlain, ErrorKind::kBaseline})
      for (const auto& a : kAxes) {
        SCOPED_TRACE(std::string(CameraParamName(a.param)) + (skip ? " skip " : " ") +
                     ErrorKindName(kind));
        Demo d(start, 1, 1, skip);
        const std::vector<double> before = State(d);
        const LandscapeAxis axis{a.view, a.param, a.range, 9};
        const std::vector<LandscapeSample> s =
            ComputeProfile(d.views.first, d.views.second, axis, kind);
        EXPECT_TRUE(State(d) == before) << "the cameras were not restored";
        ASSERT_EQ(s.size(), ProfileOffsets(a.range, 9).size());
        for (const LandscapeSample& x : s) {
          CameraParams first, second = start;
          SetCameraParam(a.view == 0 ? first : second, a.param,
                         GetCameraParam(a.view == 0 ? first : second, a.param) + x.offset);
          Demo posed(second, 1, 1, skip);
          posed.views.first.SetParams(first);
          posed.views.first.UpdateCamera(VIEW_ALL);
          posed.views.second.UpdateCamera(VIEW_ALL);
          if (x.offset == 0)
            EXPECT_EQ(x.error, d.Error(kind));
          else
            EXPECT_NEAR(x.error, posed.Error(kind), 1e-9) << x.offset;
          EXPECT_EQ(x.rejected, x.error >= kRejectedScore);
        }
      }
}

// At the demo's true pose every one of the fourteen parameters is best where it stands, in
// both kinds, though the plain error also falls where the cameras come together.
TEST(Landscape, TheDemosTruePoseIsBestAlongEveryParameter) {
  Demo d;
  for (int view = 0; view < 2; ++view)
    for (int k = 0; k < kCameraParamCount; ++k)
      for (ErrorKind kind : {ErrorKind::kPlain, ErrorKind::kBaseline}) {
        const auto param = static_cast<CameraParam>(k);
        const bool length = param == CameraParam::kFocalLength || param == CameraParam::kDistance;
        const LandscapeAxis axis{view, param, length ? 5.0 : 0.5, 101};
        const std::vector<LandscapeSample> s =
            ComputeProfile(d.views.first, d.views.second, axis, kind);
        const LandscapeSample* best = &s.front();
        for (const LandscapeSample& x : s)
          if (!x.rejected && x.error < best->error) best = &x;
        EXPECT_EQ(best->offset, 0)
            << ViewLabel(view) << " " << CameraParamName(param) << " " << ErrorKindName(kind);
      }
}

// A slice holds the current pose at the middle of its grid, each axis varying its own
// parameter, the first fastest.
TEST(Landscape, SliceGridVariesTheFirstAxisFastest) {
  Demo d;
  const LandscapeAxis az{1, CameraParam::kAzimuth, 0.2, 3}, dist{0, CameraParam::kDistance, 10, 5};
  const std::vector<LandscapeSample> s =
      ComputeSlice(d.views.first, d.views.second, az, dist, ErrorKind::kPlain);
  ASSERT_EQ(s.size(), 15u);
  EXPECT_EQ(s[1].offset, 0);
  EXPECT_EQ(s[1].offset2, -10);
  EXPECT_EQ(s[5].offset2, -5);
  EXPECT_DOUBLE_EQ(s[5].value2, 45);
  EXPECT_EQ(s[7].error, d.Error(ErrorKind::kPlain));
  Demo posed(Demo::TruePose());
  posed.views.second.SetAzAlt(0.8, -0.2);
  CameraParams first;
  first.distance = 60;
  posed.views.first.SetParams(first);
  posed.views.first.UpdateCamera(VIEW_ALL);
  posed.views.second.UpdateCamera(VIEW_ALL);
  EXPECT_NEAR(s[14].error, posed.Error(ErrorKind::kPlain), 1e-9);
}

// The kind travels with the frame (texts without it read as plain), the copied command
// line carries it, and choosing it recolours the main sphere by that kind.
TEST(ErrorKindChoice, TravelsWithTheFrameAndRecoloursTheMainSphere) {
  FrameState baseline;
  baseline.display.errorKind = ErrorKind::kBaseline;
  FrameState read;
  std::string why;
  ASSERT_TRUE(ParseFrameStateText(FrameStateText(baseline), read, why)) << why;
  EXPECT_EQ(read.display.errorKind, ErrorKind::kBaseline);
  std::string old = FrameStateText(FrameState{});
  old.erase(old.find("baseline-error"));
  FrameState fresh;
  ASSERT_TRUE(ParseFrameStateText(old, fresh, why)) << why;
  EXPECT_EQ(fresh.display.errorKind, ErrorKind::kPlain);
  RenderCommand command;
  command.frame = baseline;
  EXPECT_NE(RenderCommandLine(command).find(" --error=baseline"), std::string::npos);
  command.frame = FrameState{};
  EXPECT_EQ(RenderCommandLine(command).find("--error"), std::string::npos);

  CameraParams off = Demo::TruePose();
  off.azimuth = 0.5;
  Demo d(off);
  ASSERT_GT(d.bench.LoadSampleSpheres(), 0);
  d.bench.SelectMainSphere(0, true);
  double plainMin = 0, plainMax = 0, min = 0, max = 0;
  ASSERT_TRUE(d.bench.MainSphereScoreRange(plainMin, plainMax));
  d.bench.SetErrorKind(ErrorKind::kBaseline);
  EXPECT_EQ(d.bench.Error(), d.Error(ErrorKind::kBaseline));
  ASSERT_TRUE(d.bench.MainSphereScoreRange(min, max));
  // The sphere's positions keep the orbit radius, so the baseline error is the plain one
  // less ln(baseline) and ln(pairs) / 2, the baseline varying from vertex to vertex.
  EXPECT_LT(max, plainMax - 0.5 * std::log(154.0));
}

}  // namespace
}  // namespace velmora
