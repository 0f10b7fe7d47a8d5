#pragma once
// How an error map shows its scores on a sphere: the colour scale from blue (best) to red
// (worst), the range it spans, and the colours (and in radial mode the vertices) it
// writes. Core code: no OpenGL.

#include <vector>

#include "base/Vec3.h"
#include "data/FstShape.h"

namespace velmora {

// Blue (0) to red (1) over a saturated hue scale.
Vec3 ScoreToColour(double v);

// The range a map colours by: the least score, and the greatest one that is not an
// outlier (NaN, and in the position map kRejectedScore and above). False when no score
// gives a greatest one.
bool ScoreRange(const std::vector<double>& scores, double& min, double& max, bool positions = true);

// Colours vertex v by scores[v] and, in the radial position map, moves it in by its place
// on the scale, as the maps describe (ErrorMaps.h). False when the scores give no range,
// which min and max then hold.
bool ColourByScores(FstShape& shape, const std::vector<double>& scores, bool positions, double& min,
                    double& max);

// Zero-filled (black) colours for pointCount vertices; nothing for a pointCount of 0.
void AllocateVertexColours(FstShape& shape);
// Every vertex back where the file put it.
void RestoreVertices(FstShape& shape);

}  // namespace velmora
