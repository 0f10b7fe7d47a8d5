#pragma once
// Pictures of the error landscape: a profile as a line over the parameter's values, a slice
// as a heat map in the error maps' colour scale. One painter for the window and for
// velmora-cli's PNG, so both show the same.

#include <QImage>
#include <QPointF>
#include <QRect>

#include "render/Landscape.h"

class QPainter;

namespace velmora {

// Where the plot's data go inside area: the frame of the axes and the ranges it spans.
struct LandscapeLayout {
  QRect plot;
  double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
  double errorMin = 0, errorMax = 1;  // the ordinary samples' errors
};
LandscapeLayout LayOutLandscape(const QRect& area, const LandscapeFigure& figure);

// Paints the figure into area with the painter's font: title, axes, the samples (rejected
// ones as gaps or grey cells), the current value marked, the fixed parameters listed.
void PaintLandscape(QPainter& painter, const QRect& area, const LandscapeFigure& figure);

// The figure on a white picture of width x height. Needs a Qt GUI application (fonts).
QImage LandscapeImage(const LandscapeFigure& figure, int width, int height);

// The sample under point (a profile: the one nearest along x; a slice: the cell), or -1.
int LandscapeSampleAt(const QRect& area, const LandscapeFigure& figure, const QPointF& point);

}  // namespace velmora
