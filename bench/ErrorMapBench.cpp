// The maps the literal way (per vertex: set the angles, UpdateCamera(0) on the real camera,
// ReconstructionError; one thread) against ours, in one run:
//   - the position map over the 100 000-vertex sphere with 1 000 point pairs, on all
//     hardware threads and on one, on every level of the pair loop the processor runs;
//   - the direction maps of both views over the 1 000-vertex sphere, 1 000 pairs;
//   - the position map over the 100 000-vertex sphere with the demo's 154 pairs;
//   - the position map with 10 pairs over the 1 000- and the 100 000-vertex sphere;
//   - what a map with nothing changed costs with a memo (the digest of its state).
// Made pairs are random scene points seen through both cameras. Before timing, every
// score of ours must lie within 1e-9 of the literal one (where that is above -20). The
// figure per_pair is the time per vertex and point pair ("1.2n": nanoseconds).
//
//   velmora_bench_maps [benchmark flags]
//
// "sphere100K.fsd", "sphere1K.fsd", "demo.dtx" and "cols.fcd" come from the folder
// VELMORA_BENCH_DATA names, else from the build's sample-data folder; a missing sphere is
// replaced by a Fibonacci sphere of the same size.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
#include "render/MapKernel.h"
#include "tests/render/LiteralErrorMap.h"

#ifndef VELMORA_BENCH_DEFAULT_DATA
#define VELMORA_BENCH_DEFAULT_DATA "."
#endif

