#include "render/gl/Scene.h"

#include <GL/gl.h>

#include <QImage>
#include <cmath>
#include <map>
#include <memory>

#include "tests/render/gl/OffscreenSurface.h"
#include "tests/render/gl/SceneTestSupport.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::RecordingFeed;
using test::ScopedCurrentDir;
using test::TempDir;
using test::ViewPair;

enum class Kind { Background, Red, Green, Blue, Black, Other };

Kind Classify(QRgb c) {
  const int r = qRed(c), g = qGreen(c), b = qBlue(c);
  if (r == 128 && g == 128 && b == 128) return Kind::Background;
  if (r == 255 && g == 0 && b == 0) return Kind::Red;
  if (r == 0 && g == 255 && b == 0) return Kind::Green;
  if (r == 0 && g == 0 && b == 255) return Kind::Blue;
  if (r == 0 && g == 0 && b == 0) return Kind::Black;
  return Kind::Other;
}

std::map<Kind, int> Histogram(const QImage& image) {
  std::map<Kind, int> h;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++h[Classify(image.pixel(x, y))];
  return h;
}

// Rightmost column holding a pixel of this kind, -1 when none.
int Rightmost(const QImage& image, Kind kind) {
  for (int x = image.width() - 1; x >= 0; --x)
    for (int y = 0; y < image.height(); ++y)
      if (Classify(image.pixel(x, y)) == kind) return x;
  return -1;
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
  void LookAtThePlane() {
    scene->SetShowAxes(false);
    scene->angleX = scene->angleY = 20;
    scene->distance = 150;
  }
  bool LoadDemo() {
    if (!views.LoadDemo()) return false;
    if (workbench.fstObject.Load("demo.fsd", nullptr) <= 0) return false;
    workbench.RecolourAfterViewChange(0);
    return true;
  }
  test::OffscreenSurface surface;
  ViewPair views;
  Workbench workbench{views.first, views.second};
  OverlayOptions firstOptions, secondOptions;
  RecordingFeed firstFeed, secondFeed;
  std::unique_ptr<Scene> scene;
};

TEST_F(SceneDrawing, AFreshSceneShowsTheAxesAndTheCameraGlyphsOnly) {
  auto h = Histogram(Render());
  EXPECT_GT(h[Kind::Red], 50);
  EXPECT_GT(h[Kind::Green], 50);
  EXPECT_GT(h[Kind::Blue], 0);
  EXPECT_GT(h[Kind::Black], 10);
  EXPECT_EQ(h[Kind::Other], 0);
  firstOptions.showCamera = secondOptions.showCamera = false;
  scene->SetShowAxes(false);
  h = Histogram(Render());
  EXPECT_EQ(h[Kind::Background], kWidth * kHeight);
}

TEST_F(SceneDrawing, AxesKeepTheirLengthOnScreenWhileTheCamerasGrowWithTheScale) {
  scene->angleY = 30;  // look at the x axis from aside so its end is on screen
  scene->distance = 700;
  const QImage one = Render();
  scene->SetScale(2.0f);
  const QImage two = Render();
  EXPECT_NEAR(Rightmost(two, Kind::Red), Rightmost(one, Kind::Red), 1);
  EXPECT_GT(Histogram(two)[Kind::Black], Histogram(one)[Kind::Black] * 3 / 2);
  scene->SetScale(0.0f);
  EXPECT_EQ(scene->scale, 1.0f);
}

TEST_F(SceneDrawing, CentreMarkerTakesTheBlueOfTheZAxis) {
  scene->offsetX = 60;  // the point of rotation, in the middle of the view, off the axes
  auto blueAtCentre = [&](const QImage& image) {
    int n = 0;
    for (int y = kHeight / 2 - 8; y <= kHeight / 2 + 8; ++y)
      for (int x = kWidth / 2 - 8; x <= kWidth / 2 + 8; ++x)
        n += Classify(image.pixel(x, y)) == Kind::Blue;
    return n;
  };
  EXPECT_EQ(blueAtCentre(Render()), 0);
  scene->ToggleCentreMode();
  EXPECT_GT(blueAtCentre(Render()), 20);
  scene->SetScale(3.0f);  // its size does not follow the scale
  EXPECT_LT(blueAtCentre(Render()), 17 * 17);
}

// Without axes, seen from above rather than edge-on.
TEST_F(SceneDrawing, PlaneNeedsTwoPointsAndItsTextureLoadsOnce) {
  LookAtThePlane();
  std::vector<bool> notices;
  scene->showWaitNotice = [&](bool show) { notices.push_back(show); };
  views.Load({0.5}, {0.5}, {0.4}, {0.6});
  const QImage off = Render();
  scene->SetShowPlane(true);
  EXPECT_THAT(notices, testing::ElementsAre(true, false));
  EXPECT_GT(scene->planeTexture, 0);
  EXPECT_EQ(scene->textureWidth, 250);
  EXPECT_EQ(Differing(off, Render()), 0) << "one point: no plane";

  ASSERT_TRUE(views.LoadDemo());
  const int name = scene->planeTexture;
  scene->SetShowPlane(false);
  const QImage demoOff = Render();
  scene->SetShowPlane(true);
  EXPECT_EQ(notices.size(), 2u);
  EXPECT_EQ(scene->planeTexture, name);
  int bluish = 0;
  const int changed = Differing(demoOff, Render(), &bluish);
  EXPECT_GT(changed, 2000);
  EXPECT_GT(bluish, changed * 4 / 5);  // the picture, tinted blue
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
  EXPECT_THAT(h, test::Vec3Near(Vec3{0, 0, 25}, 1e-12));  // toward the first camera
  EXPECT_NEAR(std::hypot(e.x, e.y, e.z), 25, 1e-12);
  EXPECT_NEAR(e.y, 0, 1e-12);  // in the plane y = 2 of the three points
  EXPECT_NEAR(e.z, 0, 1e-12);  // perpendicular to h

  struct Case {
    const char* what;
    Vec3 firstCamera, secondCamera;
    int points;
  };
  const Vec3 c1{2, 2, 52}, c2{42, 2, 32};
  for (const Case& c :
       {Case{"collinear", c1, Vec3{2, 2, 102}, 2},
        Case{"second camera on the point", c1, Vec3{2, 2, 2}, 2},
        Case{"first camera on the point", Vec3{2, 2, 2}, c2, 2}, Case{"one point", c1, c2, 1}}) {
    first.cameraPosition = c.firstCamera;
    second.cameraPosition = c.secondCamera;
    first.imagePointCount = second.imagePointCount = c.points;
    EXPECT_FALSE(PlaneGeometry(first, second, 1.0f, o, e, h)) << c.what;
  }
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

// The demo house at its true poses with its rays and the plane.
TEST_F(SceneDrawing, DemoSceneShowsHouseRaysAndPlane) {
  ASSERT_TRUE(LoadDemo());
  scene->SetShowPlane(true);
  scene->distance = 150;
  scene->angleX = scene->angleY = 20;
  EXPECT_GT(Histogram(Render())[Kind::Other], kWidth * kHeight / 20);  // faces, rays, plane
  EXPECT_EQ(firstFeed.points.size(), static_cast<size_t>(views.first.imagePointCount));
  EXPECT_EQ(secondFeed.points.size(), static_cast<size_t>(views.second.imagePointCount));
}

}  // namespace
}  // namespace velmora
