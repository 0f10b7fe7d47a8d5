#include "render/MapWatch.h"

#include <algorithm>

namespace velmora {

namespace {

// How often a watched map asks its watcher whether to go on: often enough that a cancel
// takes effect at once, rarely enough that the asking costs nothing next to the trials.
constexpr auto kAskInterval = std::chrono::milliseconds(20);
constexpr std::size_t kPairTrialsPerClockRead = 1 << 16;

}  // namespace

MapWatch::MapWatch(MapProgress* progress, std::size_t total, int pairs)
    : progress_(progress),
      total_(total),
      every_(std::max<std::size_t>(
          1, kPairTrialsPerClockRead / static_cast<std::size_t>(std::max(pairs, 1)))) {}

MapWatch::~MapWatch() {
  if (progress_ != nullptr) progress_->Finished();
}

bool MapWatch::Ask(std::size_t done) {
  if (progress_ == nullptr) return true;
  last_ = std::chrono::steady_clock::now();
  if (!Stopped() && !progress_->Continue(std::min(done, total_), total_))
    stop_.store(true, std::memory_order_relaxed);
  return !Stopped();
}

void MapWatch::AskIfDue(std::size_t done) {
  if (std::chrono::steady_clock::now() - last_ >= kAskInterval) Ask(done);
}

MapRun::MapRun(MapProgress* progress, std::initializer_list<Step> steps)
    : progress_(progress), steps_(steps) {
  for (const Step& step : steps_) {
    work_.push_back(step.shape != nullptr ? static_cast<double>(step.shape->vertices.size()) : 0);
    total_ += work_.back();
  }
}

MapRun::~MapRun() {
  if (progress_ != nullptr) progress_->EndRun();
}

void MapRun::Enter(int step) {
  if (progress_ == nullptr || total_ <= 0) return;
  double before = 0;
  for (int i = 0; i < step; ++i) before += work_[i];
  progress_->StartStep(steps_[step].name, before / total_, work_[step] / total_);
}

}  // namespace velmora
