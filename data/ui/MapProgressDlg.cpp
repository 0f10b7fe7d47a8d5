#include "data/ui/MapProgressDlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "platform/DialogBuilder.h"
#include "platform/MessageQueue.h"

namespace velmora {

namespace {
constexpr int kBarSteps = 1000;
}

MapProgressDlg::MapProgressDlg(int delayMs) : QDialog(nullptr), delayMs_(delayMs) {
  BuildDialog(this, FindDialogTemplate(IDD_MAP_PROGRESS));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  // While it shows, the other windows take no input: the map is still running under them.
  setWindowModality(Qt::ApplicationModal);
  name_ = GetDlgItemAs<QLabel>(this, 1002);
  bar_ = GetDlgItemAs<QProgressBar>(this, 1001);
  bar_->setRange(0, kBarSteps);
  connect(GetDlgItemAs<QPushButton>(this, IDCANCEL), &QPushButton::clicked, this,
          &MapProgressDlg::reject);
}

bool MapProgressDlg::Continue(std::size_t done, std::size_t total) {
  if (!running_) {
    running_ = true;
    sinceStart_.start();
  }
  // A cancel stops the maps that follow in the same step too (one change recolours up to
  // three spheres); the step ends when the event loop takes over again.
  if (cancelled_) return false;
  if (sinceStart_.elapsed() < delayMs_) return true;
  if (!isVisible()) show();
  const double mapDone = total > 0 ? static_cast<double>(done) / total : 0;
  bar_->setValue(static_cast<int>(kBarSteps * (before_ + share_ * mapDone)));
  // The dialog paints and takes Esc and its button. Application messages wait, timers
  // wait (a script or a flight must not act on the cameras in the middle of the map), and
  // the modal dialog keeps input from the other windows.
  DeferAppMessages hold;
  QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
  return !cancelled_;
}

void MapProgressDlg::Finished() {
  // The run's next map goes on under the same dialog and clock.
  if (inRun_) return;
  running_ = false;
  if (isVisible()) hide();
  if (cancelled_) QTimer::singleShot(0, this, [this] { cancelled_ = false; });
}

void MapProgressDlg::StartStep(const char* name, double before, double share) {
  inRun_ = true;
  before_ = before;
  share_ = share;
  name_->setText(QString::fromUtf8(name));
}

void MapProgressDlg::EndRun() {
  inRun_ = false;
  before_ = 0;
  share_ = 1;
  name_->clear();
  Finished();
}

void MapProgressDlg::reject() {
  cancelled_ = true;
}

}  // namespace velmora
