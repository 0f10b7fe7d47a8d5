#pragma once
// Captures what a drawing call hands to OpenGL, in window coordinates, through the feedback
// render mode: culling and clipping apply, nothing reaches the pixels.

#include <GL/gl.h>
#include <GL/glu.h>

#include <functional>
#include <vector>

#include "camera/CameraModel.h"
#include "tests/render/gl/OffscreenSurface.h"

namespace velmora::test {

struct FeedbackVertex {
  float x, y, z, r, g, b, a;
};

struct FeedbackPrimitive {
  GLenum kind;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN (a reset counts as a line), GL_POINT_TOKEN
  std::vector<FeedbackVertex> vertices;
};

inline std::vector<FeedbackPrimitive> CaptureFeedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 22);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<FeedbackPrimitive> out;
  auto vertex = [&](GLint& i) {
    FeedbackVertex v{buffer[i],     buffer[i + 1], buffer[i + 2], buffer[i + 3],
                     buffer[i + 4], buffer[i + 5], buffer[i + 6]};
    i += 7;
    return v;
  };
  for (GLint i = 0; i < used;) {
    const GLenum token = static_cast<GLenum>(buffer[i++]);
    FeedbackPrimitive p{token, {}};
    int count = 0;
    switch (token) {
      case GL_POLYGON_TOKEN:
        count = static_cast<int>(buffer[i++]);
        break;
      case GL_LINE_TOKEN:
      case GL_LINE_RESET_TOKEN:
        p.kind = GL_LINE_TOKEN, count = 2;
        break;
      case GL_POINT_TOKEN:
      case GL_BITMAP_TOKEN:
      case GL_DRAW_PIXEL_TOKEN:
      case GL_COPY_PIXEL_TOKEN:
        count = 1;
        break;
      case GL_PASS_THROUGH_TOKEN:
        ++i;
        break;
      default:
        return out;  // not a token: stop rather than misread
    }
    for (int k = 0; k < count; ++k) p.vertices.push_back(vertex(i));
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

// A square offscreen context whose drawing calls, run inside a frame, are captured.
class FeedbackTest : public OffscreenTest {
 protected:
  explicit FeedbackTest(int size) : OffscreenTest(size, size) {}
  std::vector<FeedbackPrimitive> Capture(const std::function<void()>& draw) {
    EXPECT_TRUE(context.BeginFrame());
    auto primitives = CaptureFeedback(draw);
    context.EndFrame();
    return primitives;
  }
};

}  // namespace velmora::test
