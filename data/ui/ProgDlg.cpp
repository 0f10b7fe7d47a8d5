#include "data/ui/ProgDlg.h"

#include <QCoreApplication>
#include <QProgressBar>

#include "platform/DialogBuilder.h"
#include "platform/MessageQueue.h"

namespace velmora {

ProgDlg::ProgDlg() : QDialog(nullptr) {
  BuildDialog(this, FindDialogTemplate(IDD_PROGRESS));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  progressBar = GetDlgItemAs<QProgressBar>(this, 1001);
}

void ProgDlg::Show() {
  // Already on the screen (held open): no new round trip to the window system.
  const bool shown = isVisible();
  show();
  LetPaint(!shown);
}

void ProgDlg::Hide() {
  if (!held_) hide();
}

void ProgDlg::HoldOpen(bool hold) {
  held_ = hold;
  if (!hold) hide();
}

void ProgDlg::SetRange(int lo, int hi) {
  progressBar->setRange(lo, hi);
}

void ProgDlg::SetPos(int pos) {
  progressBar->setValue(pos);
  LetPaint(false);
}

void ProgDlg::Step() {
  progressBar->setValue(progressBar->value() + step_);
  LetPaint(false);
}

void ProgDlg::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  LetPaint(false);
}

void ProgDlg::LetPaint(bool force) {
  if (!force && sinceLastPaint_.isValid() && sinceLastPaint_.elapsed() < 50) return;
  DeferAppMessages hold;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
  sinceLastPaint_.restart();
}

}  // namespace velmora
