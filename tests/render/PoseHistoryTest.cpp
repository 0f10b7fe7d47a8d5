#include "render/PoseHistory.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

Pose At(double azimuth, double observerDistance = 400) {
  Pose pose;
  pose.cameras[1].azimuth = azimuth;
  pose.observer.distance = observerDistance;
  return pose;
}

// Gestures become entries: undone and redone in order, one that changed nothing leaves
// none, a wheel run is one entry until a pause breaks it, and a change after an undo
// ends the redo.
TEST(PoseHistory, OneEntryPerGestureUndoneAndRedoneInOrder) {
  PoseHistory history;
  Pose shown;
  EXPECT_FALSE(history.Undo(At(0), shown));
  history.Begin(At(0));           // a drag
  history.Begin(At(1));           // a click that moves nothing
  history.Begin(At(1), 7, 1000);  // wheel steps, the last after a pause
  history.Begin(At(2), 7, 1000 + PoseHistory::kRunMs);
  history.Begin(At(3), 7, 1000 + 2 * PoseHistory::kRunMs + 1);
  EXPECT_EQ(history.UndoCount(At(4)), 3u);
  ASSERT_TRUE(history.Undo(At(4), shown));
  EXPECT_EQ(shown, At(3));
  ASSERT_TRUE(history.Undo(At(3), shown));
  EXPECT_EQ(shown, At(1));
  ASSERT_TRUE(history.Undo(At(1), shown));
  EXPECT_EQ(shown, At(0));
  EXPECT_FALSE(history.Undo(At(0), shown));
  ASSERT_TRUE(history.Redo(At(0), shown));
  EXPECT_EQ(shown, At(1));
  // A gesture that changes nothing keeps the redo; one that changes the pose ends it.
  history.Begin(At(1));
  ASSERT_TRUE(history.Redo(At(1), shown));
  EXPECT_EQ(shown, At(3));
  history.Begin(At(3, 200));
  EXPECT_FALSE(history.Redo(At(3, 250), shown));
  ASSERT_TRUE(history.Undo(At(3, 250), shown));
  EXPECT_EQ(shown, At(3, 200));
}

TEST(PoseHistory, KeepsOnlyTheLatestEntries) {
  PoseHistory history(3);
  for (int i = 0; i < 6; ++i) history.Begin(At(i));
  Pose shown;
  int undone = 0;
  for (Pose now = At(6); history.Undo(now, shown); now = shown) ++undone;
  EXPECT_EQ(undone, 3);
  EXPECT_EQ(shown, At(3));
}

TEST(PoseHistory, GlideAndBookmarkDifference) {
  Pose a = At(0.2, 300), b = At(0.6, 100);
  a.cameras[0].focalLength = 8;
  EXPECT_EQ(PoseBetween(a, b, 0), a);
  EXPECT_EQ(PoseBetween(a, b, 1.5), b);
  const Pose half = PoseBetween(a, b, 0.25);
  EXPECT_DOUBLE_EQ(half.cameras[1].azimuth, 0.3);
  EXPECT_DOUBLE_EQ(half.cameras[0].focalLength, 8.5);
  EXPECT_DOUBLE_EQ(half.observer.distance, 250);

  CameraModel first, second;
  Workbench workbench(first, second);
  SetCameras(workbench, b.cameras);
  const PoseBookmark mark = MarkPose(workbench, b.observer);
  EXPECT_EQ(mark.pose, b);
  EXPECT_EQ(BookmarkDifference(workbench, PoseBookmark{}, "A"), "");
  const std::string same = BookmarkDifference(workbench, mark, "B");
  EXPECT_EQ(same.find("view"), std::string::npos) << same;
  CameraParams moved[2] = {b.cameras[0], b.cameras[1]};
  // 28.65 degrees round the origin: the centre, 60 out (distance and focal length),
  // moves 2 * 60 * sin(0.25).
  moved[1].azimuth += 0.5;
  SetCameras(workbench, moved);
  const std::string text = BookmarkDifference(workbench, mark, "B");
  EXPECT_EQ(text.rfind("B: second view +28.65/+0.00/+0.00 deg, centre 29.7 off;", 0), 0u) << text;
  EXPECT_EQ(text.find("first view"), std::string::npos) << text;
}

}  // namespace
}  // namespace velmora
