#pragma once
// What the benchmarks share: the core's messages on the error stream, the Fibonacci
// sphere they fall back to, and timing only after the results were checked.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/Notify.h"
#include "camera/CameraModel.h"
#include "data/FstShape.h"

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

// A sphere of count Fibonacci points of the given radius, as read (vertices and source
// vertices alike), with consecutive points joined into a strip of triangles.
inline FstShape FibonacciSphere(int count, double radius) {
  FstShape shape;
  shape.pointCount = count;
  for (int i = 0; i < count; ++i) {
    const Vec3 p = FibonacciPoint(i, count);
    for (double c : {p.x, p.y, p.z}) shape.sourceVertices.push_back(radius * c);
  }
  shape.vertices = shape.sourceVertices;
  for (int i = 0; i + 2 < count; ++i) shape.faces.push_back({0, 3, {i, i + 1, i + 2}});
  shape.faceCount = static_cast<int>(shape.faces.size());
  return shape;
}

// The sample sphere file, or a generated one of its size when the file cannot be read.
inline FstShape LoadOrGenerateSphere(const char* file, int count, double radius) {
  FstShape shape;
  if (!std::filesystem::exists(file) || shape.Load(file, nullptr) <= 0) {
    std::printf("%s not readable: a generated sphere\n", file);
    shape = FibonacciSphere(count, radius);
  }
  return shape;
}

// Takes Google Benchmark's flags, then works in the sample-data folder (VELMORA_BENCH_DATA,
// else the build's), where the spheres and "cols.fcd" are read from, with the core's
// messages on the error stream.
inline void StartInDataFolder(int* argc, char** argv, const char* fallback) {
  benchmark::Initialize(argc, argv);
  const char* fromEnv = std::getenv("VELMORA_BENCH_DATA");
  std::error_code ec;
  std::filesystem::current_path(fromEnv ? fromEnv : fallback, ec);
  MessagesToStderr();
}

// The usual table, then how many times faster each fast run is than its slow one (real
// time; the medians when the runs are repeated): a run
// named PREFIX + fastTag + ARGS is paired with PREFIX + slowTag + ARGS, or with the slow
// run of that prefix when the slow one takes no arguments.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter(std::string slowTag, std::string fastTag)
      : slowTag_(std::move(slowTag)), fastTag_(std::move(fastTag)) {}
  // With repetitions, the medians are compared.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        times_[name] = run.GetAdjustedRealTime(), medians_.insert(name);
      else if (run.run_type == Run::RT_Iteration && medians_.count(name) == 0)
        times_[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [slow, slowTime] : times_) {
      const std::size_t at = slow.find(slowTag_);
      if (at == std::string::npos) continue;
      const std::string prefix = slow.substr(0, at) + fastTag_;
      const std::string args = slow.substr(at + slowTag_.size());
      for (const auto& [fast, fastTime] : times_) {
        if (fast.rfind(prefix, 0) != 0 || fastTime <= 0) continue;
        const std::string fastArgs = fast.substr(prefix.size());
        if (fastArgs == args || args == "/real_time" || args.empty())
          std::printf("%s / %s: %.2f\n", slow.c_str(), fast.c_str(), slowTime / fastTime);
      }
    }
  }

 private:
  std::string slowTag_, fastTag_;
  std::map<std::string, double> times_;
  std::set<std::string> medians_;
};

// Times the benchmarks with reporter only when checked holds, then shuts the library
// down. The exit status of the process.
inline int RunIfChecked(bool checked, benchmark::BenchmarkReporter& reporter) {
  if (checked) benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return checked ? 0 : 1;
}

// Two linked cameras, the first at its defaults.
struct Views {
  CameraModel first, second;
  Views() {
    first.otherView = &second;
    second.otherView = &first;
  }
};

// count random scene points in front of both cameras, their images as the point pairs,
// with a little image noise so that no pose fits exactly.
inline void MakePoints(Views& views, int count) {
  views.second.SetAzAlt(0.6, -0.2);
  views.second.SetPanTilt(0.03, -0.02);
  views.first.UpdateCamera(VIEW_ALL);
  views.second.UpdateCamera(VIEW_ALL);
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> box(-12.0, 12.0), noise(-2e-3, 2e-3);
  std::vector<double> x1, y1, x2, y2;
  while (static_cast<int>(x1.size()) < count) {
    const Vec3 p{box(random), box(random), box(random)};
    double a, b, c, d;
    if (!views.first.ProjectToImage(p, a, b) || !views.second.ProjectToImage(p, c, d)) continue;
    x1.push_back(a + noise(random)), y1.push_back(b + noise(random));
    x2.push_back(c + noise(random)), y2.push_back(d + noise(random));
  }
  LoadImagePoints(views.first, x1.data(), y1.data(), count);
  LoadImagePoints(views.second, x2.data(), y2.data(), count);
}

}  // namespace velmora::bench
