#include "render/ErrorMaps.h"

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/TwoViews.h"
#include "tests/render/LiteralErrorMap.h"

namespace velmora {
namespace {

using test::LiteralMap;
using test::TwoViews;
using testing::DoubleNear;
using testing::Pointwise;

FstShape LoadedSphere(const char* file) {
  FstShape shape;
  EXPECT_GT(shape.Load(file, nullptr), 0) << file;
  AllocateVertexColours(shape);
  return shape;
}

// Every number of a camera's pose and points, to compare two cameras bit for bit.
std::vector<double> CameraNumbers(const CameraModel& c) {
  const CameraParams& p = c.GetParams();
  std::vector<double> n{p.azimuth, p.altitude, p.pan, p.tilt};
  for (int r = 0; r < 3; ++r) {
    n.insert(n.end(), c.orbitMatrix[r], c.orbitMatrix[r] + 3);
    n.insert(n.end(), c.lookMatrix[r], c.lookMatrix[r] + 3);
  }
  std::vector<Vec3> points(std::begin(c.planeCorners), std::end(c.planeCorners));
  points.push_back(c.cameraPosition);
  points.insert(points.end(), c.planePoints.begin(), c.planePoints.end());
  points.insert(points.end(), c.rayPoints.begin(), c.rayPoints.end());
  for (const Vec3& p : points) n.insert(n.end(), {p.x, p.y, p.z});
  return n;
}

void ExpectSameCameras(const TwoViews& a, const TwoViews& b) {
  EXPECT_TRUE(CameraNumbers(a.first) == CameraNumbers(b.first)) << "first cameras differ";
  EXPECT_TRUE(CameraNumbers(a.second) == CameraNumbers(b.second)) << "second cameras differ";
}

// The fast map of mapped over fast's views against the plain one of expected over slow's:
// the map over the second view's positions (turning 0) or over the pan and tilt of view
// turning (1 or 2), with the given threads and pair loop. Every score within 1e-9 where
// that is above rounding noise, the colours and vertices that follow, and the cameras bit
// for bit. Returns the scores compared and counts those of rejected poses.
int ExpectLikeLiteral(TwoViews& fast, TwoViews& slow, FstShape& mapped, FstShape& expected,
                      int turning, const MapSettings& settings, int& rejected) {
  std::vector<double> ours, literal;
  if (turning == 0) {
    MapScoreOverPositions(mapped, fast.second, &ours, nullptr, settings);
    LiteralMap(expected, slow.second, slow.second, true, &literal, settings.error);
  } else {
    MapScoreOverDirections(mapped, turning == 1 ? fast.first : fast.second, fast.second, &ours,
                           nullptr, settings);
    LiteralMap(expected, turning == 1 ? slow.first : slow.second, slow.second, false, &literal,
               settings.error);
  }
  EXPECT_EQ(ours.size(), literal.size());
  int compared = 0;
  for (std::size_t v = 0; v < ours.size() && v < literal.size(); ++v) {
    if (std::isinf(literal[v])) {
      EXPECT_EQ(ours[v], literal[v]) << v;
    } else if (literal[v] > -20) {
      EXPECT_NEAR(ours[v], literal[v], 1e-9) << v;
      ++compared;
      rejected += literal[v] >= kRejectedScore;
    }
  }
  EXPECT_THAT(mapped.vertexColours, Pointwise(DoubleNear(1e-9), expected.vertexColours));
  EXPECT_THAT(mapped.vertices, Pointwise(DoubleNear(1e-9), expected.vertices));
  ExpectSameCameras(fast, slow);
  return compared;
}

TEST(ErrorMapScale, ScoreToColourWorkedValues) {
  const struct {
    double v;
    Vec3 colour;
  } cases[] = {{0, {4.0 / 17, 0, 1}},
               {0.25, {0, 14.0 / 17, 1}},
               {0.5, {0, 1, 2.0 / 17}},
               {0.75, {16.0 / 17, 1, 0}},
               {1, {1, 0, 0}}};
  for (const auto& c : cases)
    EXPECT_THAT(ScoreToColour(c.v), test::Vec3Near(c.colour, 1e-12)) << "v = " << c.v;
}

// Fast maps against the plain one-vertex-at-a-time computation, twice in a row so that the
// second map starts from what the first left behind. Every pose parameter of both views
// drawn at random (roll and pan/tilt of either sign too, since the fast frames rebuild the
// rotations from the vertex coordinates), random point sets with some points behind a
// camera so that skipNegativeST rejects at varying pairs, now and then with parameters
// changed but not recomputed, on 0 to 7 threads and every level of the pair loop: every
// score within 1e-9 where that is above rounding noise, the colours that follow and the
// cameras bit for bit.
TEST(ErrorMapResults, RandomPosesAgreeWithThePlainComputation) {
  const struct {
    double CameraParams::*field;
    double centre, spread;
  } kDraws[] = {{&CameraParams::azimuth, 0, 3},    {&CameraParams::altitude, 0, 1},
                {&CameraParams::rotation, 0, 3},   {&CameraParams::focalLength, 8, 4},
                {&CameraParams::distance, 40, 20}, {&CameraParams::pan, 0, 0.2},
                {&CameraParams::tilt, 0, 0.2}};
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  int compared = 0, rejectedScores = 0;
  for (int round = 0; round < 24; ++round) {
    const bool skip = round % 2 == 1;
    const int kind = (round / 2) % 3;  // positions, first view turns, second view turns
    SCOPED_TRACE("round " + std::to_string(round));
    TwoViews fast, slow;
    const int pairs = 5 + static_cast<int>(random() % 140);
    std::vector<double> x1, y1, x2, y2;
    CameraParams p1, p2;
    for (CameraParams* p : {&p1, &p2})
      for (const auto& d : kDraws) p->*d.field = d.centre + d.spread * unit(random);
    for (TwoViews* v : {&fast, &slow}) {
      v->first.SetParams(p1), v->second.SetParams(p2);
      v->first.UpdateCamera(VIEW_ALL), v->second.UpdateCamera(VIEW_ALL);
    }
    while (static_cast<int>(x1.size()) < pairs) {
      const Vec3 q{15 * unit(random), 15 * unit(random), 15 * unit(random)};
      double a, b, c, d;
      // Mostly seen by both; now and then a point wildly off to make rejections.
      if (!fast.first.ProjectToImage(q, a, b) || !fast.second.ProjectToImage(q, c, d)) continue;
      const double wild = random() % 9 == 0 ? 20.0 : 0.01;
      x1.push_back(a + wild * unit(random)), y1.push_back(b), x2.push_back(c);
      y2.push_back(d + wild * unit(random));
    }
    const bool unsynced = round % 5 == 2;
    for (TwoViews* v : {&fast, &slow}) {
      v->first.skipNegativeST = v->second.skipNegativeST = skip;
      LoadImagePoints(v->first, x1.data(), y1.data(), pairs);
      LoadImagePoints(v->second, x2.data(), y2.data(), pairs);
      if (unsynced) v->second.SetPanTilt(0.02, -0.01), v->first.SetAzAlt(-0.1, 0.05);
    }
    FstShape mapped = LoadedSphere(round % 3 == 0 ? "sphere100.fsd" : "sphere1K.fsd");
    FstShape expected = mapped;
    mapped.radialScore = expected.radialScore = kind == 0 && round % 4 == 0;
    // Every level of the pair loop in turn (the levels this processor lacks give the best),
    // and the baseline error in every third round.
    const MapSettings settings{round % 8, static_cast<KernelLevel>(round % 4), nullptr,
                               round % 3 == 1 ? ErrorKind::kBaseline : ErrorKind::kPlain};
    for (int repeat = 0; repeat < 2; ++repeat)
      compared += ExpectLikeLiteral(fast, slow, mapped, expected, kind, settings, rejectedScores);
  }
  EXPECT_GT(compared, 10000);
  EXPECT_GT(rejectedScores, 100);  // the rejection bookkeeping was exercised
}

}  // namespace
}  // namespace velmora
