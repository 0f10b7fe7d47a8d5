#pragma once
// Sample spheres as score maps: every vertex direction is tried as a camera setting and
// coloured by the reconstruction error it gives. Core code: no OpenGL.

#include <functional>
#include <vector>

#include "camera/CameraModel.h"
#include "data/FstShape.h"

namespace velmora {

constexpr const char* kSampleSphereFiles[5] = {"sphere100.fsd", "sphere1K.fsd", "sphere5K.fsd",
                                               "sphere10K.fsd", "sphere100K.fsd"};
constexpr int kSampleSphereSizes[5] = {100, 1000, 5000, 10000, 100000};

// (azimuth, altitude) in radians of the camera direction through (x, y, z).
void DirectionToAngles(double x, double y, double z, double& azimuth, double& altitude);

// Blue (0) to red (1) over a saturated hue scale.
Vec3 ScoreToColour(double v);

// Zero-filled (black) colours for pointCount vertices; nothing for a pointCount of 0.
void AllocateVertexColours(FstShape& shape);
void RestoreVertices(FstShape& shape);
// The maps colour by score from blue (best) to red (worst). When the scores give no range
// (all equal, none ordinary, or not finite) every vertex gets ScoreToColour(0) and, in
// radial mode, keeps its position as read. NaN scores count as outliers (red). Only the
// vertices that sourceVertices holds are mapped, and colours and vertices are written
// only where their arrays have room.
//
// A map whose inputs (the cameras it reads, the point data, the sphere and what the last
// map left in it) are exactly as its own previous run on this shape left them is not
// computed again: the result would be the same. A burst of change notifications with
// nothing changed costs one map. SetRadialScore always computes.
//
// scores, when given, receives the raw score of every mapped vertex; such a call always
// computes.
//
// The second view's camera moves to every vertex direction (azimuth, altitude).
void MapScoreOverPositions(FstShape& shape, CameraModel& second,
                           std::vector<double>* scores = nullptr);
// view turns toward every vertex direction (pan, tilt); the score is the second view's.
void MapScoreOverDirections(FstShape& shape, CameraModel& view, CameraModel& second,
                            std::vector<double>* scores = nullptr);
void SetRadialScore(FstShape& shape, bool on, CameraModel& second);

// How many maps have been computed (not skipped as unchanged) since the program started.
unsigned long long ErrorMapComputations();

// Reads the five sample spheres into spheres[] and packs the loaded ones into loaded[],
// announcing each with its nominal size, allocating colours and mapping positions.
// Returns the number loaded.
int LoadSampleSpheres(FstShape (&spheres)[5], FstShape* (&loaded)[5], CameraModel& second,
                      const std::function<void(int size)>& announce);

// Worker threads for the maps: 0 (the default) takes one per hardware thread, fewer for
// small spheres; n > 0 uses n (at most one per vertex). Results do not depend on it.
// Returns the previous setting.
int SetErrorMapThreads(int count);

}  // namespace velmora
