// The whole scene drawn offscreen, and the camera overlays captured through feedback.

#include "render/gl/Scene.h"

#include <GL/gl.h>
#include <dlfcn.h>

#include <QImage>
#include <cmath>
#include <memory>
#include <random>

#include "base/Vec3.h"
#include "data/VectorData.h"
#include "render/gl/CameraOverlays.h"
#include "tests/render/gl/GlTestSupport.h"

// The calls the overlays make per point or per ray, counted on their way to the library.
namespace {
long g_glCalls = 0;
template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
}  // namespace
extern "C" {
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) {
  static const auto next = Next<void (*)(GLdouble, GLdouble, GLdouble)>("glVertex3d");
  ++g_glCalls, next(x, y, z);
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  static const auto next = Next<void (*)(GLfloat, GLfloat, GLfloat)>("glVertex3f");
  ++g_glCalls, next(x, y, z);
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
  static const auto next = Next<void (*)(GLdouble, GLdouble, GLdouble)>("glTranslated");
  ++g_glCalls, next(x, y, z);
}
void glCallList(GLuint list) {
  static const auto next = Next<void (*)(GLuint)>("glCallList");
  ++g_glCalls, next(list);
}
}

namespace velmora {
namespace {

using test::CaptureFeedback;
using test::CountKind;
using test::FeedbackPrimitive;
using test::MessageRecorder;
using test::ScopedCurrentDir;
using test::TempDir;
using test::ToWindow;

struct RecordingFeed : VectorsFeed {
  struct Point {
    int i;
    double x, y, z;
  };
  void SetPoint(int i, double x, double y, double z) override { points.push_back({i, x, y, z}); }
  void ComputeCenter() override { ++centers; }
  void Invalidate() override { ++invalidations; }
  std::vector<Point> points;
  int centers = 0, invalidations = 0;
};

// The first view at its default pose, the second at the demo's (azimuth 0.6, altitude -0.2).
struct ViewPair {
  ViewPair() {
    first.otherView = &second;
    second.otherView = &first;
    second.SetAzAlt(0.6, -0.2);
    Update();
  }
  void Update() {
    first.UpdateCamera(0);
    second.UpdateCamera(0);
  }
  // n points per view.
  void Load(const std::vector<double>& x1, const std::vector<double>& y1,
            const std::vector<double>& x2, const std::vector<double>& y2) {
    LoadImagePoints(first, x1.data(), y1.data(), static_cast<int>(x1.size()));
    LoadImagePoints(second, x2.data(), y2.data(), static_cast<int>(x2.size()));
    Update();
  }
  bool LoadDemo() {
    VectorData data;
    if (!ReadVectorData("demo.dtx", data)) return false;
    Load(data.firstX, data.firstY, data.secondX, data.secondY);
    return true;
  }
  CameraModel first, second;
};

// Pixels of exactly this colour inside area.
int Count(const QImage& image, QRgb colour, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += (image.pixel(x, y) & 0xffffff) == colour;
  return n;
}

int Differing(const QImage& a, const QImage& b, int* bluish = nullptr) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) {
        ++n;
        const QRgb c = b.pixel(x, y);
        if (bluish && qBlue(c) > qRed(c) + 10 && qBlue(c) > qGreen(c) + 10) ++*bluish;
      }
  return n;
}

class SceneDrawing : public testing::Test {
 protected:
  static constexpr int kWidth = 320, kHeight = 240;
  SceneDrawing() : surface(kWidth, kHeight) {
    scene = std::make_unique<Scene>(workbench, SceneView{&firstOptions, &firstFeed},
                                    SceneView{&secondOptions, &secondFeed});
    scene->Init(&surface);
    scene->imageDecoder = DecodeImageFile;
    scene->SetClearColor(0.5f, 0.5f, 0.5f);
    scene->Resize(kWidth, kHeight);
  }
  QImage Render() {
    scene->Draw();
    return surface.Grab();
  }
  // Without axes, seen from above rather than edge-on.
  void LookAtThePlane() {
    scene->SetShowAxes(false);
    scene->observer.angleX = scene->observer.angleY = 20;
    scene->observer.distance = 150;
  }
  test::OffscreenSurface surface;
  ViewPair views;
  Workbench workbench{views.first, views.second};
  OverlayOptions firstOptions, secondOptions;
  RecordingFeed firstFeed, secondFeed;
  std::unique_ptr<Scene> scene;
};

