#pragma once
// The text written over a finished frame, and a frame read back from OpenGL. One routine
// for every place that shows a frame, so that a window and a saved picture carry the same
// text in the same place.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// "%.6f" of the error; empty when it is not a finite number (nothing is written then).
std::string FormatErrorText(double error);

// A frame read back: width x height RGBA bytes, top row first, opaque.
struct FramePixels {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
};

}  // namespace velmora
