#include "render/Scene.h"

namespace velmora {

void Scene::Draw() {
  if (!BeginFrame()) return;
  EndFrame();
}

}  // namespace velmora
