#include "data/ui/ProgDlg.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QWindow>

#include "platform/DialogBuilder.h"
#include "platform/MessageQueue.h"

namespace velmora {

namespace {
// A load shorter than this shows no dialog.
constexpr int kShowDelayMs = 300;
}  // namespace

ProgDlg::ProgDlg() : QDialog(nullptr) {
  BuildDialog(this, FindDialogTemplate(IDD_PROGRESS));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  progressBar = GetDlgItemAs<QProgressBar>(this, 1001);
}

void ProgDlg::Show() {
  // Held open, the time of the earlier loads counts towards the delay.
  if (isVisible() || pending_) {
    LetPaint(false);
    return;
  }
  pending_ = true;
  sinceShow_.start();
}

void ProgDlg::Hide() {
  if (held_) return;
  pending_ = false;
  hide();
}

void ProgDlg::HoldOpen(bool hold) {
  held_ = hold;
  if (!hold) {
    pending_ = false;
    hide();
  }
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
  if (pending_) {
    if (sinceShow_.elapsed() < kShowDelayMs) return;
    pending_ = false;
    show();
    force = true;
  }
  if (!isVisible()) return;
  if (!force && sinceLastPaint_.isValid() && sinceLastPaint_.elapsed() < 50) return;
  DeferAppMessages hold;
  // A new window needs a few rounds before the window system shows it.
  for (int round = 0; round < (force ? 20 : 1); ++round) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!force || (windowHandle() != nullptr && windowHandle()->isExposed())) break;
  }
  repaint();
  sinceLastPaint_.restart();
}

}  // namespace velmora
