#pragma once
// A GlSurface without a window: an offscreen context drawing into a framebuffer object,
// so a GlContext can be driven and read back pixel by pixel; and a test fixture holding
// a context initialised on one.

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <memory>

#include <gtest/gtest.h>

#include "render/gl/GlContext.h"
#include "render/gl/GlSurface.h"
#include "render/image/ImageDecode.h"

namespace velmora::test {

class OffscreenSurface : public GlSurface {
 public:
  OffscreenSurface(int width, int height) {
    surface_.create();
    context_.create();
    context_.makeCurrent(&surface_);
    fbo_ = std::make_unique<QOpenGLFramebufferObject>(
        width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
    context_.doneCurrent();
  }
  bool MakeCurrent() override {
    if (!context_.makeCurrent(&surface_)) return false;
    fbo_->bind();
    ++makeCurrentCalls;
    return true;
  }
  void DoneCurrent() override { context_.doneCurrent(); }
  void SwapBuffers() override { context_.functions()->glFinish(); }
  QImage Grab() {
    context_.makeCurrent(&surface_);
    QImage image = fbo_->toImage();
    context_.doneCurrent();
    return image;
  }
  bool IsCurrent() const { return QOpenGLContext::currentContext() == &context_; }
  int makeCurrentCalls = 0;

 private:
  QOffscreenSurface surface_;
  QOpenGLContext context_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
};

// A context on an offscreen surface, initialised and sized.
class OffscreenTest : public testing::Test {
 protected:
  OffscreenTest(int width, int height) : surface(width, height) {
    context.Init(&surface);
    context.imageDecoder = DecodeImageFile;
    context.Resize(width, height);
  }
  OffscreenSurface surface;
  GlContext context;
};

}  // namespace velmora::test
