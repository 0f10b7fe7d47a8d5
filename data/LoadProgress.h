#pragma once
// What a shape load tells the progress display. The Qt side implements it with the
// progress dialog; the core only calls it. Every call comes from the loading thread and
// returns at once: the loader never waits for the display to repaint.

#include <string>

namespace velmora {

struct LoadProgress {
  virtual ~LoadProgress() = default;
  // Called once when a load starts and once when it ends, whatever the outcome.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void SetRange(int lo, int hi) = 0;
  virtual void SetPos(int pos) = 0;
  virtual void SetStep(int step) = 0;
  // Advances the bar by the step last set.
  virtual void Step() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace velmora
