#pragma once
// What the benchmarks share: the core's messages on the error stream, the Fibonacci
// sphere they fall back to, and timing only after the results were checked.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "camera/CameraModel.h"
#include "platform/Notify.h"

namespace velmora::bench {

inline void MessagesToStderr() {
  SetMessageSink(
      [](const std::string& text) { std::fprintf(stderr, "message: %s\n", text.c_str()); });
}

// Point i of count spread evenly over the unit sphere.
inline Vec3 FibonacciPoint(int i, int count) {
  const double golden = std::numbers::pi * (3.0 - std::sqrt(5.0));
  const double y = 1.0 - 2.0 * (i + 0.5) / count;
  const double r = std::sqrt(1.0 - y * y);
  return {r * std::cos(golden * i), y, r * std::sin(golden * i)};
}

// Times the benchmarks with reporter only when checked holds, then shuts the library
// down. The exit status of the process.
inline int RunIfChecked(bool checked, benchmark::BenchmarkReporter& reporter) {
  if (checked) benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return checked ? 0 : 1;
}

}  // namespace velmora::bench
