#pragma once
// "Loading FST object": the progress bar shown while a shape file is read.

#include <QDialog>
#include <QElapsedTimer>

#include "data/LoadProgress.h"

class QProgressBar;

namespace velmora {

class ProgDlg : public QDialog, public LoadProgress {
  Q_OBJECT
 public:
  ProgDlg();

  void Show() override;
  void Hide() override;
  void SetRange(int lo, int hi) override;
  void SetPos(int pos) override;
  void SetStep(int step) override { step_ = step; }
  void Step() override;
  void SetCaption(const std::string& caption) override;

  // While held open, a load's Hide leaves the dialog up for the next load, so a row of
  // loads (the sample spheres at start-up) shows one dialog instead of one per file;
  // releasing the hold hides it.
  void HoldOpen(bool hold);

  QProgressBar* progressBar = nullptr;

 private:
  // The reading loop handles no messages; this lets the dialog itself reach the screen
  // now and then, with every application message held back meanwhile.
  void LetPaint(bool force);

  int step_ = 1;
  bool held_ = false;
  QElapsedTimer sinceLastPaint_;
};

}  // namespace velmora
