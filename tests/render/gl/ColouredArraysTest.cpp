// The per-vertex coloured drawing through client arrays must give exactly the pixels of
// one glBegin per face: rendered both ways offscreen and compared pixel by pixel.

#include <GL/gl.h>

#include <QImage>
#include <random>
#include <string>

#include "render/gl/FstShapeDraw.h"
#include "tests/TestSupport.h"
#include "tests/render/gl/OffscreenSurface.h"

namespace velmora {
namespace {

constexpr int kSize = 200;

// Pixels that differ between two frames of the same size (all of them when sizes differ).
int DifferingPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return kSize * kSize;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

// Pixels that are not the clear colour: what was drawn at all.
int DrawnPixels(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != background;
  return n;
}

void RandomColours(FstShape& shape, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  shape.vertexColours.resize(shape.vertices.size());
  for (double& c : shape.vertexColours) c = unit(random);
}

class ColouredArrays : public test::OffscreenTest {
 protected:
  ColouredArrays() : OffscreenTest(kSize, kSize) {
    context.SetClearColor(0.2f, 0.1f, 0.3f);
    context.Resize(kSize, kSize);
    context.distance = 260;
    context.angleX = 25;
    context.angleY = -35;
  }

  // One frame: the shape drawn one way, then a triangle that sets no colour of its own and
  // so shows the current colour the drawing left behind.
  template <typename Draw>
  QImage Frame(Draw draw) {
    EXPECT_TRUE(context.BeginFrame());
    draw();
    glBegin(GL_TRIANGLES);
    glVertex3d(-100, -100, 120);
    glVertex3d(-60, -100, 120);
    glVertex3d(-80, -60, 120);
    glEnd();
    context.EndFrame();
    return surface.Grab();
  }

  // The triangle list the drawing side keeps between frames.
  TriangleCache kept;

  // Both ways over every alpha, side and polygon mode; returns the fewest pixels drawn.
  int ExpectSamePixels(const FstShape& shape, const std::string& what) {
    int fewest = kSize * kSize;
    for (bool wireframe : {false, true})
      for (double alpha : {1.0, 0.5})
        for (bool frontOnly : {false, true}) {
          context.wireframe = wireframe;
          const QImage reference = Frame([&] { DrawColouredImmediate(shape, frontOnly, alpha); });
          const QImage arrays = Frame([&] { DrawColoured(shape, frontOnly, alpha, kept); });
          EXPECT_EQ(DifferingPixels(reference, arrays), 0)
              << what << ": alpha " << alpha << (frontOnly ? ", front only" : ", both sides")
              << (wireframe ? ", wireframe" : "");
          fewest = std::min(fewest, DrawnPixels(arrays));
        }
    context.wireframe = false;
    return fewest;
  }

