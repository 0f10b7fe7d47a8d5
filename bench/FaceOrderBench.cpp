// Drawing order of 10 000 and 20 000 faces, as every frame of a large FST object needs it:
// the quadratic selection against the radix sort that gives the same order, with how many
// times faster the sort is. The second argument 1 puts one face at infinity and one at NaN
// (a coordinate of 1e200 or inf in the file), where the sort once fell back to the
// selection. The orders are compared before anything is timed.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <limits>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "render/FaceOrder.h"

namespace {

// Squared distances of a shape's faces, with the ties a regular mesh gives; with hostile
// set, one face a third of the way in is infinitely far and one two thirds in is NaN.
std::vector<double> Distances(int n, bool hostile) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> level(0, n / 4);
  std::vector<double> d(n);
  for (double& v : d) v = 0.25 * level(rng);
  if (hostile) {
    d[n / 3] = std::numeric_limits<double>::infinity();
    d[2 * n / 3] = std::numeric_limits<double>::quiet_NaN();
  }
  return d;
}

template <void (*Order)(double*, int*, int)>
std::vector<int> OrderOf(std::vector<double> distances) {
  std::vector<int> order(distances.size());
  Order(distances.data(), order.data(), static_cast<int>(distances.size()));
  return order;
}

template <void (*Order)(double*, int*, int)>
void BM_Order(benchmark::State& state) {
  const std::vector<double> distances =
      Distances(static_cast<int>(state.range(0)), state.range(1) != 0);
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
    ->Args({10000, 0})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Order, velmora::OrderFacesByDistance)
    ->Args({10000, 0})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora;
  benchmark::Initialize(&argc, argv);
  bool same = true;
  for (int n : {10000, 20000})
    for (bool hostile : {false, true})
      same = same && OrderOf<OrderFacesBySelection>(Distances(n, hostile)) ==
                         OrderOf<OrderFacesByDistance>(Distances(n, hostile));
  if (!same) std::fprintf(stderr, "the sort and the selection give different orders\n");
  bench::RatioReporter reporter("BySelection", "ByDistance");
  return bench::RunIfChecked(same, reporter);
}
