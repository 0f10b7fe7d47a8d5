#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>
#include <vector>

#include "data/VectorData.h"
#include "render/ErrorMaps.h"
#include "tests/TwoViews.h"

namespace velmora {
namespace {

// Goes on until its stopAt-th question (never with 0); the first answer waits long
// enough that the map asks again from within.
struct ScriptedWatcher : MapProgress {
  explicit ScriptedWatcher(int stopAt) : stopAt(stopAt) {}
  bool Continue(std::size_t done, std::size_t total) override {
    ordered = ordered && done >= lastDone && done <= total && total == 10000;
    lastDone = done;
    if (++asked == 1) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return stopAt == 0 || asked < stopAt;
  }
  void Finished() override { ++finished; }
  int stopAt, asked = 0, finished = 0;
  std::size_t lastDone = 0;
  bool ordered = true;
};

// The demo's points (the second view one short of them unless regular, which sends the
// map the plain way) and the 10K sphere mapped at one pose, then the second view moved.
struct MappedScene {
  MappedScene(bool regular, bool skip, bool positions, int threads)
      : positions(positions), threads(threads) {
    VectorData data;
    EXPECT_TRUE(ReadVectorData("demo.dtx", data));
    v.first.skipNegativeST = v.second.skipNegativeST = skip;
    LoadImagePoints(v.first, data.firstX.data(), data.firstY.data(), data.count);
    LoadImagePoints(v.second, data.secondX.data(), data.secondY.data(),
                    regular ? data.count : data.count - 1);
    EXPECT_GT(shape.Load("sphere10K.fsd", nullptr), 0);
    AllocateVertexColours(shape);
    Map();
    v.second.SetAzAlt(0.3, 0.1);
    v.second.UpdateCamera(VIEW_ALL);
  }
  void Map(MapProgress* watcher = nullptr) {
    const MapSettings settings{threads, KernelLevel::kAvx512, watcher};
    if (positions)
      MapScoreOverPositions(shape, v.second, nullptr, &memo, settings);
    else
      MapScoreOverDirections(shape, v.first, v.second, nullptr, &memo, settings);
  }
  auto Range() const {
    double min = 0, max = 0;
    const bool ranged = memo.LastRange(min, max);
    return std::make_tuple(ranged, min, max);
  }
  auto Rays() const {
    std::vector<double> all;
    for (const CameraModel* c : {&v.first, &v.second})
      for (const Vec3& p : c->rayPoints) all.insert(all.end(), {p.x, p.y, p.z});
    return all;
  }
  const bool positions;
  const int threads;
  test::TwoViews v;
  FstShape shape;
  ErrorMapMemo memo;
};

TEST(WatchedMap, CancelKeepsTheColoursTheMemoAndThePosesAndLetRunChangesNothing) {
  for (const int threads : {1, 2})
    for (const bool regular : {true, false})
      for (const bool positions : {true, false})
        for (const bool skip : {false, true}) {
          SCOPED_TRACE(testing::Message() << threads << " threads, regular " << regular
                                          << ", positions " << positions << ", skip " << skip);
          MappedScene expected(regular, skip, positions, threads),
              watched(regular, skip, positions, threads);
          const FstShape before = watched.shape;
          const auto range = watched.Range();
          expected.Map();

          ScriptedWatcher cancel(2);
          const auto computed = ErrorMapComputations();
          watched.Map(&cancel);
          EXPECT_EQ(cancel.asked, 2);
          EXPECT_EQ(cancel.finished, 1);
          EXPECT_TRUE(cancel.ordered);
          EXPECT_GT(cancel.lastDone, 0u) << "the second question comes from within the map";
          EXPECT_EQ(ErrorMapComputations(), computed);
          EXPECT_EQ(watched.shape.vertexColours, before.vertexColours);
          EXPECT_EQ(watched.shape.vertices, before.vertices);
          EXPECT_EQ(watched.Range(), range);

          // Let run, the same map gives exactly the unwatched result from the same poses.
          ScriptedWatcher patient(0);
          watched.Map(&patient);
          EXPECT_GE(patient.asked, 2);
          EXPECT_EQ(patient.finished, 1);
          EXPECT_TRUE(patient.ordered);
          EXPECT_EQ(watched.shape.vertexColours, expected.shape.vertexColours);
          EXPECT_EQ(watched.shape.vertices, expected.shape.vertices);
          EXPECT_EQ(watched.Rays(), expected.Rays());
          EXPECT_EQ(std::get<0>(watched.Range()), regular);
        }
}

}  // namespace
}  // namespace velmora
