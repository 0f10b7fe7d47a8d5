#pragma once
// Two linked views as the control panel sets them up, and the worked triangulation
// example: the first view at its defaults, the second at azimuth pi/2, one image point
// each whose rays meet at (2, 4, 40).

#include <numbers>
#include <vector>

#include "camera/CameraModel.h"

namespace velmora::test {

inline constexpr double kMeetX1 = 1, kMeetY1 = 2, kMeetX2 = -200.0 / 29, kMeetY2 = 20.0 / 29;

struct TwoViews {
  TwoViews() {
    first.otherView = &second;
    second.otherView = &first;
  }
  TwoViews(const CameraParams& a, const CameraParams& b) : TwoViews() {
    first.SetParams(a);
    second.SetParams(b);
  }
  // The worked example, both views computed.
  static void Example(TwoViews& v) {
    v.second.SetAzAlt(std::numbers::pi / 2, 0);
    v.SetPoints({kMeetX1}, {kMeetY1}, {kMeetX2}, {kMeetY2});
  }
  // Image points without recomputing.
  static void Fill(CameraModel& view, const std::vector<double>& x, const std::vector<double>& y) {
    view.AllocatePoints(static_cast<int>(x.size()));
    for (size_t i = 0; i < x.size(); ++i) view.imageX[i] = x[i], view.imageY[i] = y[i];
  }
  // One image point list per view, then both views recomputed (the second triangulates).
  void SetPoints(const std::vector<double>& x1, const std::vector<double>& y1,
                 const std::vector<double>& x2, const std::vector<double>& y2) {
    Fill(first, x1, y1);
    Fill(second, x2, y2);
    first.UpdateCamera(VIEW_ALL);
    second.UpdateCamera(VIEW_ALL);
  }
  CameraModel first, second;
};

}  // namespace velmora::test
