// Drawing order of 20 000 faces, as every frame of a large FST object needs it: the
// quadratic selection against the sort that gives the same order.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "render/FaceOrder.h"

namespace {

constexpr int kFaces = 20000;

// Squared distances of a shape's faces, with the ties a regular mesh gives.
std::vector<double> Distances(int n) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> level(0, n / 4);
  std::vector<double> d(n);
  for (double& v : d) v = 0.25 * level(rng);
  return d;
}

template <void (*Order)(double*, int*, int)>
void BM_Order(benchmark::State& state) {
  const std::vector<double> distances = Distances(static_cast<int>(state.range(0)));
  std::vector<double> work(distances.size());
  std::vector<int> order(distances.size());
  for (auto _ : state) {
    work = distances;  // the order spends the distances
    Order(work.data(), order.data(), static_cast<int>(work.size()));
    benchmark::DoNotOptimize(order.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK_TEMPLATE(BM_Order, velmora::OrderFacesBySelection)
    ->Arg(kFaces)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Order, velmora::OrderFacesByDistance)
    ->Arg(kFaces)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
