#include "app/ProfileDlg.h"

#include <QComboBox>
#include <QDoubleSpinBox>

#include "data/VectorData.h"
#include "render/Workbench.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

// The demo's pairs at the true pose, behind a workbench; moves are recorded and applied.
struct Bench {
  Bench() {
    VectorData data;
    EXPECT_TRUE(ReadVectorData("demo.dtx", data));
    second.SetAzAlt(0.6, -0.2);
    workbench.LoadPointPairs(data);
  }
  void Move(int view, const CameraParams& p) {
    ++moves;
    movedView = view;
    workbench.View(view).SetParams(p);
    workbench.View(view).UpdateCamera(VIEW_ALL);
  }
  CameraModel first, second;
  Workbench workbench{first, second};
  int moves = 0, movedView = -1;
};

// The window follows the views, switches kind and mode, and a click on a sample moves the
// chosen view to that sample's value.
TEST(ProfileDlg, FollowsTheViewsAndAClickMovesTheViewThere) {
  Bench b;
  ProfileDlg dlg(b.workbench, [&b](int v, const CameraParams& p) { b.Move(v, p); });
  dlg.show();
  ASSERT_FALSE(dlg.Figure().samples.empty());
  EXPECT_EQ(dlg.Figure().current, 0.6);
  EXPECT_EQ(dlg.Figure().label, "second view azimuth");

  b.second.SetAzAlt(0.5, -0.2);
  b.second.UpdateCamera(VIEW_ALL);
  dlg.Refresh();
  EXPECT_EQ(dlg.Figure().current, 0.5);

  dlg.kind->setCurrentIndex(1);
  EXPECT_EQ(dlg.Figure().kind, ErrorKind::kBaseline);
  dlg.param->setCurrentIndex(static_cast<int>(CameraParam::kDistance));
  EXPECT_EQ(dlg.range->value(), 5.0);
  EXPECT_EQ(dlg.Figure().label, "second view distance");

  // The right end of the plot is the largest value tried: current + range.
  const QRect plot = dlg.PlotRect();
  ASSERT_TRUE(dlg.ClickAt(QPointF(plot.right(), plot.center().y())));
  EXPECT_EQ(b.moves, 1);
  EXPECT_EQ(b.movedView, 1);
  EXPECT_DOUBLE_EQ(b.second.GetDistance(), 55.0);
  EXPECT_FALSE(dlg.ClickAt(QPointF(-100, -100)));

  dlg.mode->setCurrentIndex(1);
  dlg.view2->setCurrentIndex(0);
  dlg.param2->setCurrentIndex(static_cast<int>(CameraParam::kPan));
  EXPECT_TRUE(dlg.Figure().slice);
  EXPECT_EQ(dlg.Figure().samples.size(),
            static_cast<std::size_t>(dlg.Figure().columns * dlg.Figure().rows));
  // The top-left cell: the first axis at its least, the second at its largest.
  ASSERT_TRUE(dlg.ClickAt(QPointF(dlg.PlotRect().left() + 1, dlg.PlotRect().top() + 1)));
  EXPECT_DOUBLE_EQ(b.second.GetDistance(), 50.0);
  EXPECT_DOUBLE_EQ(b.first.GetParams().pan, 0.5);
}

}  // namespace
}  // namespace velmora
