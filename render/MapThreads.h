#pragma once
// A map's trials on worker threads: in the maps' regular state (both views linked to each
// other, equal non-zero point counts, every point array long enough) threads take blocks
// of vertices, each on its own copy of the moving camera's parameters (MapTrials.h).
// Core code: no OpenGL.

#include <cstddef>
#include <optional>

#include "camera/CameraModel.h"
#include "render/MapSettings.h"
#include "render/MapTrials.h"
#include "render/MapWatch.h"

namespace velmora {

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
