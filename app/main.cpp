#include <QApplication>
#include <clocale>
#include <cstdio>

#include "app/MainApp.h"
#include "app/ScriptRunner.h"
#include "base/Notify.h"
#include "platform/MessageBox.h"

int main(int argc, char** argv) {
  velmora::InitOpenGLFormat();
  QApplication app(argc, argv);
  // Qt adopts the user's locale; the data files always use a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  velmora::InstallMessageBoxSink();
  if (!velmora::OpenGLAvailable()) {
    // Started from a terminal the reason should stay readable after the box is gone.
    std::fprintf(stderr, "velmora: Cannot create an OpenGL context.\n");
    velmora::ShowMessage("Cannot create an OpenGL context.");
    return 1;
  }
  velmora::StartScriptFromEnvironment();
  velmora::theApp.InitInstance(QApplication::arguments());
  return velmora::ScriptExitStatus();
}
