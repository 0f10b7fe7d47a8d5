#pragma once
// "Computing error map": shown once a map, or the run of maps of one change, has kept the
// user waiting for about half a second. It names the map being computed and its bar
// covers the whole run. Its Cancel button, Esc and the close box stop the map, and the
// sphere keeps the colours it had.
#include <QDialog>
#include <QElapsedTimer>

#include "render/ErrorMaps.h"

class QLabel;
class QProgressBar;

namespace velmora {

class MapProgressDlg : public QDialog, public MapProgress {
  Q_OBJECT
 public:
  // delayMs: how long a map runs before the dialog shows.
  explicit MapProgressDlg(int delayMs = 500);
  bool Continue(std::size_t done, std::size_t total) override;
  void Finished() override;
  void StartStep(const char* name, double before, double share) override;
  void EndRun() override;
  // Esc, Cancel and the close box.
  void reject() override;

 private:
  const int delayMs_;
  QElapsedTimer sinceStart_;
  bool running_ = false;
  bool cancelled_ = false;
  // Within a run: where the current map's part of the bar starts and how long it is.
  bool inRun_ = false;
  double before_ = 0, share_ = 1;
  QLabel* name_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

}  // namespace velmora
