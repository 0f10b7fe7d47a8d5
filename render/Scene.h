#pragma once
// The main window's scene: what the observer sees and the display options.

#include "render/GlContext.h"

namespace velmora {

class Scene : public GlContext {
 public:
  Scene() = default;
  // Renders and presents one complete frame.
  void Draw();
};

}  // namespace velmora
