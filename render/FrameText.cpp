#include "render/FrameText.h"

#include <cmath>
#include <cstdio>

namespace velmora {

std::string FormatErrorText(double error) {
  if (!std::isfinite(error)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", error);
  return text;
}

}  // namespace velmora
