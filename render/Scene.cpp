#include "render/Scene.h"

#include "render/ErrorMaps.h"

namespace velmora {

Scene::Scene(SceneView first, SceneView second, std::function<void(int)> announceSphere)
    : views{first, second} {
  loadedSphereCount =
      LoadSampleSpheres(sampleSpheres, loadedSpheres, *second.camera, announceSphere);
}

void Scene::Draw() {
  if (!BeginFrame()) return;
  EndFrame();
}

void Scene::SelectMainSphere(int index, bool on) {
  mainSphere = nullptr;
  if (!on || index < 0 || index >= loadedSphereCount) return;
  mainSphere = loadedSpheres[index];
  SetRadialScore(*mainSphere, distanceMode, *views[1].camera);
}

void Scene::SetDistanceMode(bool on) {
  distanceMode = on;
  if (mainSphere != nullptr) SetRadialScore(*mainSphere, distanceMode, *views[1].camera);
}

void Scene::SetShowPlane(bool on) {
  showPlane = on;
}

void Scene::RemapMainSphere() {
  if (mainSphere != nullptr) MapScoreOverPositions(*mainSphere, *views[1].camera);
}

void Scene::DrawPlane() {}

}  // namespace velmora
