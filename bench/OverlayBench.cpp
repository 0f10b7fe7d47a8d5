// The camera overlays of both views (glyph with its image-point spheres, and the rays) in
// whole scene frames, drawn call by call against replayed from the kept lists, in one run,
// on an EGL surfaceless context: the software renderer when no GPU is there. The frame
// without overlays is timed too, so that what the overlays cost shows as a difference.
// Before timing, both ways must give the same pixels.
//
//   velmora_bench_overlays [benchmark flags]
//
// The pairs are random image points in front of both cameras at the default poses. The
// default-view frame adds "demo.fsd" and the 5K main sphere from the folder
// VELMORA_BENCH_DATA names, else from the build's sample-data folder.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/GlBenchSupport.h"
#include "render/Workbench.h"
#include "render/gl/EglSurface.h"
#include "render/gl/Scene.h"
#include "render/image/FrameImage.h"

#ifndef VELMORA_BENCH_DEFAULT_DATA
#define VELMORA_BENCH_DEFAULT_DATA "."
#endif

namespace velmora {
namespace {

// The main window's start-up size.
constexpr int kWidth = 560, kHeight = 352;

EglSurface g_surface;

struct Bench {
  CameraModel first, second;
  Workbench workbench{first, second};
  OverlayOptions options[2];
  std::unique_ptr<Scene> scene;
  int pairs = -1;
  bool defaultView = false;
};
Bench g_bench;

VectorData RandomPairs(int n) {
  std::mt19937 random(static_cast<unsigned>(n));
  std::uniform_real_distribution<double> x(-3, 3), y(-2, 2);
  VectorData data;
  data.count = n;
  for (auto* v : {&data.firstX, &data.secondX}) v->resize(n);
  for (auto* v : {&data.firstY, &data.secondY}) v->resize(n);
  for (int i = 0; i < n; ++i) {
    data.firstX[i] = x(random), data.firstY[i] = y(random);
    data.secondX[i] = x(random), data.secondY[i] = y(random);
  }
  return data;
}

// n pairs in a fresh scene; with defaultView also the FST object and the 5K main sphere,
// as the workbench starts. Kept between benchmarks of the same setting.
Scene& SceneWith(int n, bool defaultView) {
  Bench& b = g_bench;
  if (b.scene && b.pairs == n && b.defaultView == defaultView) return *b.scene;
  b.scene.reset();
  b.workbench.fstObject = FstShape{};
  b.workbench.LoadPointPairs(RandomPairs(n));
  b.scene = std::make_unique<Scene>(b.workbench, SceneView{&b.options[0], nullptr},
                                    SceneView{&b.options[1], nullptr});
  Scene& scene = *b.scene;
  scene.Init(&g_surface);
  FrameState state;
  if (defaultView) {
    b.workbench.fstObject.Load("demo.fsd", nullptr);
    if (b.workbench.loadedSphereCount == 0) b.workbench.LoadSampleSpheres();
    state = FrameState{};
    state.display.mainSphereSize = 5000;
  }
  scene.SetFrame(state);
  scene.Resize(kWidth, kHeight);
  b.pairs = n, b.defaultView = defaultView;
  return scene;
}

void ShowOverlays(bool on) {
  for (OverlayOptions& o : g_bench.options) o.showCamera = o.showRays = on;
}

// Arguments: pairs, observer distance (400 the default; at 60 the spheres are a few pixels
// wide). Kept: replayed lists, else the calls made afresh.
template <bool kept, bool overlays>
void BM_Frame(benchmark::State& state) {
  Scene& scene = SceneWith(static_cast<int>(state.range(0)), false);
  scene.keepOverlayLists = kept;
  scene.observer.distance = static_cast<double>(state.range(1));
  ShowOverlays(overlays);
  scene.Draw();  // builds the lists
  for (auto _ : state) scene.Draw();
  scene.observer = ObserverPose{};
}

// The observer turns a little every frame, as in a drag: the sphere list is rebuilt.
void BM_Frame_KeptObserverMoves(benchmark::State& state) {
  Scene& scene = SceneWith(static_cast<int>(state.range(0)), false);
  scene.keepOverlayLists = true;
  ShowOverlays(true);
  for (auto _ : state) {
    scene.observer.angleY += 0.01;
    scene.Draw();
  }
  scene.observer = ObserverPose{};
}

// The second view's pose changes every frame, as when its panel is edited: its rays and
// both views' pairs are drawn from new ray points, so those lists are rebuilt.
void BM_Frame_KeptPoseChanges(benchmark::State& state) {
  Scene& scene = SceneWith(static_cast<int>(state.range(0)), false);
  scene.keepOverlayLists = true;
  ShowOverlays(true);
  CameraModel& second = g_bench.workbench.Second();
  for (auto _ : state) {
    second.SetAzAlt(second.GetParams().azimuth + 1e-4, second.GetParams().altitude);
    second.UpdateCamera(VIEW_AZALT);
    scene.Draw();
  }
  second.SetAzAlt(0, second.GetParams().altitude);
  second.UpdateCamera(VIEW_AZALT);
}

// The workbench's start-up view (FST object, 5K main sphere, both views' glyphs and rays).
template <bool kept>
void BM_DefaultView(benchmark::State& state) {
  Scene& scene = SceneWith(static_cast<int>(state.range(0)), true);
  scene.keepOverlayLists = kept;
  ShowOverlays(true);
  scene.Draw();
  for (auto _ : state) scene.Draw();
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void SizesAndDistances(benchmark::internal::Benchmark* b) {
  b->Args({10000, 400})->Args({100000, 400})->Args({10000, 60});
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_TEMPLATE(BM_Frame, false, false)->Name("BM_Frame_NoOverlays")->Apply(SizesAndDistances);
BENCHMARK_TEMPLATE(BM_Frame, false, true)->Name("BM_Frame_Direct")->Apply(SizesAndDistances);
BENCHMARK_TEMPLATE(BM_Frame, true, true)->Name("BM_Frame_Kept")->Apply(SizesAndDistances);
BENCHMARK(BM_Frame_KeptObserverMoves)->Apply(Sizes);
BENCHMARK(BM_Frame_KeptPoseChanges)->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_DefaultView, false)
    ->Name("BM_DefaultView_Direct")
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_DefaultView, true)
    ->Name("BM_DefaultView_Kept")
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The ratios of whole frames, then what the overlays themselves cost each way: the frame
// with them less the frame without.
class OverlayReporter : public bench::RatioReporter {
 public:
  OverlayReporter() : RatioReporter("_Direct", "_Kept") {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) times_[run.run_name.str()] = run.GetAdjustedRealTime();
    RatioReporter::ReportRuns(runs);
  }
  void Finalize() override {
    RatioReporter::Finalize();
    for (const char* n : {"10000/400", "100000/400", "10000/60"}) {
      const auto at = [&](const char* kind) {
        const auto it = times_.find(std::string("BM_Frame_") + kind + "/" + n + "/real_time");
        return it != times_.end() ? it->second : -1.0;
      };
      const double bare = at("NoOverlays"), direct = at("Direct") - bare, kept = at("Kept") - bare;
      if (bare < 0 || direct <= 0 || kept <= 0) continue;
      std::printf(
          "overlays at %s (pairs/observer distance): direct %.1f ms, kept %.1f ms, kept / direct "
          "%.3f\n",
          n, direct, kept, kept / direct);
    }
  }

