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
  const DialogUnits units = DialogUnitsFor(dialog.font(), about);
  EXPECT_EQ(dialog.windowTitle(), "About Velmora");
  EXPECT_EQ(dialog.size(), QSize(units.X(235), units.Y(55)));
  auto* ok = GetDlgItemAs<QPushButton>(&dialog, IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(ok->geometry(), units.Rect(178, 7, 50, 16));
  EXPECT_NE(GetDlgItemAs<QLabel>(&dialog, 1000), nullptr);
  EXPECT_EQ(GetDlgItem(&dialog, 4242), nullptr);
}

// "Azimuth:" and "Image file:" lost their colons when the units came from the font alone.
// Every label of every template fits at the default font and at a larger bold one; a
// window and the panels it hosts share their units, and both units grow alike.
TEST(BuildDialog, EveryStaticTextFitsItsRectangle) {
  QFont large = QWidget().font();
  large.setPointSizeF(large.pointSizeF() * 1.5);
  large.setBold(true);
  for (const QFont& font : {QWidget().font(), large}) {
    const DialogUnits plain = DialogUnits::ForFont(font);
    const DialogUnits controls = DialogUnitsFor(font, FindDialogTemplate(IDD_CONTROLS));
    EXPECT_EQ(DialogUnitsFor(font, FindDialogTemplate(IDD_VIEW)).baseX, controls.baseX);
    EXPECT_GE(controls.baseX, plain.baseX);
    EXPECT_NEAR(controls.baseY, plain.baseY * controls.baseX / double(plain.baseX), 0.5);
    for (const DialogTemplate& t : AllDialogTemplates()) {
      QWidget dialog;
      dialog.setFont(font);
      BuildDialog(&dialog, t);
      const QFontMetrics metrics(font);
      for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        SCOPED_TRACE(t.id);
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width());
      }
    }
  }
}

}  // namespace
}  // namespace velmora
