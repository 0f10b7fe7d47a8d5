#include "render/gl/GlContext.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "render/ObserverMath.h"
#include "tests/TestSupport.h"
#include "tests/render/gl/OffscreenSurface.h"

namespace velmora {
namespace {

using test::Vec3Near;

constexpr double kDeg = std::numbers::pi / 180.0;

TEST(ObserverMath, EyeReferencePointAndAspectRatio) {
  // A fresh context's pose; at distance 50 the eye point is the point of rotation.
  const double c = std::cos(kDeg), s = std::sin(kDeg);
  EXPECT_THAT(ComputeEyeReferencePoint(400, 1, -1),
              Vec3Near(Vec3{350 * c * s, 350 * s, 350 * c * c}, 1e-9));
  EXPECT_THAT(ComputeEyeReferencePoint(50, 33, 71), Vec3Near(Vec3{0, 0, 0}, 1e-12));
  EXPECT_DOUBLE_EQ(AspectRatio(640, 480), 4.0 / 3.0);
  EXPECT_DOUBLE_EQ(AspectRatio(640, 0), 640.0);  // zero height counts as one
}

class GlContextTest : public test::OffscreenTest {
 protected:
  GlContextTest() : OffscreenTest(64, 48) {
    context.SetClearColor(0.5f, 0.5f, 0.5f);
    context.Resize(64, 48);
  }
  QRgb FramePixel() {
    EXPECT_TRUE(context.BeginFrame());
    context.EndFrame();
    EXPECT_FALSE(surface.IsCurrent()) << "EndFrame releases the context";
    return surface.Grab().pixel(10, 10);
  }
};

TEST_F(GlContextTest, ClearColourTakesEffectAtTheNextResize) {
  EXPECT_EQ(qGray(FramePixel()), 128);
  context.SetClearColor(1, 1, 1);
  EXPECT_EQ(qGray(FramePixel()), 128);
  context.Resize(64, 48);
  EXPECT_EQ(qGray(FramePixel()), 255);
}

TEST_F(GlContextTest, ResizeSetsTheProjectionAndViewport) {
  for (auto [w, h, aspect] : {std::tuple{640, 480, 4.0 / 3.0}, std::tuple{100, 0, 100.0}}) {
    context.Resize(w, h);
    ASSERT_TRUE(context.BeginFrame());
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const bool state = glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_BLEND);
    context.EndFrame();
    // OpenGL keeps its matrices in single precision.
    EXPECT_NEAR(projection[5] / projection[0], aspect, aspect * 1e-6);
    EXPECT_NEAR(projection[5], 1.0 / std::tan(30 * kDeg), 1e-6);  // 60 degrees field of view
    EXPECT_EQ(viewport[2], w);
    EXPECT_EQ(viewport[3], h);
    EXPECT_TRUE(state);
  }
}

TEST_F(GlContextTest, BeginFrameLoadsTheObserverAndPublishesTheEyePoint) {
  context.distance = 123;
  context.offsetX = 4, context.offsetY = -5, context.offsetZ = 6;
  context.angleX = 20, context.angleY = -35, context.angleZ = 15;
  ASSERT_TRUE(context.BeginFrame());
  GLdouble modelview[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  context.EndFrame();
  double expected[16];
  ObserverMatrix(123, 4, -5, 6, 20, -35, 15, expected);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(modelview[i], expected[i], 1e-5 * (1 + std::abs(expected[i]))) << i;
  // Neither the roll nor the offsets enter the eye point.
  EXPECT_THAT(EyeReferencePoint, Vec3Near(ComputeEyeReferencePoint(123, 20, -35), 1e-12));
  // It lies on the view axis, 50 in front of the eye relative to the point of rotation.
  const Vec3 e = EyeReferencePoint;
  const double px = e.x - 4, py = e.y + 5, pz = e.z - 6;  // undo the offset
  EXPECT_NEAR(expected[2] * px + expected[6] * py + expected[10] * pz + expected[14], -50.0, 1e-9);
}

TEST_F(GlContextTest, WireframeToggles) {
  for (GLint expected : {GL_FILL, GL_LINE, GL_FILL}) {
    ASSERT_TRUE(context.BeginFrame());
    GLint mode[2];
    glGetIntegerv(GL_POLYGON_MODE, mode);
    context.EndFrame();
    EXPECT_EQ(mode[0], expected);
    context.ToggleWireframe();
  }
}

TEST(GlContextWithoutWindow, DrawsNothingAndKeepsTheSize) {
  GlContext context;
  context.Resize(300, 200);
  EXPECT_EQ(context.width, 300);
  EXPECT_FALSE(context.BeginFrame());
}

}  // namespace
}  // namespace velmora