  static FstShape Sphere(unsigned seed) {
    FstShape shape;
    EXPECT_GT(shape.Load("sphere1K.fsd", nullptr), 0);
    RandomColours(shape, seed);
    return shape;
  }
};

TEST_F(ColouredArrays, SpheresWithRandomColoursMatchPerFaceDrawing) {
  for (unsigned seed : {1u, 2u}) {
    const FstShape shape = Sphere(seed);
    ASSERT_EQ(shape.faces.size(), 1996u);
    EXPECT_GT(ExpectSamePixels(shape, "sphere " + std::to_string(seed)), 2000);
  }
  // The leftover triangle really shows the current colour: a different last vertex colour
  // changes the frame.
  FstShape shape = Sphere(1);
  const QImage before = Frame([&] { DrawColoured(shape, true, 1.0, kept); });
  const int last = shape.faces.back().vertexIndices[2];
  for (int k = 0; k < 3; ++k)
    shape.vertexColours[3 * last + k] = 1.0 - shape.vertexColours[3 * last + k];
  const QImage after = Frame([&] { DrawColoured(shape, true, 1.0, kept); });
  EXPECT_GT(DifferingPixels(before, after), 100);
}

TEST_F(ColouredArrays, MalformedFacesAreSkippedAndOtherPolygonsDrawnPerFace) {
  FstShape shape = Sphere(3);
  // Valid vertices but a colour index outside the table, and a vertex outside the shape:
  // both skipped by the per-face drawing.
  shape.faces.push_back({999, 3, {0, 500, 900}});
  shape.faces.push_back({1, 3, {0, 500, 100000}});
  shape.faces.push_back({1, 3, {-1, 500, 900}});
  EXPECT_GT(ExpectSamePixels(shape, "malformed triangles"), 2000);

  // A quadrilateral in front of the sphere, between two triangles: the whole shape is drawn
  // per face, the quadrilateral in its place in the list.
  const int base = static_cast<int>(shape.vertices.size() / 3);
  for (double xyz :
       {-60.0, -60.0, 130.0, 60.0, -60.0, 130.0, 60.0, 60.0, 130.0, -60.0, 60.0, 130.0})
    shape.vertices.push_back(xyz);
  for (int k = 0; k < 12; ++k) shape.vertexColours.push_back(0.25 * (k % 4));
  shape.faces.insert(shape.faces.begin() + 1, FstFace{1, 4, {base, base + 1, base + 2, base + 3}});
  const QImage sphereOnly = Frame([&] { DrawColouredImmediate(Sphere(3), true, 1.0); });
  const QImage withQuad = Frame([&] { DrawColoured(shape, true, 1.0, kept); });
  EXPECT_GT(DifferingPixels(sphereOnly, withQuad), 3000);  // the square covers the centre
  ExpectSamePixels(shape, "with a quadrilateral");
}

TEST_F(ColouredArrays, ChangedFacesAndCopiesAreDrawnAsTheyAreNow) {
  FstShape shape = Sphere(4);
  const QImage whole = Frame([&] { DrawColoured(shape, false, 0.5, kept); });

  // The same list, storage and length, with the first half of the faces turned inside out:
  // the kept triangle list must be rebuilt.
  const std::vector<FstFace> original = shape.faces;
  std::vector<FstFace> flipped = original;
  for (std::size_t f = 0; f < flipped.size() / 2; ++f)
    std::swap(flipped[f].vertexIndices[1], flipped[f].vertexIndices[2]);
  const void* storage = shape.faces.data();
  shape.faces = flipped;
  ASSERT_EQ(shape.faces.data(), storage);
  ExpectSamePixels(shape, "flipped faces");
  EXPECT_GT(DifferingPixels(whole, Frame([&] { DrawColoured(shape, false, 0.5, kept); })), 500);

  // Fewer vertices: faces that now point outside are skipped.
  shape.faces = original;
  shape.vertices.resize(3 * 600);
  ExpectSamePixels(shape, "fewer vertices");

  // A copy draws its own faces, a moved shape keeps drawing right.
  FstShape copy = Sphere(4);
  copy.faces = flipped;
  EXPECT_EQ(DifferingPixels(Frame([&] { DrawColouredImmediate(copy, false, 0.5); }),
                            Frame([&] { DrawColoured(FstShape(copy), false, 0.5, kept); })),
            0);
  FstShape moved = std::move(copy);
  ExpectSamePixels(moved, "moved shape");
}

TEST_F(ColouredArrays, ClientStateIsRestoredAndNothingDrawnWithoutColours) {
  FstShape shape = Sphere(5);
  ASSERT_TRUE(context.BeginFrame());
  glEnableClientState(GL_NORMAL_ARRAY);  // someone else's state survives too
  DrawColoured(shape, false, 0.5, kept);
  const bool vertexArray = glIsEnabled(GL_VERTEX_ARRAY), colourArray = glIsEnabled(GL_COLOR_ARRAY);
  const bool normalArray = glIsEnabled(GL_NORMAL_ARRAY), culling = glIsEnabled(GL_CULL_FACE);
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  glDisableClientState(GL_NORMAL_ARRAY);
  const GLenum error = glGetError();
  context.EndFrame();
  EXPECT_FALSE(vertexArray);
  EXPECT_FALSE(colourArray);
  EXPECT_TRUE(normalArray);
  EXPECT_FALSE(culling);
  EXPECT_EQ(depth, 1);
  EXPECT_EQ(error, GLenum(GL_NO_ERROR));

  const QImage empty = Frame([] { glColor3d(1, 1, 1); });
  for (std::size_t size : {std::size_t{0}, shape.vertices.size() - 1}) {
    shape.vertexColours.resize(size);
    const QImage frame = Frame([&] {
      glColor3d(1, 1, 1);
      DrawColoured(shape, false, 1.0, kept);
    });
    EXPECT_EQ(DifferingPixels(empty, frame), 0) << size;
  }
}

}  // namespace
}  // namespace velmora
