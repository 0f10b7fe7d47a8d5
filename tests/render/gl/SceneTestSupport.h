#pragma once
// Two linked view cameras for drawing tests, optionally holding the demo's points at the
// demo's true poses, and a Vectors window stand-in that records what it is fed.

#include <string>
#include <vector>

#include "data/VectorData.h"
#include "render/gl/CameraOverlays.h"
#include "tests/TestSupport.h"

namespace velmora::test {

struct RecordingFeed : VectorsFeed {
  struct Point {
    int i;
    double x, y, z;
  };
  void SetPoint(int i, double x, double y, double z) override { points.push_back({i, x, y, z}); }
  void ComputeCenter() override { ++centers; }
  void Invalidate() override { ++invalidations; }
  std::vector<Point> points;
  int centers = 0, invalidations = 0;
};

struct ViewPair {
  ViewPair() {
    first.otherView = &second;
    second.otherView = &first;
    second.SetAzAlt(0.6, -0.2);  // the demo's second pose; the first is the default
    Update();
  }
  void Update() {
    first.UpdateCamera(0);
    second.UpdateCamera(0);
  }
  // n points per view, each pair with its own colour.
  void Load(const std::vector<double>& x1, const std::vector<double>& y1,
            const std::vector<double>& x2, const std::vector<double>& y2) {
    LoadImagePoints(first, x1.data(), y1.data(), static_cast<int>(x1.size()));
    LoadImagePoints(second, x2.data(), y2.data(), static_cast<int>(x2.size()));
    for (CameraModel* view : {&first, &second})
      for (std::size_t i = 0; i < view->pointColors.size(); ++i)
        view->pointColors[i] = Vec3{0.1 + 0.8 * (i % 2), 0.3, 0.9 - 0.8 * (i % 2)};
    Update();
  }
  bool LoadDemo(const std::string& path = "demo.dtx") {
    VectorData data;
    if (!ReadVectorData(path, data)) return false;
    Load(data.firstX, data.firstY, data.secondX, data.secondY);
    return true;
  }
  CameraModel first, second;
};

}  // namespace velmora::test