TEST_F(SceneDrawing, CentreMarkerTakesTheBlueOfTheZAxis) {
  scene->observer.offsetX = 60;  // the point of rotation, in the middle of the view, off the axes
  const QRect centre(kWidth / 2 - 8, kHeight / 2 - 8, 17, 17);
  EXPECT_EQ(Count(Render(), 0x0000ff, centre), 0);
  scene->ToggleCentreMode();
  EXPECT_GT(Count(Render(), 0x0000ff, centre), 20);
  scene->SetScale(3.0f);  // its size does not follow the scale
  EXPECT_LT(Count(Render(), 0x0000ff, centre), 17 * 17);
  scene->SetScale(0.0f);
  EXPECT_EQ(scene->scale, 1.0f);
}

// The plane's texture is loaded when the plane is first shown, behind a wait notice; the
// plane is the picture tinted blue. (That one point spans no plane, PlaneGeometry pins.)
TEST_F(SceneDrawing, PlaneNeedsTwoPointsAndItsTextureLoadsOnce) {
  LookAtThePlane();
  std::vector<bool> notices;
  scene->showWaitNotice = [&](bool show) { notices.push_back(show); };
  ASSERT_TRUE(views.LoadDemo());
  const QImage off = Render();
  scene->SetShowPlane(true);
  EXPECT_THAT(notices, testing::ElementsAre(true, false));
  EXPECT_GT(scene->planeTexture, 0);
  EXPECT_EQ(scene->textureWidth, 250);
  const int name = scene->planeTexture;
  scene->SetShowPlane(false);
  scene->SetShowPlane(true);
  EXPECT_EQ(notices.size(), 2u);
  EXPECT_EQ(scene->planeTexture, name);
  firstFeed.points.clear(), secondFeed.points.clear();
  int bluish = 0;
  const int changed = Differing(off, Render(), &bluish);
  EXPECT_GT(changed, 2000);
  EXPECT_GT(bluish, changed * 4 / 5);
  // Each view feeds its own Vectors window with its own gaps.
  EXPECT_EQ(firstFeed.points.at(1).x, -secondFeed.points.at(1).x);
}

VectorData RandomPairs(int n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> along(-2.5, 2.5);
  VectorData data;
  data.count = n;
  for (auto* v : {&data.firstX, &data.firstY, &data.secondX, &data.secondY})
    for (int i = 0; i < n; ++i) v->push_back(along(random));
  return data;
}

// The kept overlay lists give the pixels the calls made afresh give, right after each
// change of what they show: a list left stale, or a sphere left out that reaches a pixel,
// differs. Far off the spheres are below a pixel, close up they are large and cut by the
// near plane; outlines reach pixels that no filled triangle does.
TEST_F(SceneDrawing, KeptOverlayListsDrawTheSamePixelsAsFreshCallsAfterEveryChange) {
  firstOptions.showRays = false;  // rays through the spheres would hide them
  QImage last = Render();
  const auto expectSame = [&](const char* after) {
    scene->keepOverlayLists = true;
    const QImage kept = Render();
    scene->keepOverlayLists = false;
    EXPECT_EQ(Differing(kept, Render()), 0) << after;
    EXPECT_GT(Differing(last, kept), 0) << after;  // the change shows
    last = kept;
  };
  workbench.LoadPointPairs(RandomPairs(2000, 1));
  expectSame("load");
  workbench.LoadPointPairs(RandomPairs(2000, 2));
  expectSame("new points");
  views.second.SetAzAlt(0.3, 0.1);
  views.Update();
  expectSame("second pose");
  secondOptions.showCamera = false;
  expectSame("second glyph off");
  scene->ToggleWireframe();
  expectSame("outlines");
  scene->ToggleWireframe();
  scene->observer.distance = 60;
  expectSame("closer");
  scene->observer.distance = 12;
  scene->observer.offsetZ = -38;
  expectSame("at the image plane");
}

