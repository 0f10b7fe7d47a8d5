#pragma once
// The colour legend over the main window's frame: the error maps' colour scale between the
// main sphere's best and worst score, and what the number in the corner means. Painting
// only; the caller gives the range, so a window and a saved picture get the same legend.

#include <QRect>

#include "render/ErrorMaps.h"  // ScoreRange: the range the legend shows

class QFontMetrics;
class QPainter;

namespace velmora {

// The line that explains the number written in the frame's corner.
inline constexpr const char* kCornerNumberMeaning = "ln of the root of the summed squared gaps";
// The same for the baseline error.
inline constexpr const char* kBaselineNumberMeaning = "ln of the RMS gap per baseline";

// Where the legend goes in a frame of width x height: its box in the bottom-right corner,
// 8 pixels in, and the colour bar inside it (best score at the left end).
struct ColourLegendLayout {
  QRect box, bar;
};
ColourLegendLayout LayOutColourLegend(int width, int height, const QFontMetrics& metrics,
                                      ErrorKind kind = ErrorKind::kPlain);

// Paints the legend with the painter's font; nothing outside its box. A bound that is not
// a finite number is left out.
void PaintColourLegend(QPainter& painter, int width, int height, double min, double max,
                       ErrorKind kind = ErrorKind::kPlain);

}  // namespace velmora
