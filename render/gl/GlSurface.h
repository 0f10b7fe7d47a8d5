#pragma once
// What a GlContext needs of the window it draws into: a context that can be made current
// and released per operation, and a way to present the finished frame. The Qt side
// implements it on an OpenGL widget; render/ never sees a widget.

namespace velmora {

class GlSurface {
 public:
  virtual ~GlSurface() = default;
  // False when the window has no usable OpenGL context (yet).
  virtual bool MakeCurrent() = 0;
  virtual void DoneCurrent() = 0;
  virtual void SwapBuffers() = 0;
};

}  // namespace velmora