// Up to a hundred thousand rays a view draws every one; beyond, every k-th pair's ray and
// gap, at most a hundred thousand.
TEST_F(SceneDrawing, BeyondAHundredThousandRaysEveryKthIsDrawn) {
  firstOptions.showCamera = secondOptions.showCamera = secondOptions.showRays = false;
  scene->keepOverlayLists = false;
  long calls[2];
  for (int k : {0, 1}) {
    workbench.LoadPointPairs(RandomPairs(100000 + k, 5));
    g_glCalls = 0;
    Render();
    calls[k] = g_glCalls;
  }
  EXPECT_EQ(calls[0] - 4 * 100000, calls[1] - 4 * 50001);
}

// After the frame that builds them, a frame replays the lists: as many calls for ten
// times the pairs.
TEST_F(SceneDrawing, ARepeatedFrameMakesAsManyCallsForTenTimesThePairs) {
  long calls[2];
  for (int k : {0, 1}) {
    workbench.LoadPointPairs(RandomPairs(k == 0 ? 300 : 3000, 3));
    Render();
    g_glCalls = 0;
    Render();
    calls[k] = g_glCalls;
  }
  EXPECT_EQ(calls[0], calls[1]);
  scene->keepOverlayLists = false;  // made afresh, the calls are counted
  g_glCalls = 0;
  Render();
  EXPECT_GT(g_glCalls, 3000 * 100);
}

TEST(PlaneGeometry, HalfDiagonalsSpanThePlaneAtAHundredObserverUnits) {
  CameraModel first, second;
  first.otherView = &second, second.otherView = &first;
  for (CameraModel* v : {&first, &second}) v->AllocatePoints(2);
  first.rayPoints[1] = Vec3{1, 2, 3};
  second.rayPoints[1] = Vec3{3, 2, 1};  // point 1 reconstructs at (2, 2, 2)
  first.cameraPosition = Vec3{2, 2, 52};
  second.cameraPosition = Vec3{42, 2, 32};
  Vec3 o, e, h;
  ASSERT_TRUE(PlaneGeometry(first, second, 4.0f, o, e, h));
  EXPECT_THAT(o, test::Vec3Near(Vec3{2, 2, 2}, 1e-12));
  EXPECT_THAT(h, test::Vec3Near(Vec3{0, 0, 25}, 1e-12));   // toward the first camera
  EXPECT_THAT(e, test::Vec3Near(Vec3{-25, 0, 0}, 1e-12));  // in the plane y = 2, across h
  // In general position too the plane holds both cameras: what of the second camera's
  // offset from the point is not along h lies along e.
  first.cameraPosition = Vec3{2, 12, 52};
  second.cameraPosition = Vec3{42, 32, 12};
  ASSERT_TRUE(PlaneGeometry(first, second, 4.0f, o, e, h));
  const Vec3 b = Sub(second.cameraPosition, o);
  const Vec3 v = Along(b, -Dot(b, h) / Dot(h, h), h);
  EXPECT_NEAR(std::abs(Dot(v, e)), std::sqrt(Dot(v, v) * Dot(e, e)), 1e-9);

  first.imagePointCount = second.imagePointCount = 1;  // one point spans no plane
  EXPECT_FALSE(PlaneGeometry(first, second, 1.0f, o, e, h));
}

