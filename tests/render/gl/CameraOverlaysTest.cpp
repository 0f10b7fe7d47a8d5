#include "render/gl/CameraOverlays.h"

#include <GL/gl.h>

#include <cmath>

#include "tests/render/gl/Feedback.h"
#include "tests/render/gl/SceneTestSupport.h"

namespace velmora {
namespace {

using test::CaptureFeedback;
using test::CountKind;
using test::FeedbackPrimitive;
using test::RecordingFeed;
using test::ToWindow;
using test::ViewPair;

OverlayOptions Only(bool camera, bool rays, bool meanRay = false, bool azAlt = false) {
  OverlayOptions o;
  o.showCamera = camera, o.showRays = rays, o.showMeanRay = meanRay, o.showAzAltSphere = azAlt;
  return o;
}

class Overlays : public test::FeedbackTest {
 protected:
  Overlays() : FeedbackTest(400) {}
  std::vector<FeedbackPrimitive> Draw(const CameraModel& view, int index,
                                      const OverlayOptions& options) {
    return Capture([&] { DrawOverlays(view, index, options, nullptr, &feed); });
  }
  ViewPair views;
  RecordingFeed feed;
};

TEST_F(Overlays, AViewWithoutPointsDrawsOnlyItsGlyph) {
  const auto primitives = Draw(views.first, 0, OverlayOptions{});
  // The rectangle, two edges to the centre, and the other two edges: 6 + 2 segments.
  EXPECT_EQ(CountKind(primitives, GL_LINE_TOKEN), 8);
  EXPECT_EQ(CountKind(primitives, GL_POLYGON_TOKEN), 0);
  EXPECT_TRUE(feed.points.empty());
  EXPECT_EQ(feed.centers + feed.invalidations, 0);
  // Even with the mean ray asked for: no points, no mean.
  EXPECT_EQ(CountKind(Draw(views.first, 0, Only(false, true, true)), GL_LINE_TOKEN), 0);
}

TEST_F(Overlays, RaysFeedTheVectorsWindowWithTheGaps) {
  views.Load({-1, 0.5, 2}, {1, -0.5, 0.25}, {-0.8, 0.4, 1.5}, {0.9, -0.6, 0.5});
  const auto primitives = Draw(views.first, 0, Only(false, true));
  EXPECT_EQ(CountKind(primitives, GL_LINE_TOKEN), 6);  // 12 vertices
  ASSERT_EQ(feed.points.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const Vec3 r = views.first.rayPoints[i], q = views.second.rayPoints[i];
    EXPECT_EQ(feed.points[i].i, 3 * i);
    EXPECT_THAT((Vec3{feed.points[i].x, feed.points[i].y, feed.points[i].z}),
                test::Vec3Near(Vec3{q.x - r.x, q.y - r.y, q.z - r.z}, 1e-12));
  }
  EXPECT_EQ(feed.centers, 1);
  EXPECT_EQ(feed.invalidations, 1);
  // The second segment of a pair ends at the reconstructed point, in the pair's colour.
  ASSERT_TRUE(context.BeginFrame());
  Vec3 mid;
  views.first.GetMidpoint(1, mid);
  const Vec3 expected = ToWindow(mid);
  context.EndFrame();
  const auto& segment = primitives.at(3);
  EXPECT_NEAR(segment.vertices[1].x, expected.x, 0.05);
  EXPECT_NEAR(segment.vertices[1].y, expected.y, 0.05);
  EXPECT_NEAR(segment.vertices[1].r, views.first.pointColors[1].x, 1e-3);
}

TEST_F(Overlays, MeanRayEndsTwelveTimesOutAndTheSecondViewsRisesByNinePercentPerPoint) {
  const std::vector<double> x{-1, 0.5, 2}, y{1, -0.5, 0.25};
  views.Load(x, y, x, y);
  views.second.SetAzAlt(0, 0);  // both cameras alike, so only the 0.45 tells them apart
  views.Update();
  for (int index : {0, 1}) {
    const CameraModel& view = index == 0 ? views.first : views.second;
    ASSERT_TRUE(context.BeginFrame());
    Vec3 m{0, index == 1 ? 0.45 : 0.0, 0};
    for (const Vec3& p : view.planePoints) m.x += p.x, m.y += p.y, m.z += p.z;
    m = Vec3{m.x / 3, m.y / 3, m.z / 3};
    const Vec3 c = view.cameraPosition;
    const Vec3 end =
        ToWindow(Vec3{c.x + 12 * (m.x - c.x), c.y + 12 * (m.y - c.y), c.z + 12 * (m.z - c.z)});
    GLint depthBefore, depthAfter;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    const auto primitives = CaptureFeedback(
        [&] { DrawOverlays(view, index, Only(false, false, true), nullptr, &feed); });
    GLfloat width;
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    context.EndFrame();
    ASSERT_EQ(CountKind(primitives, GL_LINE_TOKEN), 1) << index;
    EXPECT_GT(CountKind(primitives, GL_POLYGON_TOKEN), 0);  // the sphere at the mean
    const auto& line = primitives.back();
    EXPECT_NEAR(line.vertices[1].x, end.x, 0.05) << index;
    EXPECT_NEAR(line.vertices[1].y, end.y, 0.05) << index;
    EXPECT_EQ(line.vertices[1].r + line.vertices[1].g + line.vertices[1].b, 0.0f);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(depthBefore, depthAfter);
  }
}

TEST_F(Overlays, PositionSphereIsDrawnAsLinesThroughTheCamera) {
  views.Load({-1, 0.5}, {1, -0.5}, {-0.8, 0.4}, {0.9, -0.6});
  ASSERT_TRUE(context.BeginFrame());
  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  // The image points are filled spheres; the position sphere after them is still lines.
  const auto primitives = CaptureFeedback(
      [&] { DrawOverlays(views.first, 0, Only(true, false, false, true), nullptr, &feed); });
  context.EndFrame();
  int onSphere = 0;
  for (const auto& p : primitives) {
    if (p.kind != GL_LINE_TOKEN) continue;
    Vec3 s;
    gluUnProject(p.vertices[0].x, p.vertices[0].y, p.vertices[0].z, model, projection, viewport,
                 &s.x, &s.y, &s.z);
    onSphere +=
        std::abs(std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z) - views.first.orbitRadius) < 0.5;
  }
  EXPECT_GT(onSphere, 1000);
  EXPECT_EQ(CountKind(primitives, GL_POLYGON_TOKEN) > 0, true);
  const Vec3 c = views.first.cameraPosition;
  EXPECT_NEAR(std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z), views.first.orbitRadius, 1e-9);
}

}  // namespace
}  // namespace velmora
