#pragma once
// Sample spheres as score maps: every vertex direction is tried as a camera setting and
// coloured by the reconstruction error it gives. Core code: no OpenGL.

#include <vector>

#include "camera/CameraModel.h"
#include "data/FstShape.h"
#include "render/ErrorColourScale.h"
#include "render/ErrorMapMemo.h"
#include "render/MapSettings.h"

namespace velmora {

// (azimuth, altitude) in radians of the camera direction through (x, y, z).
void DirectionToAngles(double x, double y, double z, double& azimuth, double& altitude);

// The maps colour by score from blue (best) to red (worst). When the scores give no range
// (all equal, none ordinary, or not finite) every vertex gets ScoreToColour(0) and, in
// radial mode, keeps its position as read. NaN scores count as outliers (red); so do, in
// the position map, scores of kRejectedScore and above. Only the vertices that
// sourceVertices holds are mapped, and colours and vertices are written only where their
// arrays have room. When no pair can be scored (no points yet), no trial runs: every score
// is log 0 (-inf), as the trials would give, and the colours are flat.
//
// With a memo, a map whose inputs (the cameras it reads, the point data, the sphere and
// what the last map left in it) are exactly as the previous map with that memo left them
// is not computed again: the result would be the same. A burst of change notifications
// with nothing changed costs one map. Without a memo every call computes.
//
// scores, when given, receives the raw score of every mapped vertex; such a call always
// computes. settings: threads, pair loop and watcher; the result does not depend on them.
//
// The second view's camera moves to every vertex direction (azimuth, altitude).
void MapScoreOverPositions(FstShape& shape, CameraModel& second,
                           std::vector<double>* scores = nullptr, ErrorMapMemo* memo = nullptr,
                           const MapSettings& settings = {});
// view turns toward every vertex direction (pan, tilt); the score is the second view's.
void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second,
                            std::vector<double>* scores = nullptr, ErrorMapMemo* memo = nullptr,
                            const MapSettings& settings = {});
// Always computes; a memo given records the result for the maps that follow.
void SetRadialScore(FstShape& shape, bool on, CameraModel& second, ErrorMapMemo* memo = nullptr,
                    const MapSettings& settings = {});

// How many maps have been computed (not skipped as unchanged) since the program started:
// a statistic of the process, whoever asked for the maps.
unsigned long long ErrorMapComputations();

}  // namespace velmora
