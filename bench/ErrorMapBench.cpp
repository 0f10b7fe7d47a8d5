// Time per position map over the 100 000-vertex sphere with the demo's 154 point pairs:
// the plain per-vertex recomputation (UpdateCamera(0) and ReconstructionError on the real
// camera, one vertex after the other) against MapScoreOverPositions, with its default
// worker count and with one worker. The two must colour the sphere alike first.
//
//   velmora_bench_maps [benchmark flags]
//
// "sphere100K.fsd", "demo.dtx" and "cols.fcd" come from the folder VELMORA_BENCH_DATA
// names, else from the build's sample-data folder. A missing sphere is replaced by a
// Fibonacci sphere of 100 000 vertices, missing demo points by 154 scene points seen
// through both cameras at the demo's poses.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "data/VectorData.h"
#include "platform/Notify.h"
#include "render/ErrorMaps.h"

#ifndef VELMORA_BENCH_DEFAULT_DATA
#define VELMORA_BENCH_DEFAULT_DATA "."
#endif

namespace velmora {
namespace {

constexpr int kSphereVertices = 100000;

// The position map done the plain way, step by step.
void ReferencePositionMap(FstShape& shape, CameraModel& second) {
  double az0, alt0;
  second.GetAzAlt(az0, alt0);
  double min = 1.0e308, max = -1.0e308;
  const int n = shape.pointCount;
  for (int i = 0; i < n; ++i) {
    const double* p = &shape.sourceVertices[3 * i];
    double az, alt;
    DirectionToAngles(p[0], p[1], p[2], az, alt);
    second.SetAzAlt(az, alt);
    second.UpdateCamera(0);
    const double s = second.ReconstructionError();
    shape.vertexColours[3 * i] = s;
    if (s < min) min = s;
    if (s < 50.0 && s > max) max = s;
  }
  const double range = max - min;
  const bool flat = !(range > 0) || !std::isfinite(range);
  for (int i = 0; i < n; ++i) {
    double s = shape.vertexColours[3 * i];
    if (!(s < 50.0)) s = min + range;
    const double v = flat ? 1.0 : (s - min) / range;
    const Vec3 c = ScoreToColour(flat ? 0.0 : v * v);
    shape.vertexColours[3 * i] = c.x;
    shape.vertexColours[3 * i + 1] = c.y;
    shape.vertexColours[3 * i + 2] = c.z;
    if (shape.radialScore)
      for (int k = 3 * i; k < 3 * i + 3; ++k) shape.vertices[k] = v * shape.sourceVertices[k];
  }
  second.SetAzAlt(az0, alt0);
  second.UpdateCamera(0);
}

FstShape FibonacciSphere(int count) {
  FstShape shape;
  shape.pointCount = count;
  const double golden = std::numbers::pi * (3.0 - std::sqrt(5.0));
  for (int i = 0; i < count; ++i) {
    const double y = 1.0 - 2.0 * (i + 0.5) / count;
    const double r = std::sqrt(1.0 - y * y);
    for (double c : {r * std::cos(golden * i), y, r * std::sin(golden * i)})
      shape.sourceVertices.push_back(10 * c);
  }
  shape.vertices = shape.sourceVertices;
  return shape;
}

struct Views {
  CameraModel first, second;
  Views() {
    first.otherView = &second;
    second.otherView = &first;
  }
};

// The demo's points, or points of a box-shaped cloud seen by both cameras.
void LoadPoints(Views& views) {
  views.second.SetAzAlt(0.6, -0.2);
  views.first.UpdateCamera(VIEW_ALL);
  views.second.UpdateCamera(VIEW_ALL);
  VectorData data;
  if (!ReadVectorData("demo.dtx", data) || data.count == 0) {
    std::printf("demo.dtx not found: 154 points of a generated cloud\n");
    data = VectorData{};
    for (int i = 0; i < 154; ++i) {
      const Vec3 p{-8.0 + 16.0 * ((i * 37) % 154) / 154.0, -7.0 + 15.0 * (i % 11) / 10.0,
                   -6.0 + 12.0 * (i % 7) / 6.0};
      double x1, y1, x2, y2;
      if (!views.first.ProjectToImage(p, x1, y1) || !views.second.ProjectToImage(p, x2, y2))
        continue;
      data.firstX.push_back(x1), data.firstY.push_back(y1);
      data.secondX.push_back(x2), data.secondY.push_back(y2);
    }
    data.count = static_cast<int>(data.firstX.size());
  }
  LoadImagePoints(views.first, data.firstX.data(), data.firstY.data(), data.count);
  LoadImagePoints(views.second, data.secondX.data(), data.secondY.data(), data.count);
}

FstShape g_sphere;
Views g_views;

void BM_PositionMap_Reference(benchmark::State& state) {
  FstShape shape = g_sphere;
  for (auto _ : state) ReferencePositionMap(shape, g_views.second);
  state.SetItemsProcessed(state.iterations() * shape.pointCount);
}
BENCHMARK(BM_PositionMap_Reference)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument: the worker setting (0: the default, one per hardware thread).
void BM_PositionMap_Fast(benchmark::State& state) {
  FstShape shape = g_sphere;
  const int previous = SetErrorMapThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) MapScoreOverPositions(shape, g_views.second);
  SetErrorMapThreads(previous);
  state.SetItemsProcessed(state.iterations() * shape.pointCount);
}
BENCHMARK(BM_PositionMap_Fast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the usual table, then how many times faster each fast run is.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration)
        times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double reference = 0;
    for (const auto& [name, time] : times_)
      if (name.rfind("BM_PositionMap_Reference", 0) == 0) reference = time;
    for (const auto& [name, time] : times_)
      if (reference > 0 && time > 0 && name.rfind("BM_PositionMap_Fast", 0) == 0)
        std::printf("reference / %s: %.2f\n", name.c_str(), reference / time);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  benchmark::Initialize(&argc, argv);
  namespace fs = std::filesystem;
  const char* fromEnv = std::getenv("VELMORA_BENCH_DATA");
  const fs::path data = fromEnv ? fromEnv : VELMORA_BENCH_DEFAULT_DATA;
  std::error_code ec;
  fs::current_path(data, ec);  // FstShape::Load reads "cols.fcd" from here
  SetMessageSink(
      [](const std::string& text) { std::fprintf(stderr, "message: %s\n", text.c_str()); });

