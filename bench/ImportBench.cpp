// Time to import 100 000 matches (a YAML rig with a wide lens, a CSV of pixels) beside
// the time to read the vector data file the import writes for the same pairs, which is
// what loading them costs once converted.
//
//   velmora_bench_import [benchmark flags]

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "bench/BenchSupport.h"
#include "camera/CameraModel.h"
#include "data/FileWrite.h"
#include "data/VectorData.h"
#include "data/import/Import.h"
#include "tests/data/import/SyntheticRig.h"

namespace velmora {
namespace {

constexpr int kMatches = 100000;

struct Files {
  std::filesystem::path dir;
  std::string rig, matches, data;
  Files() {
    dir = std::filesystem::temp_directory_path() /
          ("velmora-bench-import-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const test::SyntheticRig scene(kMatches, 3);
    rig = (dir / "rig.yml").string();
    scene.WriteRig(rig);
    matches = (dir / "m.csv").string();
    std::ofstream(matches) << scene.Matches(",");
    data = (dir / "m.dtx").string();
  }
  ~Files() { std::filesystem::remove_all(dir); }
};

Files& Shared() {
  static Files files;
  return files;
}

// Both views posed and loaded as imported reconstruct the scene: timing a wrong import
// would mean nothing.
bool Checked(const ImportedViews& v) {
  CameraModel a, b;
  a.otherView = &b, b.otherView = &a;
  a.SetParams(v.first), b.SetParams(v.second);
  LoadImagePoints(a, v.data.firstX.data(), v.data.firstY.data(), v.data.count);
  LoadImagePoints(b, v.data.secondX.data(), v.data.secondY.data(), v.data.count);
  return v.data.count == kMatches && b.ReconstructionError() < -20;
}

void BM_ReadVectorData(benchmark::State& state) {
  Files& f = Shared();
  ImportedViews v;
  std::string why;
  if (!ImportRigAndMatches({f.rig}, f.matches, 0, v, why)) return state.SkipWithError(why.c_str());
  if (!WriteWholeFile(f.data, VectorDataText(v.data), why)) return state.SkipWithError(why.c_str());
  for (auto _ : state) {
    VectorData data;
    ReadVectorData(f.data, data);
    benchmark::DoNotOptimize(data.count);
  }
}

void BM_ImportRigAndMatches(benchmark::State& state) {
  Files& f = Shared();
  ImportedViews v;
  std::string why;
  if (!ImportRigAndMatches({f.rig}, f.matches, 0, v, why) || !Checked(v))
    return state.SkipWithError(("the import does not reconstruct the scene: " + why).c_str());
  for (auto _ : state) {
    ImportRigAndMatches({f.rig}, f.matches, 0, v, why);
    benchmark::DoNotOptimize(v.data.count);
  }
}

BENCHMARK(BM_ReadVectorData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportRigAndMatches)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora

BENCHMARK_MAIN();
