#include "app/MainMenu.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/HelpDlg.h"
#include "app/MainDlg.h"
#include "app/MainPoses.h"
#include "data/DataFiles.h"
#include "data/ui/ControlDlg.h"
#include "data/ui/ImportDlg.h"
#include "resources/DialogTemplates.h"

namespace velmora {

namespace {

// The keys of navigation run through the navigator, as when typed.
void NavigatorKey(MainDlg& main, NavKey key) {
  main.Navigation().navigator.OnKeyDown({key});
}

// The demo files of the installed data folder, loaded as the command line loads them.
void OpenDemo(MainDlg& main) {
  StartUpFiles demo;
  for (const char* name : {"demo.fsd", "demo.dtx"})
    demo.names.append(QByteArray::fromStdString(FindDataFile(name)));
  demo.pending = true;
  demo.Load(main.ControlPanel());
}

// Ctrl+Z during a drag is Z held for a finer drag, as without Ctrl.
void UndoOrSlow(MainDlg& main) {
  if (QGuiApplication::mouseButtons() != Qt::NoButton)
    NavigatorKey(main, NavKey::Z);
  else
    main.Poses().Undo();
}

}  // namespace

const std::vector<MainCommand>& MainCommands() {
  static const std::vector<MainCommand> commands = {
      {"&File", "Open &data...", "", [](MainDlg& m) { m.ControlPanel().OnBrowseData(); }},
      {"&File", "Open &FST...", "", [](MainDlg& m) { m.ControlPanel().OnBrowseFst(); }},
      {"&File", "&Import real data...", "",
       [](MainDlg& m) {
         m.Poses().BeginGesture();  // the imported poses are one step to undo
         OpenImportDialog(&m, m.ControlPanel());
       }},
      {"&File", "Open &session...", "Ctrl+O", [](MainDlg& m) { m.OpenSession(); }},
      {"&File", "Sa&ve session...", "Ctrl+S", [](MainDlg& m) { m.SaveSession(); }},
      {"&File", "Save frame as &PNG...", "F3", [](MainDlg& m) { m.SaveFramePng(); }},
      {"&File", "&Export midpoints as PLY...", "E", [](MainDlg& m) { m.ExportMidpoints(); }},
      {"&File", "&Write poses (position file)...", "W", [](MainDlg& m) { m.WritePositions(); }},
      {"&File", "&Copy render command", "C", [](MainDlg& m) { m.CopyRenderCommand(); }},
      {"&File", "Open de&mo", "", OpenDemo},
      {"&File", "&Quit", "Esc", [](MainDlg& m) { m.close(); }},
      {"&Edit", "&Undo pose", "Ctrl+Z", UndoOrSlow},
      {"&Edit", "&Redo pose", "Ctrl+Shift+Z", [](MainDlg& m) { m.Poses().Redo(); }},
      {"&Edit", "Store bookmark &A", "Ctrl+1", [](MainDlg& m) { m.Poses().Store(0); }},
      {"&Edit", "Store bookmark &B", "Ctrl+2", [](MainDlg& m) { m.Poses().Store(1); }},
      {"&Edit", "Glide to bookmark A", "1", [](MainDlg& m) { m.Poses().GlideTo(0); }},
      {"&Edit", "Glide to bookmark B", "2", [](MainDlg& m) { m.Poses().GlideTo(1); }},
      {"&View", "Colour &legend", "L", [](MainDlg& m) { m.ToggleLegend(); },
       [](const MainDlg& m) { return m.LegendShown(); }},
      {"&View", "&Baseline error", "K", [](MainDlg& m) { m.ToggleErrorKind(); },
       [](const MainDlg& m) { return m.scene.workbench.GetErrorKind() == ErrorKind::kBaseline; }},
      {"&View", "Error lands&cape...", "G", [](MainDlg& m) { m.ShowProfile(); }},
      {"&View", "&Controls window", "F4", [](MainDlg& m) { NavigatorKey(m, NavKey::F4); }},
      {"&Help", kHelpMenuText, "F2", [](MainDlg& m) { m.ShowHelp(); }},
      {"&Help", kAboutMenuText, "F1", [](MainDlg& m) { m.OnSysCommand(IDM_ABOUTBOX); }},
  };
  return commands;
}

int CommandForKey(const QKeyEvent& event) {
  if (event.isAutoRepeat()) return -1;
  const QKeyCombination pressed(event.modifiers() & ~Qt::KeypadModifier,
                                static_cast<Qt::Key>(event.key()));
  const std::vector<MainCommand>& commands = MainCommands();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const QKeySequence key = QKeySequence::fromString(QLatin1String(commands[i].key));
    if (!key.isEmpty() && key[0] == pressed) return static_cast<int>(i);
  }
  return -1;
}

void AddCommandActions(QMenu& menu, MainDlg& main,
                       const std::function<bool(const MainCommand&)>& keep) {
  const std::vector<MainCommand>& commands = MainCommands();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const MainCommand& c = commands[i];
    if (!keep(c)) continue;
    // The key is shown, not bound: the scene takes its keys itself, with their rules for
    // held and repeated keys, and runs this same entry.
    QString text = QString::fromUtf8(c.text);
    if (*c.key != '\0')
      text +=
          '\t' + QKeySequence::fromString(QLatin1String(c.key)).toString(QKeySequence::NativeText);
    QAction* action = menu.addAction(text, &main, [&main, i] {
      MainCommands()[i].run(main);
      main.setFocus();
    });
    action->setData(static_cast<int>(i));
    if (c.checked != nullptr) {
      action->setCheckable(true);
      action->setChecked(c.checked(main));
      QObject::connect(&menu, &QMenu::aboutToShow, action,
                       [&main, action, i] { action->setChecked(MainCommands()[i].checked(main)); });
    }
  }
}

MainFrame::MainFrame(MainDlg& main) : main_(main), bar_(new QMenuBar(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(bar_);
  const QSize scene = main.size();
  main.setParent(this);
  layout->addWidget(&main);
  main.show();  // with the frame
  setFocusProxy(&main);
  for (const MainCommand& c : MainCommands()) {
    QMenu* menu = nullptr;
    for (QAction* action : bar_->actions())
      if (action->text() == QLatin1String(c.menu)) menu = action->menu();
    if (menu == nullptr)
      AddCommandActions(*bar_->addMenu(QString::fromLatin1(c.menu)), main,
                        [&c](const MainCommand& other) { return other.menu == c.menu; });
  }
  setWindowTitle(main.windowTitle());
  setWindowIcon(main.windowIcon());
  connect(&main, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
  connect(&main, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);
  // The bar adds to the window: the scene keeps the size it opens with.
  resize(scene.width(), scene.height() + bar_->sizeHint().height());
}

MainFrame::~MainFrame() {
  // The scene is its owner's, not the frame's.
  main_.setParent(nullptr);
}

void MainFrame::closeEvent(QCloseEvent* event) {
  main_.close();
  event->accept();
}

}  // namespace velmora
