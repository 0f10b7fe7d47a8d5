#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "data/VectorData.h"
#include "render/ErrorMaps.h"
#include "tests/TwoViews.h"

namespace velmora {
namespace {

// Goes on until its stopAt-th question (never with 0); the first answer waits long
// enough that the map asks again.
struct ScriptedWatcher : MapProgress {
  explicit ScriptedWatcher(int stopAt) : stopAt(stopAt) {}
  bool Continue(std::size_t done, std::size_t total) override {
    ordered = ordered && done >= lastDone && done <= total && total == expectedTotal;
    lastDone = done;
    if (++asked == 1) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return stopAt == 0 || asked < stopAt;
  }
  void Finished() override { ++finished; }
  int stopAt, asked = 0, finished = 0;
  std::size_t lastDone = 0, expectedTotal = 0;
  bool ordered = true;
};

class Watching {
 public:
  explicit Watching(MapProgress* watcher) : previous_(SetErrorMapProgress(watcher)) {}
  ~Watching() { SetErrorMapProgress(previous_); }

 private:
  MapProgress* previous_;
};

// The demo's points; the second view one short of them when regular is false, which
// sends the map the plain way.
void DemoViews(test::TwoViews& v, bool regular, bool skipNegativeST) {
  VectorData data;
  ASSERT_TRUE(ReadVectorData("demo.dtx", data));
  v.first.skipNegativeST = v.second.skipNegativeST = skipNegativeST;
  LoadImagePoints(v.first, data.firstX.data(), data.firstY.data(), data.count);
  LoadImagePoints(v.second, data.secondX.data(), data.secondY.data(),
                  regular ? data.count : data.count - 1);
  v.second.SetAzAlt(0.6, -0.2);
  v.second.UpdateCamera(VIEW_ALL);
}

FstShape Sphere() {
  FstShape shape;
  EXPECT_GT(shape.Load("sphere10K.fsd", nullptr), 0);
  AllocateVertexColours(shape);
  return shape;
}

bool SameRays(const std::vector<Vec3>& a, const std::vector<Vec3>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].z != b[i].z) return false;
  return true;
}

void Map(bool positions, FstShape& shape, test::TwoViews& v, ErrorMapMemo& memo) {
  if (positions)
    MapScoreOverPositions(shape, v.second, nullptr, &memo);
  else
    MapScoreOverDirections(shape, v.first, v.second, nullptr, &memo);
}

TEST(WatchedMap, CancelKeepsTheColoursTheMemoAndThePosesAndLetRunChangesNothing) {
  for (const int threads : {1, 2})
    for (const bool regular : {true, false})
      for (const bool positions : {true, false})
        for (const bool skip : {false, true}) {
          SCOPED_TRACE(testing::Message() << threads << " threads, regular " << regular
                                          << ", positions " << positions << ", skip " << skip);
          const int previousThreads = SetErrorMapThreads(threads);
          // The unwatched map after a first one at another pose.
          test::TwoViews expectedViews;
          DemoViews(expectedViews, regular, skip);
          FstShape expected = Sphere();
          ErrorMapMemo expectedMemo;
          Map(positions, expected, expectedViews, expectedMemo);
          expectedViews.second.SetAzAlt(0.3, 0.1);
          expectedViews.second.UpdateCamera(VIEW_ALL);
          const FstShape before = expected;
          Map(positions, expected, expectedViews, expectedMemo);

          test::TwoViews views;
          DemoViews(views, regular, skip);
          FstShape shape = Sphere();
          ErrorMapMemo memo;
          Map(positions, shape, views, memo);
          views.second.SetAzAlt(0.3, 0.1);
          views.second.UpdateCamera(VIEW_ALL);
          double min0 = 0, max0 = 0;
          const bool ranged = memo.LastRange(min0, max0);
          EXPECT_EQ(ranged, regular);

          ScriptedWatcher cancel(2);
          cancel.expectedTotal = static_cast<std::size_t>(shape.pointCount);
          const auto computed = ErrorMapComputations();
          {
            Watching watching(&cancel);
            Map(positions, shape, views, memo);
          }
          EXPECT_EQ(cancel.asked, 2);
          EXPECT_EQ(cancel.finished, 1);
          EXPECT_TRUE(cancel.ordered);
          EXPECT_GT(cancel.lastDone, 0u) << "the second question comes from within the map";
          EXPECT_EQ(ErrorMapComputations(), computed);
          EXPECT_EQ(shape.vertexColours, before.vertexColours);
          EXPECT_EQ(shape.vertices, before.vertices);
          double min1 = 0, max1 = 0;
          EXPECT_EQ(memo.LastRange(min1, max1), ranged);
          EXPECT_EQ(min1, min0);
          EXPECT_EQ(max1, max0);
          for (const CameraModel* c : {&views.first, &views.second}) {
            const CameraModel& e = c == &views.first ? expectedViews.first : expectedViews.second;
            EXPECT_EQ(c->azimuth, e.azimuth);
            EXPECT_EQ(c->altitude, e.altitude);
            EXPECT_EQ(c->pan, e.pan);
            EXPECT_EQ(c->tilt, e.tilt);
          }

          // Let run, the same map gives exactly the unwatched result.
          ScriptedWatcher patient(0);
          patient.expectedTotal = cancel.expectedTotal;
          {
            Watching watching(&patient);
            Map(positions, shape, views, memo);
          }
          EXPECT_GE(patient.asked, 2);
          EXPECT_EQ(patient.finished, 1);
          EXPECT_TRUE(patient.ordered);
          EXPECT_EQ(shape.vertexColours, expected.vertexColours);
          EXPECT_EQ(shape.vertices, expected.vertices);
          EXPECT_TRUE(SameRays(views.first.rayPoints, expectedViews.first.rayPoints));
          EXPECT_TRUE(SameRays(views.second.rayPoints, expectedViews.second.rayPoints));
          SetErrorMapThreads(previousThreads);
        }
}

TEST(WatchedMap, CancelAtTheStartMapsNothing) {
  test::TwoViews views;
  DemoViews(views, true, false);
  FstShape shape = Sphere();
  const std::vector<double> black = shape.vertexColours;
  ErrorMapMemo memo;
  ScriptedWatcher cancel(1);
  cancel.expectedTotal = static_cast<std::size_t>(shape.pointCount);
  Watching watching(&cancel);
  MapScoreOverPositions(shape, views.second, nullptr, &memo);
  EXPECT_EQ(cancel.asked, 1);
  EXPECT_EQ(cancel.finished, 1);
  EXPECT_EQ(shape.vertexColours, black);
  double min, max;
  EXPECT_FALSE(memo.LastRange(min, max));
}

}  // namespace
}  // namespace velmora
