#include "render/Workbench.h"

#include <filesystem>
#include <string>
#include <vector>

#include "render/ErrorMaps.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"
#include "tests/data/SpecialFiles.h"

namespace velmora {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;

// A workbench over two views as the panels make them, each view's changes logged in order.
struct Bench {
  Bench() {
    for (int i = 0; i < 2; ++i)
      views.View(i).onViewsChanged = [this, i](int mask) {
        log.push_back("view " + std::to_string(i) + " mask " + std::to_string(mask) + " sees " +
                      std::to_string(views.View(1 - i).imagePointCount) + " points");
      };
  }
  CameraModel first, second;
  Workbench views{first, second};
  std::vector<std::string> log;
};

// A data file that reads but whose points do not fit in the views is refused with one
// "Low memory!", and both views keep the points they held: the session goes on.
TEST(Workbench, PointsTooManyForTheMemoryLeftAreRefusedWhole) {
  Bench b;
  TempDir dir;
  ASSERT_TRUE(b.views.LoadDataFile(dir.Write("small.dtx", "1 2\n3 4\n")));
  std::string lines;
  for (int i = 0; i < 2'000'000; ++i) lines += "1 2\n";
  const std::string big = dir.Write("big.dtx", lines);
  lines = {};
  test::MessageRecorder messages;
  bool lowMemory = false;
  {
    // Reading takes about 40 MB; the views' arrays would take 176 MB more.
    test::ScopedMemoryCap cap(std::size_t{80} << 20);
    if (!cap.active()) GTEST_SKIP() << "no memory cap here";
    EXPECT_FALSE(b.views.LoadDataFile(big, &lowMemory));
  }
  EXPECT_TRUE(lowMemory);
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Low memory!"});
  for (const CameraModel* view : {&b.first, &b.second}) {
    ASSERT_EQ(view->imagePointCount, 1);
    EXPECT_EQ(view->imageX.size(), 1u);
  }
  EXPECT_EQ(b.second.imageX[0], 3);
}

// Counts the maps it has watched to their end and notes the steps of each run.
struct CountingWatcher : MapProgress {
  bool Continue(std::size_t, std::size_t) override { return true; }
  void Finished() override { ++finished; }
  void StartStep(const char* name, double before, double share) override {
    steps += std::string(name) + " " + std::to_string(before) + " " + std::to_string(share) + ";";
  }
  void EndRun() override { steps += "end;"; }
  unsigned long long finished = 0;
  std::string steps;
};

// Every map reads both views and the mask does not say which view changed, so any told
// change remaps the main sphere and both pan/tilt spheres; the memo keeps the rest free.
// Every map the workbench draws goes through its settings' watcher.
TEST(Workbench, ViewChangeRecoloursWhatItMakesStale) {
  test::TwoViews v(CameraParams{}, CameraParams{0.6, -0.2, 0, 10, 50, 0, 0});
  Workbench w(v.first, v.second);
  CountingWatcher watcher;
  w.mapSettings.progress = &watcher;
  FstShape panTilt[2];
  for (FstShape* s : {&panTilt[0], &panTilt[1], &w.sampleSpheres[0]}) {
    ASSERT_GT(s->Load(s == &panTilt[1] ? "sphere1K.fsd" : "sphere100.fsd", nullptr), 0);
    AllocateVertexColours(*s);
  }
  for (int i = 0; i < 2; ++i) w.SetPanTiltSphere(i, &panTilt[i]);
  ASSERT_TRUE(w.LoadDataFile("demo.dtx"));
  w.loadedSpheres[0] = &w.sampleSpheres[0];
  w.loadedSphereCount = 1;
  w.SelectMainSphere(0, true);
  w.RecolourAfterViewChange(VIEW_ALL);
  const struct {
    int mask, changedView;
    unsigned long long maps;
  } rows[] = {{VIEW_ALL, -1, 0},    {0, 0, 0},         {VIEW_AZALT, -1, 3},
              {VIEW_PANTILT, 1, 3}, {VIEW_LENS, 0, 3}, {VIEW_ALL, -1, 0}};
  double distance = 70;
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.mask << " " << row.changedView);
    if (row.changedView >= 0) w.View(row.changedView).SetDistance(distance += 10);
    if (row.changedView >= 0) w.View(row.changedView).UpdateCamera(0);  // nobody told yet
    const unsigned long long before = ErrorMapComputations(), watched = watcher.finished;
    watcher.steps.clear();
    w.RecolourAfterViewChange(row.mask);
    EXPECT_EQ(ErrorMapComputations() - before, row.maps);
    EXPECT_EQ(watcher.finished - watched, row.maps);
    if (row.mask == 0) continue;
    // One run for the change, each map named and weighed by its vertices.
    const double small = double(panTilt[0].vertices.size()),
                 all = 2 * small + panTilt[1].vertices.size();
    EXPECT_EQ(watcher.steps, "Main sphere 0.000000 " + std::to_string(small / all) +
                                 ";First view's Pan/Tilt sphere " + std::to_string(small / all) +
                                 " " + std::to_string(small / all) +
                                 ";Second view's Pan/Tilt sphere " +
                                 std::to_string(2 * small / all) + " " +
                                 std::to_string(1 - 2 * small / all) + ";end;");
    FstShape fresh[3] = {*w.mainSphere, panTilt[0], panTilt[1]};
    MapScoreOverPositions(fresh[0], v.second);
    for (int i = 0; i < 2; ++i) MapScoreOverDirections(fresh[1 + i], w.View(i), v.second);
    EXPECT_EQ(w.mainSphere->vertexColours, fresh[0].vertexColours);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(panTilt[i].vertexColours, fresh[1 + i].vertexColours);
  }
  // Distance mode pulls the shown sphere's vertices in by their scores; off puts them back.
  const unsigned long long watched = watcher.finished;
  w.SetDistanceMode(true);
  EXPECT_TRUE(w.mainSphere->radialScore);
  EXPECT_NE(w.mainSphere->vertices, w.mainSphere->sourceVertices);
  w.SetDistanceMode(false);
  EXPECT_EQ(w.mainSphere->vertices, w.mainSphere->sourceVertices);
  EXPECT_EQ(watcher.finished - watched, 2u);
  // A hidden pan/tilt sphere is not mapped until it shows, and then only once.
  bool firstShown = false;
  w.showsPanTiltSphere = [&](int view) { return view == 1 || firstShown; };
  const unsigned long long before = ErrorMapComputations();
  w.View(0).SetDistance(distance += 10);
  w.View(0).UpdateCamera(VIEW_LENS);
  w.RecolourAfterViewChange(VIEW_LENS);
  EXPECT_EQ(ErrorMapComputations() - before, 2u);
  firstShown = true;
  w.MapShownPanTiltSpheres();
  w.MapShownPanTiltSpheres();
  EXPECT_EQ(ErrorMapComputations() - before, 3u);
  FstShape fresh = panTilt[0];
  MapScoreOverDirections(fresh, w.View(0), v.second);
  EXPECT_EQ(panTilt[0].vertexColours, fresh.vertexColours);
}

