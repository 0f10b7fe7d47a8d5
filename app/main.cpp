#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/MainApp.h"
#include "app/ScriptRunner.h"
#include "base/Notify.h"
#include "data/DataFiles.h"
#include "platform/MessageBox.h"

namespace {

constexpr char kUsage[] =
    "Usage: velmora [OPTION] [FILE.fsd] [FILE.dtx] [SESSION.json]\n"
    "       velmora [OPTION] [FILE.fsd] RIG.yml [EXTRINSICS.yml] MATCHES.csv\n"
    "The two-view reconstruction workbench. An argument ending in \"fsd\" (any case) is\n"
    "loaded as the FST object, one ending in \"dtx\" as the vector data file, one ending\n"
    "in \"json\" is opened as a saved session (its files, cameras and frame). A calibrated\n"
    "rig (.yml .yaml .xml .json) with a matches file (.csv .tsv: u1 v1 u2 v2 in pixels)\n"
    "is imported into both views.\n"
    "\n"
    "  -h, --help  print this text and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are passed on. VELMORA_SCRIPT names a\n"
    "script of commands run once the window is up (see velmora(1)).\n"
    "cols.fcd, the sample spheres, plane.png and position.txt are read from the current\n"
    "directory, else from the installed share/velmora folder, else from the build's data\n"
    "folder.\n";

// Exit statuses a caller can tell apart.
constexpr int kExitNoDisplay = 1;
constexpr int kExitUsage = 2;

// Qt's options that QApplication takes out of argv itself, those that take a value first.
constexpr const char* kQtOptionsWithValue[] = {"platform",      "platformpluginpath",
                                               "platformtheme", "plugin",
                                               "qmljsdebugger", "qwindowgeometry",
                                               "qwindowicon",   "qwindowtitle",
                                               "session",       "style",
                                               "stylesheet",    "display",
                                               "geometry",      "name",
                                               "title",         "visual"};
constexpr const char* kQtFlags[] = {"reverse", "widgetcount", "sync", "nograb", "dograb"};

// What the command line asks for before any window: an answer on the terminal, a refusal,
// or (kRun) the workbench.
constexpr int kRun = -1;
int ReadOptions(int argc, char** argv, bool& platformGiven) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--version") == 0) {
      std::printf("Velmora %s\n", VELMORA_VERSION);
      return 0;
    }
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(arg, "--") == 0) break;  // file names follow, whatever they start with
    if (arg[0] != '-' || arg[1] == '\0') continue;
    const char* name = arg + (arg[1] == '-' ? 2 : 1);
    bool known = false;
    for (const char* option : kQtOptionsWithValue) {
      if (std::strcmp(name, option) != 0) continue;
      known = true;
      if (std::strcmp(option, "platform") == 0) platformGiven = true;
      ++i;  // its value
    }
    for (const char* flag : kQtFlags) known = known || std::strcmp(name, flag) == 0;
    if (!known) {
      std::fprintf(stderr, "velmora: unknown option %s\nTry 'velmora --help'.\n", arg);
      return kExitUsage;
    }
  }
  return kRun;
}

// Qt ends the process with an abort when its platform cannot start; a user is better served
// by one line and a plain failure status. Only the platforms that need a display server are
// checked: offscreen, vnc and the like start anywhere.
bool DisplayReachable(bool platformGiven) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platformGiven ||
      (platform != nullptr && *platform != '\0' && std::strncmp(platform, "xcb", 3) != 0 &&
       std::strncmp(platform, "wayland", 7) != 0))
    return true;
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// A display that is named but cannot be opened reaches Qt as warnings and then a fatal
// message; the first warning says what went wrong, the rest is Qt's advice. They wait
// until the application exists or the start fails.
QStringList g_startUpWarnings;

void StartUpMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtFatalMsg) {
    g_startUpWarnings.append(text);
    return;
  }
  const QString why = g_startUpWarnings.isEmpty() ? text.section('\n', 0, 0) : g_startUpWarnings[0];
  std::fprintf(stderr, "velmora: cannot open the display: %s\n", qPrintable(why));
  std::_Exit(kExitNoDisplay);
}

}  // namespace

int main(int argc, char** argv) {
  bool platformGiven = false;
  const int answered = ReadOptions(argc, argv, platformGiven);
  if (answered != kRun) return answered;
  if (!DisplayReachable(platformGiven)) {
    std::fprintf(stderr,
                 "velmora: no display: neither DISPLAY nor WAYLAND_DISPLAY is set (velmora-cli "
                 "works without one)\n");
    return kExitNoDisplay;
  }
  velmora::SetDataFolders(velmora::DefaultDataFolders(velmora::ExecutableDir()));
  velmora::InitOpenGLFormat();
  const QtMessageHandler previous = qInstallMessageHandler(StartUpMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(previous);
  for (const QString& warning : g_startUpWarnings) qWarning("%s", qPrintable(warning));
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
