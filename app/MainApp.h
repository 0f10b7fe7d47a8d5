#pragma once
#include <QStringList>

namespace velmora {

class ControlDlg;
class MainDlg;

// The whole life of the program: control panel, main window, and the end.
class MainApp {
 public:
  // Runs until the main window closes. Returns false: no further message loop runs.
  bool InitInstance(const QStringList& arguments);

  ControlDlg* controlPanel = nullptr;
  MainDlg* mainWindow = nullptr;
};

extern MainApp theApp;

}  // namespace velmora
