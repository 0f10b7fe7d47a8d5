#pragma once
// What the drawing benchmarks share: the off-screen surface they time on, and the check
// that two ways of drawing gave the same picture.

#include <QImage>
#include <cstdio>
#include <string>

#include "render/gl/EglSurface.h"

namespace velmora::bench {

// False, and why on the error stream, when no OpenGL context can be had.
inline bool CreateSurface(EglSurface& surface, int width, int height) {
  std::string why;
  if (surface.Create(width, height, why)) return true;
  std::fprintf(stderr, "no OpenGL context: %s\n", why.c_str());
  return false;
}

// Pixels that differ between a and b (of one size), and pixels of a other than its
// top-left one, the background: a picture of nothing is no match.
struct PixelCounts {
  int differing = 0, drawn = 0;
};
inline PixelCounts ComparePixels(const QImage& a, const QImage& b) {
  PixelCounts counts;
  const QRgb background = a.pixel(0, 0);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      counts.differing += a.pixel(x, y) != b.pixel(x, y);
      counts.drawn += a.pixel(x, y) != background;
    }
  return counts;
}

}  // namespace velmora::bench
