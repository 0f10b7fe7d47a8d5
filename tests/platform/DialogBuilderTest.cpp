#include "platform/DialogBuilder.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
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

TEST(BuildDialog, MakesEveryControlFindableByIdAtItsPlace) {
  QWidget dialog;
  const DialogTemplate& about = FindDialogTemplate(IDD_ABOUTBOX);
  BuildDialog(&dialog, about);
  const DialogUnits units = DialogUnits::ForFont(dialog.font());
  EXPECT_EQ(dialog.windowTitle(), "About Velmora");
  EXPECT_EQ(dialog.size(), QSize(units.X(235), units.Y(55)));
  auto* ok = GetDlgItemAs<QPushButton>(&dialog, IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(ok->geometry(), units.Rect(178, 7, 50, 16));
  EXPECT_NE(GetDlgItemAs<QLabel>(&dialog, 1000), nullptr);
  EXPECT_EQ(GetDlgItem(&dialog, 4242), nullptr);
}

}  // namespace
}  // namespace velmora
