#pragma once
// A finished frame as a picture: the read-back pixels as a QImage, and the error text
// painted over a frame in a window or a picture alike.

#include <QImage>
#include <QString>

#include "render/FrameText.h"

class QPainter;

namespace velmora {

// Writes text at (8, 8) of a client area width x height, black, in the painter's font.
void PaintErrorText(QPainter& painter, int width, int height, const QString& text);

// The pixels as an opaque 32-bit picture; a null picture for an empty frame.
QImage FrameImage(const FramePixels& pixels);

}  // namespace velmora
