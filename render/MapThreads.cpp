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
struct Blocks {
  const PairTable& pairs;
  const TrialSet& set;
  TrialResult* results;
  std::size_t size;
  std::atomic<std::size_t> next{0};
};

// Takes blocks until none are left or the watch says stop; on the calling thread (asks)
// it also lets the watch ask the watcher.
void RunBlocks(TrialWorker& worker, Blocks& blocks, MapWatch& watch, bool asks) {
  const std::size_t vertices = blocks.set.vertices, block = blocks.size;
  std::atomic<std::size_t>& next = blocks.next;
  for (;;) {
    const std::size_t first = next.fetch_add(block);
    if (first >= vertices) {
      // The others may have taken every block while the watcher held up its answer: one
      // more question if one is due, so that it still hears from this map.
      if (asks) watch.AskIfDue(vertices);
      return;
    }
    const std::size_t last = std::min(vertices, first + block);
    for (std::size_t v = first; v < last; ++v) {
      if (watch.Stopped()) return;
      blocks.results[v] = worker.TrialAt(blocks.pairs, blocks.set.directions + 3 * v);
      if (asks) watch.Tick(next.load(std::memory_order_relaxed));
    }
  }
}

// Every vertex's trial into results, one worker on the calling thread and the others on
// threads of their own.
void TryEveryVertex(const PairTable& t, const TrialSet& set, std::vector<TrialWorker>& workers,
                    TrialResult* results, MapWatch& watch) {
  // Blocks small enough to keep every worker busy to the end, even when another program
  // holds a core for a while.
  Blocks blocks{t, set, results, std::max<std::size_t>(1, set.vertices / (8 * workers.size()))};
  std::vector<std::thread> threads;
  threads.reserve(workers.size());
  for (std::size_t k = 1; k < workers.size(); ++k) {
    try {
      threads.emplace_back(RunBlocks, std::ref(workers[k]), std::ref(blocks), std::ref(watch),
                           false);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the others take the blocks
    }
  }
  RunBlocks(workers[0], blocks, watch, true);
  for (std::thread& th : threads) th.join();
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
