#pragma once
// A finished frame as a picture: the read-back pixels as a QImage, the texts painted over
// a frame in a window or a picture alike, and the picture saved as a PNG file.

#include <QImage>
#include <QString>
#include <string>

#include "render/FrameText.h"

class QPainter;

namespace velmora {

class Workbench;

// Writes text at (8, 8) of a client area width x height, black, in the painter's font.
void PaintErrorText(QPainter& painter, int width, int height, const QString& text);

// The colour legend's bounds: the range the main sphere's map coloured by; NaN when there
// is no main sphere or no range to show.
void LegendRange(const Workbench& workbench, double& min, double& max);

// Everything written over a saved frame of width x height: the second view's error in the
// corner and, when legend is set, the colour legend of the main sphere's range. F3 and
// velmora-cli render both paint through here, so their pictures stay the same.
void PaintFrameTexts(QPainter& painter, int width, int height, const Workbench& workbench,
                     bool legend);

// The pixels as an opaque 32-bit picture; a null picture for an empty frame.
QImage FrameImage(const FramePixels& pixels);

// Encodes image as a PNG in memory, then writes it as path through WriteWholeFile, so that
// a failed write, flush or close is reported ("cannot write PATH: REASON" in why) and
// leaves an older file of that name whole. Every PNG the program saves goes through here.
bool WritePngFile(const QImage& image, const std::string& path, std::string& why);

}  // namespace velmora
