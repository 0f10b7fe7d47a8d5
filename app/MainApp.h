#pragma once
#include <QByteArray>
#include <QList>

namespace velmora {

class ControlDlg;
class MainDlg;

// The whole life of the program: control panel, main window, and the end.
class MainApp {
 public:
  // Runs until the main window closes. Returns false: no further message loop runs.
  // fileNames are the command line's arguments after the program's name, as the bytes
  // given, so that names that are not UTF-8 still open.
  bool InitInstance(const QList<QByteArray>& fileNames);

  ControlDlg* controlPanel = nullptr;
  MainDlg* mainWindow = nullptr;
};

extern MainApp theApp;

}  // namespace velmora
