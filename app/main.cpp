#include <QApplication>
#include <clocale>

#include "app/MainApp.h"
#include "app/ScriptRunner.h"
#include "platform/MessageBox.h"

int main(int argc, char** argv) {
  velmora::InitOpenGLFormat();
  QApplication app(argc, argv);
  // Qt adopts the user's locale; the data files always use a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  velmora::InstallMessageBoxSink();
  velmora::StartScriptFromEnvironment();
  velmora::theApp.InitInstance(QApplication::arguments());
  return velmora::ScriptExitStatus();
}
