// The menu bar: each entry runs what its key runs, the scene keeps its size and caption.

#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <set>

#include "app/MainMenu.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

class MainMenuTest : public test::WorkbenchTest {};

// Every entry that shows a key is the command that key runs in the scene, and no two
// entries share a key; L through the menu and through the key toggles the same legend.
TEST_F(MainMenuTest, EachEntryIsTheCommandOfTheKeyItShows) {
  const QSize scene = main->size();
  MainFrame frame(*main);
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  EXPECT_EQ(main->size(), scene);
  EXPECT_EQ(frame.height(), scene.height() + frame.menuBar()->height());
  EXPECT_EQ(frame.windowTitle(), main->windowTitle());

  std::set<QString> menus, keys;
  QAction* legend = nullptr;
  QAction* demo = nullptr;
  int shown = 0;
  for (QAction* top : frame.menuBar()->actions()) {
    menus.insert(top->text());
    for (QAction* action : top->menu()->actions()) {
      const QString text = action->text();
      const qsizetype tab = text.indexOf('\t');
      const int command = action->data().toInt();
      EXPECT_EQ(QString::fromUtf8(MainCommands()[command].text), text.left(tab)) << command;
      if (text.left(tab) == "Colour &legend") legend = action;
      if (text.left(tab) == "Open de&mo") demo = action;
      if (tab < 0) continue;
      ++shown;
      const QString key = text.mid(tab + 1);
      EXPECT_TRUE(keys.insert(key).second) << key.toStdString() << " is shown twice";
      const QKeyCombination combination =
          QKeySequence::fromString(key, QKeySequence::NativeText)[0];
      const QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
      EXPECT_EQ(CommandForKey(press), command) << key.toStdString();
      const QKeyEvent repeat(QEvent::KeyPress, combination.key(), combination.keyboardModifiers(),
                             QString(), true);
      EXPECT_EQ(CommandForKey(repeat), -1) << key.toStdString();
    }
  }
  EXPECT_EQ(menus, (std::set<QString>{"&File", "&Edit", "&View", "&Help"}));
  EXPECT_GE(shown, 12);
  // A modified letter is not the letter's command: it stays with navigation.
  EXPECT_EQ(CommandForKey(QKeyEvent(QEvent::KeyPress, Qt::Key_E, Qt::ShiftModifier)), -1);

  // Open demo loads the installed demo as the command line would.
  ASSERT_NE(demo, nullptr);
  ASSERT_EQ(control->firstView.GetPointCount(), 0);
  demo->trigger();
  test::Settle();
  EXPECT_EQ(control->firstView.GetPointCount(), 154);
  EXPECT_GT(control->workbench.fstObject.GetPointCount(), 0);
  EXPECT_EQ(QFileInfo(control->dataPath).fileName(), "demo.dtx");

  ASSERT_NE(legend, nullptr);
  const bool was = main->LegendShown();
  legend->trigger();
  EXPECT_NE(main->LegendShown(), was);
  QTest::keyClick(main, Qt::Key_L);
  EXPECT_EQ(main->LegendShown(), was);
}

}  // namespace
}  // namespace velmora
