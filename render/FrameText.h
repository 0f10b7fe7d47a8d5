#pragma once
// The text written over a finished frame: the reconstruction error in the top-left corner.
// One routine for every place that shows a frame, so that a window and a saved picture
// carry the same text in the same place.

#include <QString>

class QPainter;

namespace velmora {

// "%.6f" of the error; empty when it is not a finite number (nothing is written then).
QString FormatErrorText(double error);

// Writes text at (8, 8) of a client area width x height, black, in the painter's font.
void PaintErrorText(QPainter& painter, int width, int height, const QString& text);

}  // namespace velmora
