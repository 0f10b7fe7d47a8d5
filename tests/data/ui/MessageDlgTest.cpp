#include "data/ui/MessageDlg.h"

#include <QApplication>
#include <QLabel>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

QWidget* VisibleNotice() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == "Please wait..") return w;
  return nullptr;
}

TEST(WaitNotice, ShowsTheNoticeForTheLoadAndRemovesItAfter) {
  auto notice = MakeWaitNotice();
  ASSERT_EQ(VisibleNotice(), nullptr);
  notice(true);
  QWidget* shown = VisibleNotice();
  ASSERT_NE(shown, nullptr);
  bool hasText = false;
  for (auto* label : shown->findChildren<QLabel*>())
    hasText |= label->text() == "Loading the texture for the first time...";
  EXPECT_TRUE(hasText);
  EXPECT_FALSE(shown->windowFlags() & Qt::WindowCloseButtonHint);
  notice(false);
  EXPECT_EQ(VisibleNotice(), nullptr);
  notice(false);  // nothing left to remove
  EXPECT_EQ(VisibleNotice(), nullptr);
}

}  // namespace
}  // namespace velmora
