#include "app/ScriptRunner.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/MainApp.h"
#include "app/MainDlg.h"
#include "camera/ui/ViewDlg.h"
#include "data/ui/ControlDlg.h"
#include "render/image/FrameImage.h"

namespace velmora {

namespace {

int g_status = 0;

constexpr int kReadyTimeoutMs = 30000;
constexpr int kIdleTimeoutMs = 30000;
// A transition counts as over once nothing has run for this long: a request made by a key
// has its worker started before the key handler returns, but not every frame is queued yet.
constexpr int kSettleMs = 200;

// Processes events for about ms milliseconds.
void Pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  } while (timer.elapsed() < ms);
}

bool TransitionIdle(const MainDlg& main) {
  return main.CameraAnimationIdle() && !CameraTransitionWorker::Busy() &&
         !CameraTransitionWorker::Waiting();
}

// One script command: acts on the main window, or says in why what kept it from acting.
using CommandHandler = bool (*)(MainDlg& main, const QString& argument, QString& why);

// key NAME: a press and release in the main window, as the keyboard gives them.
bool PressKey(MainDlg& main, const QString& argument, QString& why) {
  const QKeySequence sequence = QKeySequence::fromString(argument);
  if (sequence.isEmpty() || sequence.count() != 1) {
    why = "unknown key " + argument;
    return false;
  }
  const QKeyCombination combination = sequence[0];
  QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
  QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
  QCoreApplication::sendEvent(&main, &press);
  QCoreApplication::sendEvent(&main, &release);
  Pump(20);
  return true;
}

bool WaitIdle(MainDlg& main, const QString&, QString& why) {
  QElapsedTimer timer, idleFor;
  timer.start();
  idleFor.start();
  while (idleFor.elapsed() < kSettleMs) {
    if (timer.elapsed() > kIdleTimeoutMs) {
      why = "the camera transition did not end";
      return false;
    }
    Pump(10);
    if (!TransitionIdle(main)) idleFor.restart();
  }
  return true;
}

// Ticks or clears the one check box labelled text among the open windows.
bool SetBox(const QString& text, bool on, QString& why) {
  QCheckBox* box = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (QCheckBox* candidate : window->findChildren<QCheckBox*>()) {
      if (candidate->text() != text) continue;
      if (box != nullptr) {
        why = "more than one box is labelled " + text;
        return false;
      }
      box = candidate;
    }
  }
  if (box == nullptr) {
    why = "no box is labelled " + text;
    return false;
  }
  if (!box->isEnabled()) {
    why = "the box " + text + " is disabled";
    return false;
  }
  // A click, as the mouse gives it: the box's own handler runs and posts its message.
  if (box->isChecked() != on) box->click();
  Pump(50);
  return true;
}

bool Grab(MainDlg& main, const QString& argument, QString& why) {
  std::string failure = "cannot write: no file named";
  if (!argument.isEmpty() &&
      WritePngFile(main.grabFramebuffer(), QFile::encodeName(argument).toStdString(), failure))
    return true;
  why = QString::fromStdString(failure);
  return false;
}

bool PrintError(MainDlg& main, const QString&, QString&) {
  const QString text = g_pSecondView.load() != nullptr
                           ? MainDlg::ErrorText(main.scene.workbench.Error())
                           : QString();
  std::printf("error %s\n", text.isEmpty() ? "none" : qPrintable(text));
  std::fflush(stdout);
  return true;
}

bool SaveSession(MainDlg& main, const QString& argument, QString& why) {
  return main.SaveSessionPath(argument, why);
}

bool OpenSession(MainDlg& main, const QString& argument, QString& why) {
  if (!main.OpenSessionPath(argument, why)) return false;
  Pump(kSettleMs);  // the loads' and the boxes' messages
  return true;
}

bool Quit(MainDlg& main, const QString&, QString&) {
  main.close();
  return true;
}

constexpr struct {
  const char* name;
  CommandHandler run;
} kCommands[] = {
    {"key", PressKey},
    {"wait-idle", WaitIdle},
    {"check", [](MainDlg&, const QString& text, QString& why) { return SetBox(text, true, why); }},
    {"uncheck",
     [](MainDlg&, const QString& text, QString& why) { return SetBox(text, false, why); }},
    {"grab", Grab},
    {"print-error", PrintError},
    {"save-session", SaveSession},
    {"open-session", OpenSession},
    {"quit", Quit},
};

class ScriptRunner {
 public:
  ScriptRunner(QStringList lines, QString readError)
      : lines_(std::move(lines)), readError_(std::move(readError)) {}

  // Runs once the main window has its context and the command line's files are loaded.
  void WaitForStartUp() {
    QElapsedTimer timer;
    timer.start();
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [this, poll, timer] {
      MainDlg* main = theApp.mainWindow;
      if (main != nullptr && g_hMainWnd.load() == main && main->StartedUp()) {
        poll->deleteLater();
        // The loads post their messages (the FST object's to the control panel, the
        // redraws); the events pumped here deliver them.
        Pump(kSettleMs);
        Run(*main);
      } else if (timer.elapsed() > kReadyTimeoutMs) {
        // Nothing to close: the waiting caller is better served by an end than by a hang.
        Fail(0, "the main window did not come up");
        std::_Exit(kScriptFailed);
      }
    });
    poll->start(20);
  }

 private:
  void Run(MainDlg& main) {
    if (!readError_.isEmpty()) {
      Fail(0, readError_);
      main.close();
      return;
    }
    for (int i = 0; i < lines_.size(); ++i) {
      const QString line = lines_[i].trimmed();
      if (line.isEmpty() || line.startsWith('#')) continue;
      const qsizetype space = line.indexOf(' ');
      const QString command = line.left(space);
      QString argument = space < 0 ? QString() : line.mid(space + 1).trimmed();
      if (argument.size() >= 2 && argument.startsWith('"') && argument.endsWith('"'))
        argument = argument.mid(1, argument.size() - 2);
      QString why;
      if (!Execute(main, command, argument, why)) {
        Fail(i + 1, why);
        main.close();
        return;
      }
      if (command == "quit") return;
    }
  }

  static bool Execute(MainDlg& main, const QString& command, const QString& argument,
                      QString& why) {
    for (const auto& c : kCommands)
      if (command == QLatin1String(c.name)) return c.run(main, argument, why);
    why = "unknown command " + command;
    return false;
  }

  static void Fail(int line, const QString& why) {
    std::fprintf(stderr, "velmora: script line %d: %s\n", line, qPrintable(why));
    g_status = kScriptFailed;
  }

  QStringList lines_;
  QString readError_;
};

}  // namespace

void StartScriptFromEnvironment() {
  const QString path = qEnvironmentVariable("VELMORA_SCRIPT");
  if (path.isEmpty()) return;
  QFile file(path);
  QStringList lines;
  QString readError;
  if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream stream(&file);
    while (!stream.atEnd()) lines.append(stream.readLine());
  } else {
    readError = "cannot read the script " + path;
  }
  // Lives for the rest of the process; the script runs once.
  auto* runner = new ScriptRunner(std::move(lines), std::move(readError));
  QTimer::singleShot(0, qApp, [runner] { runner->WaitForStartUp(); });
}

int ScriptExitStatus() {
  return g_status;
}

}  // namespace velmora
