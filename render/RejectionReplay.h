#pragma once
// With skipNegativeST, a rejected pair stops the triangulation and the later pairs keep
// what earlier trials wrote: the one thing that carries over from trial to trial. Each
// trial writes a prefix of the pairs, so after the parallel pass one walk over the
// vertices in order knows, for every rejected trial, which later pairs hold a sentinel,
// which hold an earlier trial's real gap and which still hold what the cameras had before
// the map. A sentinel's square (about 2.7e43) swamps any real gap below kKernelHugeGap,
// so the score follows from the counts; a real gap above that sends the whole map the
// plain way. The same walk tells which trial last wrote each pair, and those pairs are
// put into the real cameras before the final UpdateCamera(0) at the original angles.
// Core code: no OpenGL.

#include <cmath>
#include <cstddef>
#include <vector>

#include "camera/CameraModel.h"
#include "render/MapTrials.h"

namespace velmora {

class RejectionReplay {
 public:
  // results: every vertex's trial; worker redoes the trials whose pairs are put back.
  RejectionReplay(const PairTable& pairs, const TrialSet& set,
                  const std::vector<TrialResult>& results, TrialWorker& worker,
                  CameraModel& moving);

  // The scores of every trial into scores. False when a real gap is too large to neglect
  // next to a sentinel.
  bool Score(double* scores);
  // Puts into the real cameras the pairs the trials leave behind; the number of leading
  // pairs they wrote.
  std::size_t LeaveRaysAsTheTrialsDo();

 private:
  struct Step {
    std::size_t vertex, reach;  // this vertex's trial wrote pairs up to reach last
  };

  // What the pairs held before the map, summed from each pair to the last.
  void SumPairsBeforeTheMap();
  // One trial's score, in vertex order, from what the earlier trials left behind.
  bool ScoreTrial(std::size_t v, double& score);
  // Pairs from to to as vertex u's trial wrote them.
  void RewriteRays(std::size_t u, std::size_t from, std::size_t to);

  const PairTable& pairs_;
  const TrialSet& set_;
  const std::vector<TrialResult>& results_;
  const std::size_t n_;
  TrialWorker& worker_;
  CameraModel& moving_;
  CameraModel& fixed_;
  const double sentinel_ = std::exp(kRejectedScore);
  const double sentinelGap_ = sentinel_ * sentinel_;
  std::vector<double> before_;
  std::vector<std::size_t> sentinels_;  // pairs now holding a sentinel, smallest last
  std::vector<Step> steps_;             // reach shrinking towards the back
  std::size_t covered_ = 0;             // pairs below this were written by some trial
};

}  // namespace velmora