// Vertex i becomes midpoint i only when both views and the shape agree on the count; a
// pair whose ray points are gone has no midpoint and keeps its vertex.
TEST(SetVerticesFromViews, VerticesFollowTheMidpointsOnlyWhenAllThreeCountsAgree) {
  struct Case {
    int firstPoints, secondPoints, shapePoints, vertexValues, moved, firstRays = -1;
  };
  const std::vector<double> x{-1, 0.5, 2, 1.5}, y{1, -0.5, 0.25, 2};
  for (const Case& c :
       {Case{3, 3, 3, 9, 3}, Case{4, 4, 4, 12, 4}, Case{3, 3, 4, 12, 0}, Case{3, 4, 3, 9, 0},
        Case{4, 3, 3, 9, 0}, Case{0, 0, 0, 0, 0}, Case{3, 3, 3, 6, 0},  // claims 3 points, holds 2
        Case{3, 3, 3, 9, 2, 2}}) {  // the last pair's first ray point is gone
    SCOPED_TRACE(testing::Message() << c.firstPoints << c.secondPoints << c.shapePoints
                                    << c.vertexValues << c.firstRays);
    test::TwoViews views(CameraParams{}, CameraParams{0.6, -0.2, 0, 10, 50, 0, 0});
    views.SetPoints({x.begin(), x.begin() + c.firstPoints}, {y.begin(), y.begin() + c.firstPoints},
                    {x.begin(), x.begin() + c.secondPoints},
                    {y.begin(), y.begin() + c.secondPoints});
    if (c.firstRays >= 0) views.first.rayPoints.resize(c.firstRays);
    FstShape shape;
    shape.pointCount = c.shapePoints;
    shape.vertices.assign(c.vertexValues, 1234.0);
    SetVerticesFromViews(shape, views.first, views.second);
    for (int i = 0; i < c.vertexValues / 3; ++i) {
      Vec3 expected{1234, 1234, 1234};
      if (i < c.moved) views.first.GetMidpoint(i, expected);
      const double* vertex = &shape.vertices[3 * i];
      EXPECT_THAT((Vec3{vertex[0], vertex[1], vertex[2]}), test::Vec3Near(expected, 0.0)) << i;
    }
  }
}

