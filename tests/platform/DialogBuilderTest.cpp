#include "platform/DialogBuilder.h"

#include <QFontMetrics>
#include <QWidget>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

TEST(DialogUnits, FollowTheFontMetrics) {
  QFont font = QWidget().font();
  const DialogUnits units = DialogUnits::ForFont(font);
  const QFontMetrics metrics(font);
  const int average =
      metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26;
  EXPECT_EQ(units.baseX, (average + 1) / 2);
  EXPECT_EQ(units.baseY, metrics.height());
  DialogUnits fixed;
  fixed.baseX = 6, fixed.baseY = 13;
  EXPECT_EQ(fixed.X(320), 480);
  EXPECT_EQ(fixed.Y(201), 327);  // 326.625 rounds up
  EXPECT_EQ(fixed.Rect(2, 4, 6, 8), QRect(3, 7, 9, 13));
}

}  // namespace
}  // namespace velmora
