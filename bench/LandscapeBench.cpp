// The error landscape the literal way (per sample: set the parameter, UpdateCamera(0) on
// the real camera, ReconstructionError; one thread; the camera put back at the end) against
// ComputeProfile and ComputeSlice, in one run:
//   - a profile of the second view's azimuth, 201 grid points (and the ladder), over 10 000
//     random point pairs; the bar is 5 ms with all threads;
//   - a 101 x 101 slice of the second view's azimuth and altitude over the demo's 154
//     pairs; the bar is 20 ms.
// Before timing, every error of ours must lie within 1e-9 of the literal one.
//
//   velmora_bench_landscape [benchmark flags]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "camera/CameraModel.h"
#include "data/VectorData.h"
#include "render/Landscape.h"
#include "render/MapKernel.h"

#ifndef VELMORA_BENCH_DEFAULT_DATA
#define VELMORA_BENCH_DEFAULT_DATA "."
#endif

namespace velmora {
namespace {

using bench::MakePoints;
using bench::Views;

bool LoadDemo(Views& views) {
  VectorData data;
  if (!ReadVectorData("demo.dtx", data)) return false;
  views.second.SetAzAlt(0.6, -0.2);
  LoadImagePoints(views.first, data.firstX.data(), data.firstY.data(), data.count);
  LoadImagePoints(views.second, data.secondX.data(), data.secondY.data(), data.count);
  return true;
}

Views g_many, g_demo;
const LandscapeAxis kAzimuth{1, CameraParam::kAzimuth, 0.5, 201};
const LandscapeAxis kSliceAz{1, CameraParam::kAzimuth, 0.5, 101};
const LandscapeAxis kSliceAlt{1, CameraParam::kAltitude, 0.5, 101};

// The literal way: every point of offsets (dims per point) on the real second camera.
std::vector<double> Literal(Views& v, const std::vector<LandscapeAxis>& axes,
                            const std::vector<double>& offsets) {
  const CameraParams start = v.second.GetParams();
  std::vector<double> errors;
  for (std::size_t i = 0; i < offsets.size(); i += axes.size()) {
    CameraParams p = start;
    for (std::size_t k = 0; k < axes.size(); ++k)
      SetCameraParam(p, axes[k].param, GetCameraParam(start, axes[k].param) + offsets[i + k]);
    v.second.SetParams(p);
    v.second.UpdateCamera(0);
    errors.push_back(v.second.ReconstructionError());
  }
  v.second.SetParams(start);
  v.second.UpdateCamera(0);
  return errors;
}

std::vector<double> SliceOffsets() {
  std::vector<double> offsets;
  for (double b : GridOffsets(kSliceAlt.range, kSliceAlt.steps))
    for (double a : GridOffsets(kSliceAz.range, kSliceAz.steps))
      offsets.push_back(a), offsets.push_back(b);
  return offsets;
}

void BM_Profile10K_Literal(benchmark::State& state) {
  const std::vector<double> offsets = ProfileOffsets(kAzimuth.range, kAzimuth.steps);
  for (auto _ : state) benchmark::DoNotOptimize(Literal(g_many, {kAzimuth}, offsets));
}
BENCHMARK(BM_Profile10K_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument: the worker setting (0: one per hardware thread; 1: a single thread).
void BM_Profile10K_Fast(benchmark::State& state) {
  MapSettings settings;
  settings.threads = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(
        ComputeProfile(g_many.first, g_many.second, kAzimuth, ErrorKind::kPlain, settings));
}
BENCHMARK(BM_Profile10K_Fast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SliceDemo_Literal(benchmark::State& state) {
  const std::vector<double> offsets = SliceOffsets();
  for (auto _ : state) benchmark::DoNotOptimize(Literal(g_demo, {kSliceAz, kSliceAlt}, offsets));
}
BENCHMARK(BM_SliceDemo_Literal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SliceDemo_Fast(benchmark::State& state) {
  MapSettings settings;
  settings.threads = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(ComputeSlice(g_demo.first, g_demo.second, kSliceAz, kSliceAlt,
                                          ErrorKind::kPlain, settings));
}
BENCHMARK(BM_SliceDemo_Fast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ours against the literal errors, wherever the literal one is above rounding noise.
double Disagreement(Views& v, const std::vector<LandscapeAxis>& axes,
                    const std::vector<double>& offsets) {
  const std::vector<double> ours =
      ScoreLandscape(v.first, v.second, axes, offsets, ErrorKind::kPlain);
  const std::vector<double> literal = Literal(v, axes, offsets);
  double worst = ours.size() == literal.size() ? 0 : 1e300;
  for (std::size_t i = 0; i < ours.size() && i < literal.size(); ++i)
    if (literal[i] > -20) worst = std::max(worst, std::fabs(ours[i] - literal[i]));
  return worst;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  bench::StartInDataFolder(&argc, argv, VELMORA_BENCH_DEFAULT_DATA);
  MakePoints(g_many, 10000);
  if (!LoadDemo(g_demo)) {
    std::fprintf(stderr, "demo.dtx not readable\n");
    return 1;
  }
  std::printf("%d and %d point pairs; %u hardware threads; pair loop: %s\n",
              g_many.second.GetPointCount(), g_demo.second.GetPointCount(),
              std::thread::hardware_concurrency(), KernelLevelName(BestKernelLevel()));
  double worst = Disagreement(g_many, {kAzimuth}, ProfileOffsets(kAzimuth.range, kAzimuth.steps));
  worst = std::max(worst, Disagreement(g_demo, {kSliceAz, kSliceAlt}, SliceOffsets()));
  std::printf("largest error difference from the literal landscape: %g\n", worst);
  if (worst > 1e-9) std::fprintf(stderr, "the fast landscape disagrees with the literal one\n");
  bench::RatioReporter reporter("_Literal", "_Fast");
  return bench::RunIfChecked(worst <= 1e-9, reporter);
}