namespace velmora {
namespace {

using bench::MakePoints;
using bench::Views;

using test::LiteralMap;

FstShape Sphere(const char* file, int size) {
  FstShape shape = bench::LoadOrGenerateSphere(file, size, 10);
  AllocateVertexColours(shape);
  return shape;
}

// The demo's pairs at the demo's poses; false when "demo.dtx" cannot be read.
bool LoadDemo(Views& views) {
  VectorData data;
  if (!ReadVectorData("demo.dtx", data)) return false;
  LoadImagePoints(views.first, data.firstX.data(), data.firstY.data(), data.count);
  LoadImagePoints(views.second, data.secondX.data(), data.secondY.data(), data.count);
  views.second.SetAzAlt(0.6, -0.2);
  views.second.UpdateCamera(VIEW_ALL);
  return true;
}

FstShape g_big, g_small;
Views g_views, g_demo, g_ten;

// Seconds per vertex and point pair (shown as e.g. "1.2n": nanoseconds), on real time.
void Count(benchmark::State& state, const FstShape& shape, const Views& views, int maps) {
  const double pairs = static_cast<double>(shape.pointCount) * views.second.GetPointCount() * maps;
  state.counters["per_pair"] = benchmark::Counter(
      pairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void PositionsLiteral(benchmark::State& state, const FstShape& sphere, Views& views) {
  FstShape shape = sphere;
  for (auto _ : state) LiteralMap(shape, views.second, views.second, true);
  Count(state, shape, views, 1);
}

// Asking for the scores makes every call compute, as a changed camera would.
// Arguments: the worker setting (0: one per hardware thread; 1: a single thread) and,
// when given, the level of the pair loop (KernelLevel; the best one otherwise).
void PositionsFast(benchmark::State& state, const FstShape& sphere, Views& views) {
  FstShape shape = sphere;
  std::vector<double> scores;
  MapSettings settings;
  settings.threads = static_cast<int>(state.range(0));
  if (state.range(1) >= 0) settings.kernel = static_cast<KernelLevel>(state.range(1));
  for (auto _ : state) MapScoreOverPositions(shape, views.second, &scores, nullptr, settings);
  Count(state, shape, views, 1);
}

void BM_PositionMap_Literal(benchmark::State& state) {
  PositionsLiteral(state, g_big, g_views);
}
BENCHMARK(BM_PositionMap_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PositionMap_Fast(benchmark::State& state) {
  PositionsFast(state, g_big, g_views);
}
BENCHMARK(BM_PositionMap_Fast)
    ->Args({0, -1})
    ->Args({1, -1})
    ->Args({1, static_cast<int>(KernelLevel::kAvx2Fma)})
    ->Args({1, static_cast<int>(KernelLevel::kBaseline)})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A map with nothing changed since the last one with the same memo: the digest alone.
void BM_PositionMapMemo_Unchanged(benchmark::State& state) {
  FstShape shape = g_big;
  ErrorMapMemo memo;
  MapScoreOverPositions(shape, g_views.second, nullptr, &memo);
  const unsigned long long before = ErrorMapComputations();
  for (auto _ : state) MapScoreOverPositions(shape, g_views.second, nullptr, &memo);
  if (ErrorMapComputations() != before) state.SkipWithError("the memo did not skip");
}
BENCHMARK(BM_PositionMapMemo_Unchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DirectionMaps_Literal(benchmark::State& state) {
  FstShape a = g_small, b = g_small;
  for (auto _ : state) {
    LiteralMap(a, g_views.first, g_views.second, false);
    LiteralMap(b, g_views.second, g_views.second, false);
  }
  Count(state, a, g_views, 2);
}
BENCHMARK(BM_DirectionMaps_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DirectionMaps_Fast(benchmark::State& state) {
  FstShape a = g_small, b = g_small;
  std::vector<double> scores;
  const MapSettings settings{static_cast<int>(state.range(0))};
  for (auto _ : state) {
    MapScoreOverDirections(a, g_views.first, g_views.second, &scores, nullptr, settings);
    MapScoreOverDirections(b, g_views.second, g_views.second, &scores, nullptr, settings);
  }
  Count(state, a, g_views, 2);
}
BENCHMARK(BM_DirectionMaps_Fast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemoMap_Literal(benchmark::State& state) {
  PositionsLiteral(state, g_big, g_demo);
}
BENCHMARK(BM_DemoMap_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemoMap_Fast(benchmark::State& state) {
  PositionsFast(state, g_big, g_demo);
}
BENCHMARK(BM_DemoMap_Fast)
    ->Args({0, -1})
    ->Args({1, -1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TenPairs1K_Literal(benchmark::State& state) {
  PositionsLiteral(state, g_small, g_ten);
}
BENCHMARK(BM_TenPairs1K_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TenPairs1K_Fast(benchmark::State& state) {
  PositionsFast(state, g_small, g_ten);
}
BENCHMARK(BM_TenPairs1K_Fast)
    ->Args({0, -1})
    ->Args({1, -1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TenPairs100K_Literal(benchmark::State& state) {
  PositionsLiteral(state, g_big, g_ten);
}
BENCHMARK(BM_TenPairs100K_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TenPairs100K_Fast(benchmark::State& state) {
  PositionsFast(state, g_big, g_ten);
}
BENCHMARK(BM_TenPairs100K_Fast)
    ->Args({0, -1})
    ->Args({1, -1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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

// The processor's name as the system reports it.
std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "unknown";
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  bench::StartInDataFolder(&argc, argv, VELMORA_BENCH_DEFAULT_DATA);

  g_big = Sphere("sphere100K.fsd", 100000);
  g_big.radialScore = true;  // the deformed vertices are part of the work
  g_small = Sphere("sphere1K.fsd", 1000);
  MakePoints(g_views, 1000);
  MakePoints(g_ten, 10);
  if (!LoadDemo(g_demo)) {
    std::fprintf(stderr, "demo.dtx not readable\n");
    return 1;
  }
  std::printf("%d and %d vertices; %d, %d and %d point pairs; %u hardware threads\n",
              g_big.pointCount, g_small.pointCount, g_views.second.GetPointCount(),
              g_demo.second.GetPointCount(), g_ten.second.GetPointCount(),
              std::thread::hardware_concurrency());
  std::printf("processor: %s; pair loop: %s\n", CpuModel().c_str(),
              KernelLevelName(BestKernelLevel()));

  double worst = Disagreement(g_big, g_views.second, g_views.second, true);
  worst = std::max(worst, Disagreement(g_small, g_views.first, g_views.second, false));
  worst = std::max(worst, Disagreement(g_small, g_views.second, g_views.second, false));
  worst = std::max(worst, Disagreement(g_big, g_demo.second, g_demo.second, true));
  worst = std::max(worst, Disagreement(g_small, g_ten.second, g_ten.second, true));
  std::printf("largest score difference from the literal maps: %g\n", worst);

  if (worst > 1e-9) std::fprintf(stderr, "the fast maps disagree with the literal ones\n");
  bench::RatioReporter reporter("_Literal", "_Fast");
  return bench::RunIfChecked(worst <= 1e-9, reporter);
}
