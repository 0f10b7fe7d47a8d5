#include "app/HelpDlg.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora {

namespace {

constexpr HelpRow kRows[] = {
    {"left drag", "turn the scene (1 degree per pixel)",
     R"("Left: move around, Right: zoom in/out")"},
    {"right drag", "observer distance (2 units per pixel)", "same"},
    {"left Ctrl + left drag / right drag",
     "azimuth and altitude / distance of the controlled camera",
     R"("Left: azimuth/altitude, Right: distance")"},
    {"left Shift + left drag / right drag", "pan and tilt / focal length of the controlled camera",
     R"("Left: pan/tilt, Right: focal length")"},
    {"left Shift + left Ctrl + left drag", "rotation about the principal ray",
     R"("Left: rotate around principal ray")"},
    {"hold Z", "every drag 20 times finer", R"(" x20 slower" appended)"},
    {"F7", "centre mode on/off: left drag moves the centre of rotation in x and z, right drag in y",
     R"("Left: move around center X,Z, Right: move around center Y, F6 - center")"},
    {"F6",
     "in centre mode: centre back at the origin; otherwise glide the second camera to the pose in "
     "`position.txt`",
     ""},
    {"F8 / F9",
     "fly the observer to the first / second camera's viewpoint, and back on the next press", ""},
    {"F12", "fly to the overview pose and back", ""},
    {"F11", "toggle the zoom of the fly-out", ""},
    {"F5", "wireframe on/off", ""},
    {"F4", "show the Controls window", ""},
    {"F, P, M", "toggle FST object, P/T plane, main sphere (the boxes in Controls follow)", ""},
    {"R, N", "toggle rays, mean rays of both views", ""},
    {"A", "toggle the second view's Az/Alt sphere", ""},
    {"F1, menu key", "About box", ""},
    {"Esc", "quit", ""},
    {"F2", R"(the help window with this table; also "Keys and mouse..." in the Help menu)", ""},
    {"L",
     "colour legend on/off: the error maps' scale from the main sphere's best (blue) to worst "
     "(red) score, and what the number in the corner means",
     ""},
    {"F3", "save the frame as a PNG (file dialog), as `velmora-cli render` draws it", ""},
    {"E",
     "export the reconstruction: the midpoints of all pairs with their pair colours as an ASCII "
     "PLY file (file dialog)",
     ""},
    {"W",
     "write the current poses as a position file (file dialog), to which F6 returns when it is "
     "`position.txt`",
     ""},
    {"C", "copy the `velmora-cli render` command that redraws the frame to the clipboard", ""},
    {"K",
     "the error kind: plain (the error above) or baseline, ln of the root mean squared gap per "
     "distance between the two centres, for the corner, the legend and every error map",
     ""},
    {"G",
     "the error landscape window: the error along one parameter of either view around its "
     "current value, or over two as a heat map; a click on a sample moves the view there",
     ""},
    {"Ctrl+S / Ctrl+O",
     "save the session (files, both cameras, the frame) / open one (file dialog); "
     "`velmora FILE.json` opens one at start",
     ""},
    {"Ctrl+Z / Ctrl+Shift+Z",
     "undo / redo the last camera or observer change: a drag, a flight, a typed value or a run "
     "of wheel steps (Ctrl+Z during a drag is Z)",
     ""},
    {"Ctrl+1 / Ctrl+2", "store the pose shown (both cameras and the observer) as bookmark A / B",
     ""},
    {"1 / 2",
     "glide to bookmark A / B; the other bookmark shows as a dashed camera, with how far the pose "
     "is from it written under the error",
     ""},
};

// The README's markup is not shown: `code` spans lose their backticks.
QString Plain(const char* text) {
  return QString::fromUtf8(text).remove(QLatin1Char('`'));
}

}  // namespace

std::span<const HelpRow> HelpRows() {
  return kRows;
}

HelpDlg::HelpDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Keys and mouse"));
  auto* table = new QTableWidget(static_cast<int>(std::size(kRows)), 3, this);
  table->setHorizontalHeaderLabels(
      {QStringLiteral("Input"), QStringLiteral("Effect"), QStringLiteral("Caption meanwhile")});
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setWordWrap(true);
  for (int row = 0; row < table->rowCount(); ++row) {
    const HelpRow& r = kRows[row];
    const char* cells[] = {r.input, r.effect, r.caption};
    for (int column = 0; column < 3; ++column) {
      auto* item = new QTableWidgetItem(Plain(cells[column]));
      item->setToolTip(item->text());
      table->setItem(row, column, item);
    }
  }
  // Rows take their heights from the final column widths, so the widths come first.
  table->resizeColumnToContents(0);
  table->setColumnWidth(1, 440);
  table->setColumnWidth(2, 330);
  table->resizeRowsToContents();
  table->horizontalHeader()->setStretchLastSection(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table);
  layout->addWidget(buttons);
  // A smaller screen (or a larger scale) gets a smaller window whose table scrolls, with
  // its Close button in reach.
  QSize size(1040, 640);
  if (const QScreen* screen =
          parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 0.9);
  resize(size);
}

}  // namespace velmora
