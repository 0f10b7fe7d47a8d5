#pragma once
// The calling thread's side of a watched map: asks the watcher (MapSettings::progress), if
// there is one, now and then whether to go on, and tells every worker to stop at its next
// vertex when it says no. Core code: no OpenGL.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "data/FstShape.h"
#include "render/MapSettings.h"

namespace velmora {

class MapWatch {
 public:
  // total: the vertices to map; pairs: the point pairs each vertex tries.
  MapWatch(MapProgress* progress, std::size_t total, int pairs);
  // Tells the watcher the map has finished, whether it ended or was stopped.
  ~MapWatch();
  MapWatch(const MapWatch&) = delete;
  MapWatch& operator=(const MapWatch&) = delete;

  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
  // Asks at once; false when the map is to stop.
  bool Ask(std::size_t done);
  // After each vertex the calling thread tries; done counts the vertices taken so far.
  void Tick(std::size_t done) {
    if (progress_ == nullptr || ++sinceClockRead_ < every_) return;
    sinceClockRead_ = 0;
    AskIfDue(done);
  }
  // Asks when the last question is long enough ago.
  void AskIfDue(std::size_t done);

 private:
  MapProgress* const progress_;
  const std::size_t total_;
  const std::size_t every_;  // vertices between two readings of the clock
  std::size_t sinceClockRead_ = 0;
  std::chrono::steady_clock::time_point last_;
  std::atomic<bool> stop_{false};
};

// The maps of one change as one run for its watcher: each shape is a step named for the
// user and weighed by its vertices; a null shape (a sphere not loaded or not shown) has
// none. Enter a step before its map; the run ends with the MapRun.
class MapRun {
 public:
  struct Step {
    const char* name;
    const FstShape* shape;
  };
  MapRun(MapProgress* progress, std::initializer_list<Step> steps);
  ~MapRun();
  MapRun(const MapRun&) = delete;
  MapRun& operator=(const MapRun&) = delete;
  void Enter(int step);

 private:
  MapProgress* const progress_;
  std::vector<Step> steps_;
  std::vector<double> work_;
  double total_ = 0;
};

}  // namespace velmora