TEST_F(SceneDrawing, AFailedPlaneTextureIsNeverTriedAgain) {
  ASSERT_TRUE(views.LoadDemo());
  LookAtThePlane();
  const QImage without = Render();
  TempDir empty;
  ScopedCurrentDir inEmpty(empty.path());
  int notices = 0;
  scene->showWaitNotice = [&](bool) { ++notices; };
  {
    MessageRecorder messages;
    scene->SetShowPlane(true);
    EXPECT_THAT(messages.texts, testing::ElementsAre("Cannot load image plane.png\n"));
  }
  EXPECT_EQ(scene->planeTexture, -2);
  MessageRecorder messages;
  scene->SetShowPlane(false);
  scene->SetShowPlane(true);
  EXPECT_TRUE(messages.texts.empty());
  EXPECT_EQ(notices, 2);
  EXPECT_EQ(scene->planeTexture, -2);
  // The plane is still drawn, plain translucent blue.
  int bluish = 0;
  EXPECT_GT(Differing(without, Render(), &bluish), 2000);
  EXPECT_GT(bluish, 2000);
}

OverlayOptions Only(bool camera, bool rays, bool meanRay = false, bool azAlt = false) {
  OverlayOptions o;
  o.showCamera = camera, o.showRays = rays, o.showMeanRay = meanRay, o.showAzAltSphere = azAlt;
  return o;
}

class Overlays : public test::OffscreenTest {
 protected:
  Overlays() : OffscreenTest(400, 400) {}
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
  // Rays whose other view holds no points pair with nothing: the Vectors window is left alone.
  views.Load({-1}, {1}, {}, {});
  Draw(views.first, 0, Only(false, true));
  EXPECT_EQ(feed.centers + feed.invalidations, 0);
}

// The camera glyph marks each image point on the image plane with one small sphere.
TEST_F(Overlays, TheGlyphMarksEveryImagePointWithASphere) {
  views.Load({-1}, {1}, {-0.8}, {0.9});
  const int one = CountKind(Draw(views.first, 0, Only(true, false)), GL_POLYGON_TOKEN);
  views.Load({-1, 0.5, 2}, {1, -0.5, 0.25}, {-0.8, 0.4, 1.5}, {0.9, -0.6, 0.5});
  EXPECT_GT(one, 0);
  EXPECT_EQ(CountKind(Draw(views.first, 0, Only(true, false)), GL_POLYGON_TOKEN), 3 * one);
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
    const auto primitives = CaptureFeedback(
        [&] { DrawOverlays(view, index, Only(false, false, true), nullptr, &feed); });
    GLfloat width;
    glGetFloatv(GL_LINE_WIDTH, &width);
    context.EndFrame();
    ASSERT_EQ(CountKind(primitives, GL_LINE_TOKEN), 1) << index;
    EXPECT_GT(CountKind(primitives, GL_POLYGON_TOKEN), 0);  // the sphere at the mean
    const auto& line = primitives.back();
    EXPECT_NEAR(line.vertices[1].x, end.x, 0.05) << index;
    EXPECT_NEAR(line.vertices[1].y, end.y, 0.05) << index;
    EXPECT_EQ(line.vertices[1].r + line.vertices[1].g + line.vertices[1].b, 0.0f);
    EXPECT_EQ(width, 1.0f);
  }
}

// A ray runs from the camera to twice its ray point, in its pair's colour; the gap runs
// from the ray point to the midpoint of both views' ray points.
TEST_F(Overlays, RaysRunToTwiceTheRayPointAndGapsToTheMidpoint) {
  views.Load({-1}, {1}, {-0.8}, {0.9});
  const CameraModel& view = views.first;
  const Vec3 c = view.cameraPosition, r = view.rayPoints[0], q = views.second.rayPoints[0];
  ASSERT_TRUE(context.BeginFrame());
  const Vec3 ends[] = {ToWindow(c), ToWindow(Vec3{2 * r.x - c.x, 2 * r.y - c.y, 2 * r.z - c.z}),
                       ToWindow(r),
                       ToWindow(Vec3{(r.x + q.x) / 2, (r.y + q.y) / 2, (r.z + q.z) / 2})};
  const auto lines =
      CaptureFeedback([&] { DrawOverlays(view, 0, Only(false, true), nullptr, &feed); });
  context.EndFrame();
  ASSERT_EQ(lines.size(), 2u);
  for (int i = 0; i < 4; ++i)
    EXPECT_LT(std::hypot(lines[i / 2].vertices[i % 2].x - ends[i].x,
                         lines[i / 2].vertices[i % 2].y - ends[i].y),
              0.05)
        << i;
}