class SampleSpheres : public testing::Test {
 protected:
  int Load(std::vector<int>& announced) {
    views.mapSettings.progress = &watcher;
    return views.LoadSampleSpheres([&](int size) { announced.push_back(size); }, &progress);
  }
  test::CountingProgress progress;
  CountingWatcher watcher;
  test::TwoViews two;
  Workbench views{two.first, two.second};
};

TEST_F(SampleSpheres, AMissingFileIsSkippedAndTheRestPackedAndSelectable) {
  namespace fs = std::filesystem;
  TempDir dir;
  for (const char* name :
       {"cols.fcd", "sphere100.fsd", "sphere1K.fsd", "sphere10K.fsd", "sphere100K.fsd"})
    fs::copy_file(name, dir.path() / name);
  ScopedCurrentDir here(dir.path());
  views.loadedSpheres[4] = &views.sampleSpheres[0];  // stale entries must not survive
  std::vector<int> announced;
  EXPECT_EQ(Load(announced), 4);
  EXPECT_EQ(announced, (std::vector<int>{100, 1000, 10000, 100000}));
  const std::vector<int> positions{0, 1, -1, 2, 3};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(views.LoadedPosition(k), positions[k]) << k;
  EXPECT_EQ(views.loadedSpheres[4], nullptr);
  EXPECT_TRUE(views.sampleSpheres[2].vertexColours.empty());
  // Each read, the missing one too, shows and hides the progress display; a loaded
  // sphere is mapped at once, watched as every map of the workbench, and with no points
  // yet every score is the same.
  EXPECT_EQ(progress.shown, 5);
  EXPECT_EQ(progress.hidden, 5);
  EXPECT_EQ(watcher.finished, 4u);
  ASSERT_EQ(views.sampleSpheres[4].vertexColours.size(), 3u * kSampleSpheres[4].vertexCount);
  EXPECT_EQ(views.sampleSpheres[4].vertexColours.back(), ScoreToColour(0).z);

  // The list's selection picks among the loaded ones; off or out of range is none.
  const struct {
    int index;
    bool on;
    FstShape* shown;
  } rows[] = {{2, true, &views.sampleSpheres[3]},
              {2, false, nullptr},
              {4, true, nullptr},
              {-1, true, nullptr}};
  for (const auto& row : rows) {
    views.SelectMainSphere(row.index, row.on);
    EXPECT_EQ(views.mainSphere, row.shown) << row.index << row.on;
  }
  // With no points the scores give no range: distance mode leaves every vertex in place.
  views.SelectMainSphere(0, true);
  views.SetDistanceMode(true);
  EXPECT_EQ(views.mainSphere->vertices, views.mainSphere->sourceVertices);
}

}  // namespace
}  // namespace velmora
