#pragma once
// Drawing without a window: a GlSurface on an offscreen context drawing into a framebuffer
// object (read back pixel by pixel), a fixture holding a GlContext initialised on one,
// and capture of what a drawing call hands to OpenGL through the feedback mode.

#include <GL/gl.h>
#include <GL/glu.h>

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/gl/GlContext.h"
#include "render/gl/GlSurface.h"
#include "render/image/ImageDecode.h"
#include "tests/TestSupport.h"

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

 private:
  QOffscreenSurface surface_;
  QOpenGLContext context_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
};

struct FeedbackVertex {
  float x, y, z, r, g, b, a;  // window coordinates and colour
};

struct FeedbackPrimitive {
  GLenum kind;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN (a reset counts as a line), GL_POINT_TOKEN
  std::vector<FeedbackVertex> vertices;
};

// What draw hands to OpenGL: culling and clipping apply, nothing reaches the pixels.
inline std::vector<FeedbackPrimitive> CaptureFeedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 22);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<FeedbackPrimitive> out;
  for (GLint i = 0; i < used;) {
    const GLenum token = static_cast<GLenum>(buffer[i++]);
    FeedbackPrimitive p{token, {}};
    int count = 1;
    if (token == GL_POLYGON_TOKEN) {
      count = static_cast<int>(buffer[i++]);
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      p.kind = GL_LINE_TOKEN, count = 2;
    } else if (token != GL_POINT_TOKEN) {
      return out;  // nothing these tests draw: stop rather than misread
    }
    for (int k = 0; k < count; ++k, i += 7)
      p.vertices.push_back({buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 3], buffer[i + 4],
                            buffer[i + 5], buffer[i + 6]});
    out.push_back(std::move(p));
  }
  return out;
}

inline int CountKind(const std::vector<FeedbackPrimitive>& primitives, GLenum kind) {
  int n = 0;
  for (const auto& p : primitives) n += p.kind == kind;
  return n;
}

// Window position of a scene point under the current matrices and viewport.
inline Vec3 ToWindow(const Vec3& p) {
  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  Vec3 w;
  gluProject(p.x, p.y, p.z, model, projection, viewport, &w.x, &w.y, &w.z);
  return w;
}

// A context on an offscreen surface, initialised and sized; Capture runs drawing calls
// inside a frame and returns what they handed to OpenGL.
class OffscreenTest : public testing::Test {
 protected:
  OffscreenTest(int width, int height) : surface(width, height) {
    context.Init(&surface);
    context.imageDecoder = DecodeImageFile;
    context.Resize(width, height);
  }
  std::vector<FeedbackPrimitive> Capture(const std::function<void()>& draw) {
    EXPECT_TRUE(context.BeginFrame());
    auto primitives = CaptureFeedback(draw);
    context.EndFrame();
    return primitives;
  }
  OffscreenSurface surface;
  GlContext context;
};

}  // namespace velmora::test
