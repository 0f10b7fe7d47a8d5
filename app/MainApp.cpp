#include "app/MainApp.h"

#include <QApplication>
#include <QEventLoop>

#include "app/MainDlg.h"
#include "app/MainMenu.h"
#include "data/ui/ControlDlg.h"
#include "platform/AppIcon.h"

namespace velmora {

MainApp theApp;

bool MainApp::InitInstance(const QList<QByteArray>& fileNames) {
  QApplication::setWindowIcon(AppIcon());
  {
    ControlDlg control;
    controlPanel = &control;
    control.Create();
    control.MoveOnScreen(QPoint(670, 0));
    control.show();
    {
      MainDlg main(&control, MainDlg::LocalFileNames(fileNames));
      mainWindow = &main;
      MainFrame frame(main);
      // Modal run: the loop ends when the main window closes, whatever else is open.
      QEventLoop loop;
      QObject::connect(&main, &MainDlg::closed, &loop, &QEventLoop::quit);
      frame.show();
      loop.exec();
      mainWindow = nullptr;
    }
    controlPanel = nullptr;
  }
  return false;
}

}  // namespace velmora
