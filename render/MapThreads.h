#pragma once
// A map's trials on worker threads: in the maps' regular state (both views linked to each
// other, equal non-zero point counts, every point array long enough) threads take blocks
// of vertices, each on its own copy of the moving camera's parameters (MapTrials.h).
// Core code: no OpenGL.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "camera/CameraModel.h"
#include "render/MapSettings.h"
#include "render/MapTrials.h"
#include "render/MapWatch.h"

namespace velmora {

// Whether view holds n entries in each of its point arrays.
bool HoldsPoints(const CameraModel& view, std::size_t n);

// fn(worker, item) for every item of items, on workers workers (0 is the calling thread,
// the others threads of their own) taking blocks of items until none are left or the watch
// says stop; the calling thread lets the watch ask its watcher.
template <class Fn>
void RunInBlocks(std::size_t items, std::size_t workers, MapWatch& watch, Fn&& fn) {
  // Blocks small enough to keep every worker busy to the end, even when another program
  // holds a core for a while.
  const std::size_t block = std::max<std::size_t>(1, items / (8 * workers));
  std::atomic<std::size_t> next{0};
  const auto run = [&](std::size_t worker) {
    for (;;) {
      const std::size_t first = next.fetch_add(block);
      if (first >= items) {
        // The others may have taken every block while the watcher held up its answer: one
        // more question if one is due, so that it still hears from this run.
        if (worker == 0) watch.AskIfDue(items);
        return;
      }
      for (std::size_t i = first; i < std::min(items, first + block); ++i) {
        if (watch.Stopped()) return;
        fn(worker, i);
        if (worker == 0) watch.Tick(next.load(std::memory_order_relaxed));
      }
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(workers);
  for (std::size_t k = 1; k < workers; ++k) {
    try {
      threads.emplace_back(run, k);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the others take the blocks
    }
  }
  run(0);
  for (std::thread& th : threads) th.join();
}

// How many workers take items trials of pairs pairs each: setting as MapSettings::threads
// says, at least 1 and at most one per item.
std::size_t MapWorkerCount(int setting, std::size_t items, std::size_t pairs);

// Scores every vertex of set into scores on worker copies (settings: how many threads, and
// the level of the pair loop), and gives the real cameras the rayPoints the plain way
// would leave before its final UpdateCamera(0); written: how many leading pairs the
// trials wrote, set when the map runs to its end. False (cameras untouched) when the plain way must
// run; true with the cameras untouched when the watch stopped it.
bool ScoreInParallel(const TrialSet& set, CameraModel& moving, const MapSettings& settings,
                     MapWatch& watch, double* scores, std::optional<std::size_t>& written);

}  // namespace velmora
