// One frame with the 100K main sphere (clear, observer transform, the sphere at half size,
// glFinish) drawn one glBegin per face against client arrays, in one run, on an EGL
// surfaceless context: the software renderer when no GPU is there. Before timing, both ways
// must give the same pixels.
//
//   velmora_bench_draw [benchmark flags]
//
// "sphere100K.fsd" and "cols.fcd" come from the folder VELMORA_BENCH_DATA names, else from
// the build's sample-data folder; a missing sphere is replaced by a Fibonacci sphere of the
// same size.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/GlBenchSupport.h"
#include "data/FstShape.h"
#include "render/gl/EglSurface.h"
#include "render/gl/FstShapeDraw.h"
#include "render/gl/GlContext.h"
#include "render/image/FrameImage.h"

#ifndef VELMORA_BENCH_DEFAULT_DATA
#define VELMORA_BENCH_DEFAULT_DATA "."
#endif

namespace velmora {
namespace {

constexpr int kWidth = 800, kHeight = 600;

EglSurface g_surface;
GlContext g_context;
FstShape g_sphere;
TriangleCache g_triangles;  // kept between frames, as the scene keeps its spheres' lists

using Draw = void (*)(const FstShape&, bool, double);

// The array drawing with the kept triangle list.
void DrawArrays(const FstShape& shape, bool frontOnly, double alpha) {
  DrawColoured(shape, frontOnly, alpha, g_triangles);
}

// The main sphere's frame as the scene draws it.
void Frame(Draw draw, bool frontOnly, double alpha) {
  if (!g_context.BeginFrame()) return;
  glPushMatrix();
  glScaled(0.5, 0.5, 0.5);
  draw(g_sphere, frontOnly, alpha);
  glPopMatrix();
  g_context.EndFrame();  // glFinish
}

// Arguments: front only (0/1), alpha in percent.
template <Draw draw>
void BM_SphereFrame(benchmark::State& state) {
  const bool frontOnly = state.range(0) != 0;
  const double alpha = state.range(1) / 100.0;
  for (auto _ : state) Frame(draw, frontOnly, alpha);
  state.counters["triangles"] = static_cast<double>(g_sphere.faces.size());
}

BENCHMARK_TEMPLATE(BM_SphereFrame, DrawColouredImmediate)
    ->Name("BM_SphereFrame_Immediate")
    ->Args({0, 50})
    ->Args({1, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_SphereFrame, DrawArrays)
    ->Name("BM_SphereFrame_Arrays")
    ->Args({0, 50})
    ->Args({1, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The arrays with the kept triangle list dropped before every frame: what the list saves.
void BM_SphereFrame_ArraysListRebuilt(benchmark::State& state) {
  const bool frontOnly = state.range(0) != 0;
  const double alpha = state.range(1) / 100.0;
  for (auto _ : state) {
    g_triangles = {};
    Frame(DrawArrays, frontOnly, alpha);
  }
}
BENCHMARK(BM_SphereFrame_ArraysListRebuilt)
    ->Args({0, 50})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Both ways drawn into the pbuffer and read back: the same picture, and not an empty one.
bool SamePixels(bool frontOnly, double alpha) {
  QImage frames[2];
  const Draw draws[2] = {DrawColouredImmediate, DrawArrays};
  for (int k = 0; k < 2; ++k) {
    Frame(draws[k], frontOnly, alpha);
    frames[k] = FrameImage(g_surface.ReadPixels());
  }
  const auto [differing, drawn] = bench::ComparePixels(frames[0], frames[1]);
  std::printf("front only %d, alpha %.2f: %d pixels drawn, %d differ\n", frontOnly, alpha, drawn,
              differing);
  return differing == 0 && drawn > 1000;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  bench::StartInDataFolder(&argc, argv, VELMORA_BENCH_DEFAULT_DATA);

  if (!bench::CreateSurface(g_surface, kWidth, kHeight)) return 1;
  g_context.Init(&g_surface);
  g_context.Resize(kWidth, kHeight);
  g_sphere = bench::LoadOrGenerateSphere("sphere100K.fsd", 100000, 100);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  g_sphere.vertexColours.resize(g_sphere.vertices.size());
  for (double& c : g_sphere.vertexColours) c = unit(random);

  if (g_surface.MakeCurrent()) {
    std::printf("%d vertices, %zu triangles, %dx%d, renderer %s\n", g_sphere.pointCount,
                g_sphere.faces.size(), kWidth, kHeight,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    g_surface.DoneCurrent();
  }
  const bool same = SamePixels(false, 0.5) && SamePixels(true, 1.0);
  if (!same) std::fprintf(stderr, "the array drawing differs from the per-face drawing\n");
  bench::RatioReporter reporter("_Immediate", "_Arrays");
  return bench::RunIfChecked(same, reporter);
}
