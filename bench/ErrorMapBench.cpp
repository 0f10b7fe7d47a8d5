// The maps the literal way (per vertex: set the angles, UpdateCamera(0) on the real camera,
// ReconstructionError; one thread) against ours, in one run:
//   - the position map over the 100 000-vertex sphere,
//   - the direction maps of both views over the 1 000-vertex sphere,
// with 1 000 point pairs made here: random scene points seen through both cameras.
// Before timing, every score of ours must lie within 1e-9 of the literal one.
//
//   velmora_bench_maps [benchmark flags]
//
// "sphere100K.fsd", "sphere1K.fsd" and "cols.fcd" come from the folder VELMORA_BENCH_DATA
// names, else from the build's sample-data folder; a missing sphere is replaced by a
// Fibonacci sphere of the same size.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "data/VectorData.h"
#include "render/ErrorMaps.h"
#include "tests/render/LiteralErrorMap.h"

#ifndef VELMORA_BENCH_DEFAULT_DATA
#define VELMORA_BENCH_DEFAULT_DATA "."
#endif

namespace velmora {
namespace {

using test::LiteralMap;

constexpr int kPairs = 1000;

FstShape Sphere(const char* file, int size) {
  FstShape shape = bench::LoadOrGenerateSphere(file, size, 10);
  AllocateVertexColours(shape);
  return shape;
}

struct Views {
  CameraModel first, second;
  Views() {
    first.otherView = &second;
    second.otherView = &first;
  }
};

// kPairs random scene points in front of both cameras, their images as the point pairs,
// with a little image noise so that no pose fits exactly.
void MakePoints(Views& views) {
  views.second.SetAzAlt(0.6, -0.2);
  views.second.SetPanTilt(0.03, -0.02);
  views.first.UpdateCamera(VIEW_ALL);
  views.second.UpdateCamera(VIEW_ALL);
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> box(-12.0, 12.0), noise(-2e-3, 2e-3);
  std::vector<double> x1, y1, x2, y2;
  while (static_cast<int>(x1.size()) < kPairs) {
    const Vec3 p{box(random), box(random), box(random)};
    double a, b, c, d;
    if (!views.first.ProjectToImage(p, a, b) || !views.second.ProjectToImage(p, c, d)) continue;
    x1.push_back(a + noise(random)), y1.push_back(b + noise(random));
    x2.push_back(c + noise(random)), y2.push_back(d + noise(random));
  }
  LoadImagePoints(views.first, x1.data(), y1.data(), kPairs);
  LoadImagePoints(views.second, x2.data(), y2.data(), kPairs);
}

FstShape g_big, g_small;
Views g_views;

// Seconds per point pair and trial (shown as e.g. "1.2n": nanoseconds), on real time.
void Count(benchmark::State& state, const FstShape& shape, int maps) {
  const double pairs = static_cast<double>(shape.pointCount) * kPairs * maps;
  state.counters["per_pair"] = benchmark::Counter(
      pairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PositionMap_Literal(benchmark::State& state) {
  FstShape shape = g_big;
  for (auto _ : state) LiteralMap(shape, g_views.second, g_views.second, true);
  Count(state, shape, 1);
}
BENCHMARK(BM_PositionMap_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

// Asking for the scores makes every call compute, as a changed camera would.
// Argument: the worker setting (0: one per hardware thread; 1: a single thread).
void BM_PositionMap_Fast(benchmark::State& state) {
  FstShape shape = g_big;
  std::vector<double> scores;
  const int previous = SetErrorMapThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) MapScoreOverPositions(shape, g_views.second, &scores);
  SetErrorMapThreads(previous);
  Count(state, shape, 1);
}
BENCHMARK(BM_PositionMap_Fast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DirectionMaps_Literal(benchmark::State& state) {
  FstShape a = g_small, b = g_small;
  for (auto _ : state) {
    LiteralMap(a, g_views.first, g_views.second, false);
    LiteralMap(b, g_views.second, g_views.second, false);
  }
  Count(state, a, 2);
}
BENCHMARK(BM_DirectionMaps_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DirectionMaps_Fast(benchmark::State& state) {
  FstShape a = g_small, b = g_small;
  std::vector<double> scores;
  const int previous = SetErrorMapThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    MapScoreOverDirections(a, g_views.first, g_views.second, &scores);
    MapScoreOverDirections(b, g_views.second, g_views.second, &scores);
  }
  SetErrorMapThreads(previous);
  Count(state, a, 2);
}
BENCHMARK(BM_DirectionMaps_Fast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ours against the literal scores on the same data: within 1e-9 wherever the literal score
// is above -20. Returns the largest difference seen.
double Disagreement(FstShape shape, CameraModel& moving, CameraModel& second, bool positions) {
  std::vector<double> ours, literal;
  FstShape copy = shape;
  if (positions)
    MapScoreOverPositions(shape, moving, &ours);
  else
    MapScoreOverDirections(shape, moving, second, &ours);
  LiteralMap(copy, moving, second, positions, &literal);
  double worst = ours.size() == literal.size() ? 0 : 1e300;
  for (std::size_t i = 0; i < ours.size() && i < literal.size(); ++i)
    if (literal[i] > -20) worst = std::max(worst, std::fabs(ours[i] - literal[i]));
  return worst;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  benchmark::Initialize(&argc, argv);
  bench::EnterDataFolder(VELMORA_BENCH_DEFAULT_DATA);
  bench::MessagesToStderr();

  g_big = Sphere("sphere100K.fsd", 100000);
  g_big.radialScore = true;  // the deformed vertices are part of the work
  g_small = Sphere("sphere1K.fsd", 1000);
  MakePoints(g_views);
  std::printf("%d and %d vertices, %d point pairs, %u hardware threads\n", g_big.pointCount,
              g_small.pointCount, g_views.second.GetPointCount(),
              std::thread::hardware_concurrency());

  double worst = Disagreement(g_big, g_views.second, g_views.second, true);
  worst = std::max(worst, Disagreement(g_small, g_views.first, g_views.second, false));
  worst = std::max(worst, Disagreement(g_small, g_views.second, g_views.second, false));
  std::printf("largest score difference from the literal maps: %g\n", worst);

  if (worst > 1e-9) std::fprintf(stderr, "the fast maps disagree with the literal ones\n");
  bench::RatioReporter reporter("_Literal", "_Fast");
  return bench::RunIfChecked(worst <= 1e-9, reporter);
}
