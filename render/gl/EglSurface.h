#pragma once
// An OpenGL context without any display server: EGL on Mesa's surfaceless platform with a
// pbuffer the size of the picture. It stands in for a window so that GlContext and Scene
// draw exactly as they do in the workbench, and the finished frame is read back.

#include <string>

#include "render/FrameText.h"
#include "render/gl/GlSurface.h"

namespace velmora {

class EglSurface : public GlSurface {
 public:
  EglSurface() = default;
  ~EglSurface() override;
  EglSurface(const EglSurface&) = delete;
  EglSurface& operator=(const EglSurface&) = delete;

  // Creates a desktop OpenGL (compatibility) context and a width x height pbuffer with
  // 24-bit colour and depth. False with the reason in why when any step fails.
  bool Create(int width, int height, std::string& why);

  bool MakeCurrent() override;
  void DoneCurrent() override;
  // A pbuffer is not presented: the frame is finished, ready to be read back.
  void SwapBuffers() override;

  // The pbuffer's pixels, top row first, opaque.
  FramePixels ReadPixels();

 private:
  void* display_ = nullptr;  // EGLDisplay
  void* context_ = nullptr;  // EGLContext
  void* surface_ = nullptr;  // EGLSurface
  int width_ = 0, height_ = 0;
};

}  // namespace velmora