// v turned by angle (radians) about the unit axis a, right-handed as glRotate turns.
Vec3 Turn(const Vec3& v, const Vec3& a, double angle) {
  const double c = std::cos(angle), s = std::sin(angle),
               d = (a.x * v.x + a.y * v.y + a.z * v.z) * (1 - c);
  return Vec3{v.x * c + (a.y * v.z - a.z * v.y) * s + a.x * d,
              v.y * c + (a.z * v.x - a.x * v.z) * s + a.y * d,
              v.z * c + (a.x * v.y - a.y * v.x) * s + a.z * d};
}

// The pan/tilt sphere stands at the camera, 0.05 / scale of its size (0.05 at scale 0),
// turned by the view's azimuth and altitude and then toward the mean image point: a
// triangle of it, both ways round so one side faces the observer, lands where those turns
// put its corners.
TEST_F(Overlays, PanTiltSphereSitsAtTheCameraTurnedTowardTheMeanPointAndScaled) {
  FstShape sphere;
  sphere.vertices = {1000, 0, 0, 0, 1000, 0, 0, 0, 1000};
  sphere.pointCount = 3;
  sphere.faces = {{0, 3, {0, 1, 2}}, {0, 3, {0, 2, 1}}};
  sphere.faceCount = 2;
  sphere.vertexColours.assign(9, 0.5);
  CameraModel& view = views.second;
  view.meanX = 2, view.meanY = -1;
  OverlayOptions options = Only(false, false);
  options.showPanTiltSphere = true;
  for (float scale : {0.5f, 0.0f}) {
    SCOPED_TRACE(scale);
    view.SetScale(scale);
    const double k = 0.8 * 0.05 / (scale != 0 ? scale : 1);  // DrawColoured draws at 0.8
    ASSERT_TRUE(context.BeginFrame());
    std::vector<Vec3> expected;
    for (int v = 0; v < 3; ++v) {
      Vec3 p{k * sphere.vertices[3 * v], k * sphere.vertices[3 * v + 1],
             k * sphere.vertices[3 * v + 2]};
      p = Turn(p, {0, 1, 0}, -std::atan2(view.meanX, view.GetFocalLength()));
      p = Turn(p, {1, 0, 0}, std::atan2(view.meanY, view.GetFocalLength()));
      p = Turn(Turn(p, {1, 0, 0}, view.GetParams().altitude), {0, 1, 0}, view.GetParams().azimuth);
      const Vec3& c = view.cameraPosition;
      expected.push_back(ToWindow(Vec3{c.x + p.x, c.y + p.y, c.z + p.z}));
    }
    GLint depthBefore, depthAfter;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    const auto primitives =
        CaptureFeedback([&] { DrawOverlays(view, 1, options, &sphere, nullptr); });
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    context.EndFrame();
    EXPECT_EQ(depthBefore, depthAfter);
    ASSERT_EQ(primitives.size(), 1u);
    ASSERT_EQ(primitives[0].vertices.size(), 3u);
    for (const Vec3& e : expected) {
      double nearest = 1e9;
      for (const auto& v : primitives[0].vertices)
        nearest = std::min(nearest, std::hypot(v.x - e.x, v.y - e.y));
      EXPECT_LT(nearest, 0.05) << e.x << ", " << e.y;
    }
  }
}

}  // namespace
}  // namespace velmora
