#pragma once
// The OpenGL context and observer transform of one window. Every operation binds the
// context and releases it again, except BeginFrame, which leaves it bound for the
// owner's drawing until EndFrame.

#include "camera/CameraModel.h"
#include "render/DecodedImage.h"
#include "render/FrameState.h"
#include "render/gl/GlSurface.h"

namespace velmora {

// Published by every BeginFrame; the scene reads it in the same frame to order the FST
// object's faces by distance from the observer.
extern Vec3 EyeReferencePoint;

class GlContext {
 public:
  GlContext() = default;
  virtual ~GlContext() = default;

  void Init(GlSurface* surface);
  void Resize(int width, int height);
  void SetClearColor(float red, float green, float blue);
  void ToggleWireframe() { wireframe = !wireframe; }
  // False (and nothing drawn) when the window has no usable context.
  bool BeginFrame();
  void EndFrame();

  float clearRed = 0, clearGreen = 0, clearBlue = 0;
  bool wireframe = false;
  int textureWidth = 0, textureHeight = 0;
  int width = 0, height = 0;
  GlSurface* surface = nullptr;  // stands in for the device and rendering context
  ImageDecoder imageDecoder;     // how the picture files of its textures are read
  ObserverPose observer;
};

}  // namespace velmora
