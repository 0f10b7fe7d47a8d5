#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "app/MainApp.h"
#include "app/ScriptRunner.h"
#include "base/Notify.h"
#include "data/DataFiles.h"
#include "platform/MessageBox.h"

namespace {

constexpr char kUsage[] =
    "Usage: velmora [FILE.fsd] [FILE.dtx]\n"
    "       velmora [FILE.fsd] RIG.yml [EXTRINSICS.yml] MATCHES.csv\n"
    "The two-view reconstruction workbench. An argument ending in \"fsd\" (any case) is\n"
    "loaded as the FST object, one ending in \"dtx\" as the vector data file. A calibrated\n"
    "rig (.yml .yaml .xml .json) with a matches file (.csv .tsv: u1 v1 u2 v2 in pixels)\n"
    "is imported into both views; other arguments are ignored.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "cols.fcd, the sample spheres, plane.png and position.txt are read from the current\n"
    "directory, else from the installed share/velmora folder, else from the build's data\n"
    "folder.\n";

// Both answers need no display, so they come before the application exists.
bool AnswerOnTheTerminal(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("Velmora %s\n", VELMORA_VERSION);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerOnTheTerminal(argc, argv)) return 0;
  velmora::SetDataFolders(velmora::DefaultDataFolders(velmora::ExecutableDir()));
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
  // The QApplication has taken its own options out of argv; the rest are kept as bytes.
  QList<QByteArray> fileNames;
  for (int i = 1; i < argc; ++i) fileNames.append(QByteArray(argv[i]));
  velmora::theApp.InitInstance(fileNames);
  return velmora::ScriptExitStatus();
}
