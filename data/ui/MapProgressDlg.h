#pragma once
// "Computing error map": shown once a map has kept the user waiting for about half a
// second. Its Cancel button, Esc and the close box stop the map, and the sphere keeps
// the colours it had.
#include <QDialog>
#include <QElapsedTimer>

#include "render/ErrorMaps.h"

class QProgressBar;

namespace velmora {

class MapProgressDlg : public QDialog, public MapProgress {
  Q_OBJECT
 public:
  // delayMs: how long a map runs before the dialog shows.
  explicit MapProgressDlg(int delayMs = 500);
  bool Continue(std::size_t done, std::size_t total) override;
  void Finished() override;
  // Esc, Cancel and the close box.
  void reject() override;

 private:
  const int delayMs_;
  QElapsedTimer sinceStart_;
  bool running_ = false;
  bool cancelled_ = false;
  QProgressBar* bar_ = nullptr;
};

}  // namespace velmora
