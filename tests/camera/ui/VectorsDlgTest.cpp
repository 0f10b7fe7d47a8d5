#include "camera/ui/VectorsDlg.h"

#include <QTest>

#include "tests/GuiDriver.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(VectorsDlg, IndicesOutsideTheArraysAreRefusedWithTheirOwnText) {
  VectorsDlg window;
  window.Allocate(3);
  struct Case {
    int i;
    bool stored;
  };
  // The last valid flat index is 3n - 3 = 6; 3n - 2 would write past the end.
  for (const Case& c : {Case{0, true}, Case{6, true}, Case{7, false}, Case{-1, false}}) {
    MessageRecorder messages;
    window.SetPoint(c.i, 1.5, 2.5, 3.5);
    window.SetColor(c.i, 0.25, 0.5, 0.75);
    if (c.stored) {
      EXPECT_THAT(messages.texts, IsEmpty()) << c.i;
      EXPECT_THAT(
          (std::vector<double>(window.vectors.begin() + c.i, window.vectors.begin() + c.i + 3)),
          ElementsAre(1.5, 2.5, 3.5));
      EXPECT_EQ(window.vectorColors[c.i + 2], 0.75);
    } else {
      EXPECT_THAT(messages.texts,
                  ElementsAre("Error in VectorsDlg::SetPoint()", "Error in VectorsDlg::SetColor()"))
          << c.i;
    }
  }
  // The centre is the mean of the vectors: (1.5, 2.5, 3.5) at 0 and 6, zeros at 3.
  window.ComputeCenter();
  EXPECT_DOUBLE_EQ(window.center[0], 1.0);
  EXPECT_DOUBLE_EQ(window.center[1], 5.0 / 3);
  EXPECT_DOUBLE_EQ(window.center[2], 7.0 / 3);
  // A new load replaces both arrays.
  window.Allocate(1);
  EXPECT_EQ(window.vectors.size(), 3u);
  EXPECT_EQ(window.vectorColors.size(), 3u);
}

// The x axis red, a vector in its colour, the centre sphere blue at the origin.
TEST(VectorsDlg, PaintsAxesVectorsAndTheCentreSphere) {
  VectorsDlg window;
  window.resize(200, 150);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.Allocate(1);
  window.SetColor(0, 1, 1, 0);
  window.SetPoint(0, -10, -8, 0);
  const QImage frame = window.grabFramebuffer();
  auto count = [&frame](int r, int g, int b) {
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
      for (int x = 0; x < frame.width(); ++x) {
        const QRgb c = frame.pixel(x, y);
        n += (qRed(c) > 200) == (r > 0) && (qGreen(c) > 200) == (g > 0) &&
             (qBlue(c) > 200) == (b > 0);
      }
    return n;
  };
  EXPECT_GT(count(1, 0, 0), 10) << "red x axis";
  EXPECT_EQ(count(1, 0, 1), 0) << "no magenta";
  EXPECT_GT(count(1, 1, 0), 10) << "yellow vector";
  EXPECT_GT(qBlue(frame.pixel(frame.width() / 2, frame.height() / 2)), 200);
}

// Mouse moves as the window gets them, with their buttons and modifiers.
TEST(VectorsDlg, LeftDragTurnsRightDragMovesAndModifiersOnlyFollow) {
  VectorsDlg window;
  const double angleX = window.context.observer.angleX, angleY = window.context.observer.angleY;
  const double distance = window.context.observer.distance;
  constexpr auto kNone = Qt::NoModifier;

  // The first move only records; a left drag of 10 right and 4 down turns by those degrees.
  test::MoveMouse(&window, {100, 100}, Qt::LeftButton, kNone);
  EXPECT_EQ(window.context.observer.angleY, angleY);
  test::MoveMouse(&window, {110, 104}, Qt::LeftButton, kNone);
  EXPECT_EQ(window.context.observer.angleY, angleY + 10);
  EXPECT_EQ(window.context.observer.angleX, angleX + 4);

  // With Shift or Ctrl nothing turns, but the position is followed.
  for (auto modifiers :
       {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
    test::MoveMouse(&window, {150, 130}, Qt::LeftButton, modifiers);
    EXPECT_EQ(window.context.observer.angleY, angleY + 10);
  }
  EXPECT_EQ(window.lastX, 150);
  EXPECT_EQ(window.lastY, 130);
  // With both, only x is followed.
  test::MoveMouse(&window, {170, 190}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(window.lastX, 170);
  EXPECT_EQ(window.lastY, 130);

  // Right drag: the distance grows by twice the vertical move, and only y is recorded.
  test::MoveMouse(&window, {300, 135}, Qt::RightButton, kNone);
  EXPECT_EQ(window.context.observer.distance, distance + 10);
  EXPECT_EQ(window.lastX, 170);
  EXPECT_EQ(window.lastY, 135);

  // No button forgets the position: the next drag starts afresh.
  test::MoveMouse(&window, {0, 0}, Qt::NoButton, kNone);
  EXPECT_EQ(window.lastX, -1);
  EXPECT_EQ(window.lastY, -1);
  test::MoveMouse(&window, {0, 500}, Qt::RightButton, kNone);
  EXPECT_EQ(window.context.observer.distance, distance + 10);
}

}  // namespace
}  // namespace velmora
