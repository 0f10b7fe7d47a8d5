#include "render/RejectionReplay.h"

#include <algorithm>

#include "base/Notify.h"
#include "render/ErrorMaps.h"  // DirectionToAngles

namespace velmora {

RejectionReplay::RejectionReplay(const PairTable& pairs, const TrialSet& set,
                                 const std::vector<TrialResult>& results, TrialWorker& worker,
                                 CameraModel& moving)
    : pairs_(pairs),
      set_(set),
      results_(results),
      n_(pairs.n),
      worker_(worker),
      moving_(moving),
      fixed_(*moving.otherView) {}

bool RejectionReplay::Score(double* scores) {
  SumPairsBeforeTheMap();
  for (std::size_t v = 0; v < set_.vertices; ++v)
    if (!ScoreTrial(v, scores[v])) return false;
  return true;
}

std::size_t RejectionReplay::LeaveRaysAsTheTrialsDo() {
  // The final recomputation at the original angles: when it rejects too, the pairs after
  // its rejection keep what the last trial to reach them wrote.
  const TrialResult last = worker_.TrialAtAngles(pairs_, set_.startA, set_.startB);
  const std::size_t written = std::min(n_, std::max(covered_, last.rejectedAt + 1));
  if (last.rejectedAt == n_) return written;
  std::size_t low = 0;
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    const std::size_t from = std::max(low, last.rejectedAt + 1), to = step->reach;
    low = to + 1;
    if (from <= to) RewriteRays(step->vertex, from, to);
  }
  return written;
}

void RejectionReplay::SumPairsBeforeTheMap() {
  ResizeOrDie(before_, n_ + 1, 0.0);
  for (std::size_t j = n_; j-- > 0;) {
    const Vec3 g = Sub(moving_.rayPoints[j], fixed_.rayPoints[j]);
    before_[j] = Dot(g, g) + before_[j + 1];
  }
}

bool RejectionReplay::ScoreTrial(std::size_t v, double& score) {
  const TrialResult& r = results_[v];
  if (r.rejectedAt == n_) {
    score = std::log(std::sqrt(r.sum));
    sentinels_.clear();
    steps_.assign(1, Step{v, n_ - 1});
    covered_ = n_;
    return true;
  }
  const std::size_t k = r.rejectedAt;
  while (!sentinels_.empty() && sentinels_.back() < k) sentinels_.pop_back();
  const bool atK = !sentinels_.empty() && sentinels_.back() == k;
  const std::size_t later = sentinels_.size() - (atK ? 1 : 0);
  const std::size_t real = covered_ > k + 1 ? covered_ - (k + 1) - later : 0;
  double sum = r.sum + sentinelGap_;
  sum += static_cast<double>(later) * sentinelGap_;
  if (real > 0 && !(static_cast<double>(real) * kKernelHugeGap <= sum * 1e-13)) return false;
  sum += before_[std::max(covered_, k + 1)];
  score = std::log(std::sqrt(sum));
  if (!atK) sentinels_.push_back(k);
  while (!steps_.empty() && steps_.back().reach <= k) steps_.pop_back();
  steps_.push_back(Step{v, k});
  covered_ = std::max(covered_, k + 1);
  return true;
}

void RejectionReplay::RewriteRays(std::size_t u, std::size_t from, std::size_t to) {
  const double* d = set_.directions + 3 * u;
  double a, b;
  DirectionToAngles(d[0], d[1], d[2], a, b);
  const TrialFrame f = worker_.Frame(a, b, pairs_.directions);
  for (std::size_t j = from; j <= to; ++j) {
    if (j == results_[u].rejectedAt) {
      moving_.rayPoints[j] = Vec3{sentinel_, 0, 0};
      fixed_.rayPoints[j] = Vec3{0, 0, 0};
    } else {
      const PairResult p = SolvePair(pairs_, f, j);
      moving_.rayPoints[j] = p.first;
      fixed_.rayPoints[j] = p.second;
    }
  }
}

}  // namespace velmora