  if (!fs::exists("sphere100K.fsd") || g_sphere.Load("sphere100K.fsd", nullptr) <= 0) {
    std::printf("sphere100K.fsd not readable in %s: a generated sphere\n", data.c_str());
    g_sphere = FibonacciSphere(kSphereVertices);
  }
  AllocateVertexColours(g_sphere);
  g_sphere.radialScore = true;  // the deformed vertices are part of the work
  LoadPoints(g_views);
  std::printf("%d vertices, %d point pairs, %u hardware threads\n", g_sphere.pointCount,
              g_views.second.GetPointCount(), std::thread::hardware_concurrency());

  // Both ways must give the same sphere before their times mean anything.
  FstShape fast = g_sphere, reference = g_sphere;
  MapScoreOverPositions(fast, g_views.second);
  ReferencePositionMap(reference, g_views.second);
  double worst = 0;
  for (std::size_t k = 0; k < fast.vertexColours.size(); ++k)
    worst = std::max(worst, std::fabs(fast.vertexColours[k] - reference.vertexColours[k]));
  for (std::size_t k = 0; k < fast.vertices.size(); ++k)
    worst = std::max(worst, std::fabs(fast.vertices[k] - reference.vertices[k]));
  std::printf("largest difference from the reference: %g\n", worst);

  int status = 1;
  if (worst <= 1e-12) {
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    status = 0;
  } else {
    std::fprintf(stderr, "the fast map disagrees with the reference\n");
  }
  benchmark::Shutdown();
  return status;
}
