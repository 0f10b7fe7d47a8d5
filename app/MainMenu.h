#pragma once
// The main window's menu bar and the keys it shows: one table of commands, so that an
// entry and its key run the same code. The bar sits in a frame around the scene, which
// keeps its own size, caption and keys.

#include <QWidget>
#include <functional>
#include <vector>

class QKeyEvent;
class QMenu;
class QMenuBar;

namespace velmora {

class MainDlg;

// One entry: the menu it is in, its text, the key that runs it in the main window (a
// QKeySequence text; empty for none) and what it does.
struct MainCommand {
  const char* menu;
  const char* text;
  const char* key;
  void (*run)(MainDlg& main);
  // Checkable entries show this state; null for the others.
  bool (*checked)(const MainDlg& main) = nullptr;
};

// The table, in menu order.
const std::vector<MainCommand>& MainCommands();

// The index of the command whose key this press is (a first press; the keypad counts as
// the same key), or -1.
int CommandForKey(const QKeyEvent& event);

// Adds an action for each command that keep accepts, in table order, its key shown.
void AddCommandActions(QMenu& menu, MainDlg& main,
                       const std::function<bool(const MainCommand&)>& keep);

// The frame of the main window: the menu bar over the scene. Its caption is the scene's.
class MainFrame : public QWidget {
  Q_OBJECT
 public:
  explicit MainFrame(MainDlg& main);
  ~MainFrame() override;
  QMenuBar* menuBar() const { return bar_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  MainDlg& main_;
  QMenuBar* bar_;
};

}  // namespace velmora
