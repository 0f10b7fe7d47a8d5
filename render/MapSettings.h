#pragma once
// How the error maps run: their worker threads, the level of their pair loop and who
// watches them. The owner of the maps (the workbench) keeps one value and passes it to
// every map; the maps' results depend on it only through the error kind. Core code: no
// OpenGL.

#include <cstddef>

#include "camera/ErrorKind.h"

namespace velmora {

// The levels of the maps' pair loop (MapKernel.h), plainest first.
enum class KernelLevel { kPlain, kBaseline, kAvx2Fma, kAvx512 };

// What a map tells the one who waits for it. The map calls Continue from its calling thread
// when it starts and then every few milliseconds of work, with the vertices taken so far
// out of the total; Continue returning false cancels the map: the shape keeps its colours
// and vertices and the memo its record, as if the map had not been asked for. A map that
// runs to its end gives the same result as without a watcher.
class MapProgress {
 public:
  virtual ~MapProgress() = default;
  virtual bool Continue(std::size_t done, std::size_t total) = 0;
  // After the last Continue of a map, whether it ended or was cancelled.
  virtual void Finished() = 0;
  // One change may map several shapes in a row (a view change remaps the main sphere and
  // both pan/tilt spheres); the owner shows them as one run (MapRun). Before each map of a
  // run it names the map and tells the run's work done before it and its own share, as
  // fractions of the run; until EndRun, Finished ends that map, not the run.
  virtual void StartStep(const char* name, double before, double share) {
    (void)name, (void)before, (void)share;
  }
  virtual void EndRun() {}
};

struct MapSettings {
  // Worker threads: 0 takes one per hardware thread, fewer for small maps (few vertices
  // times point pairs); n > 0 uses n (at most one per vertex).
  int threads = 0;
  // The best pair loop this processor runs or, to compare, a lower level; a level the
  // processor or the build lacks gives the best one. Scores agree within rounding
  // whatever the level.
  KernelLevel kernel = KernelLevel::kAvx512;
  // Asked now and then whether to go on; none lets every map run to its end.
  MapProgress* progress = nullptr;
  // Which error the maps score by.
  ErrorKind error = ErrorKind::kPlain;
};

}  // namespace velmora
