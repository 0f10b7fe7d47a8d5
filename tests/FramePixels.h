#pragma once
// Pixel counts over grabbed or rendered frames: the error text in the top-left corner and
// the score colours below it.

#include <QImage>
#include <algorithm>

namespace velmora::test {

// Dark pixels where the error text is written.
inline int DarkPixelsInTextCorner(const QImage& image) {
  int n = 0;
  for (int y = 4; y < 30; ++y)
    for (int x = 4; x < 120; ++x) n += qGray(image.pixel(x, y)) < 60;
  return n;
}

// Pixels below the text line whose channels spread by more than 60: the score colours, not
// greys or black.
inline int ColouredPixels(const QImage& image) {
  int n = 0;
  for (int y = 30; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      n += std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)}) > 60;
    }
  return n;
}

}  // namespace velmora::test
