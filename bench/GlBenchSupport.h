#pragma once
// What the drawing benchmarks share: the off-screen surface they time on.

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

}  // namespace velmora::bench