 private:
  std::map<std::string, double> times_;
};

// The kept lists and the calls made afresh drawn into the pbuffer and read back: the same
// picture, and not an empty one; at the default observer and close up.
bool SamePixels(int n) {
  Scene& scene = SceneWith(n, false);
  ShowOverlays(true);
  bool same = true;
  for (double distance : {400.0, 60.0}) {
    scene.observer.distance = distance;
    QImage frames[2];
    for (int k = 0; k < 2; ++k) {
      scene.keepOverlayLists = k == 1;
      scene.Draw();
      frames[k] = FrameImage(g_surface.ReadPixels());
    }
    const auto [differing, drawn] = bench::ComparePixels(frames[0], frames[1]);
    std::printf("%d pairs, observer at %.0f: %d pixels drawn, %d differ\n", n, distance, drawn,
                differing);
    same = same && differing == 0 && drawn > 100;
  }
  scene.observer = ObserverPose{};
  return same;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  bench::StartInDataFolder(&argc, argv, VELMORA_BENCH_DEFAULT_DATA);

  if (!bench::CreateSurface(g_surface, kWidth, kHeight)) return 1;
  if (g_surface.MakeCurrent()) {
    std::printf("%dx%d, renderer %s\n", kWidth, kHeight,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    g_surface.DoneCurrent();
  }
  const bool same = SamePixels(10000) && SamePixels(100000);
  if (!same) std::fprintf(stderr, "the kept lists differ from the calls made afresh\n");
  OverlayReporter reporter;
  const int status = bench::RunIfChecked(same, reporter);
  g_bench.scene.reset();  // its lists go while the context is there
  return status;
}
