#include "render/MapThreads.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "base/Notify.h"
#include "render/RejectionReplay.h"

namespace velmora {

bool HoldsPoints(const CameraModel& view, std::size_t n) {
  return view.imageX.size() >= n && view.imageY.size() >= n && view.planePoints.size() >= n &&
         view.rayPoints.size() >= n;
}

namespace {

// Below this many pairs tried (vertices times pairs) per worker, about a fifth of a
// millisecond, a thread costs more than it saves.
constexpr std::size_t kMinPairTrialsPerWorker = 200000;

}  // namespace

std::size_t MapWorkerCount(int setting, std::size_t vertices, std::size_t pairs) {
  if (vertices == 0) return 1;
  std::size_t count;
  if (setting > 0) {
    count = static_cast<std::size_t>(setting);
  } else {
    count = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t work = vertices * std::max<std::size_t>(pairs, 1);
    count = std::min(count, std::max<std::size_t>(1, work / kMinPairTrialsPerWorker));
  }
  return std::min(count, vertices);
}

namespace {

// Where the workers take their blocks of vertices, in increasing order.
// Every vertex's trial into results, one worker on the calling thread and the others on
// threads of their own.
void TryEveryVertex(const PairTable& t, const TrialSet& set, std::vector<TrialWorker>& workers,
                    TrialResult* results, MapWatch& watch) {
  RunInBlocks(set.vertices, workers.size(), watch, [&](std::size_t worker, std::size_t v) {
    results[v] = workers[worker].TrialAt(t, set.directions + 3 * v);
  });
}

}  // namespace

bool ScoreInParallel(const TrialSet& set, CameraModel& moving, const MapSettings& settings,
                     MapWatch& watch, double* scores, std::optional<std::size_t>& written) {
  PairTable t;
  BuildPairTable(set.kind, moving, settings.kernel, t);
  std::vector<TrialResult> results;
  ResizeOrDie(results, set.vertices);
  std::vector<TrialWorker> workers(MapWorkerCount(settings.threads, set.vertices, t.n));
  for (TrialWorker& w : workers) w.CopyCamera(moving);
  TryEveryVertex(t, set, workers, results.data(), watch);
  if (watch.Stopped()) return true;

  if (!t.skip) {
    for (std::size_t v = 0; v < set.vertices; ++v) scores[v] = std::log(std::sqrt(results[v].sum));
    written = t.n;
  } else {
    for (const TrialWorker& w : workers)
      if (w.HugeGap()) return false;
    RejectionReplay replay(t, set, results, workers[0], moving);
    if (!replay.Score(scores)) return false;
    written = replay.LeaveRaysAsTheTrialsDo();
  }
  for (std::size_t v = 0; v < set.vertices; ++v)
    scores[v] = TrialError(t, settings.error, scores[v], results[v].baseline);
  return true;
}

}  // namespace velmora
