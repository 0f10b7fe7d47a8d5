// Shapes drawn with OpenGL: palette-coloured faces in their order and sides, and shapes with
// per-vertex colours, whose drawing through client arrays must give exactly the pixels of
// one glBegin per face (rendered both ways offscreen and compared pixel by pixel).

#include "render/gl/FstShapeDraw.h"

#include <QImage>
#include <random>
#include <string>

#include "tests/render/gl/GlTestSupport.h"

namespace velmora {
namespace {

using test::CaptureFeedback;
using test::CountKind;
using test::FeedbackPrimitive;

enum : int { kRed = 1, kGreen = 2, kBlue = 3 };

// A triangle with its centroid at c in the plane z = c.z, counter-clockwise seen from +z
// (the observer's side) unless flipped.
void AddTriangle(FstShape& shape, Vec3 c, int colour, bool flipped = false) {
  const int base = shape.pointCount;
  for (auto [dx, dy] : {std::pair{-1.0, -1.0}, {1.0, -1.0}, {0.0, 2.0}}) {
    shape.vertices.insert(shape.vertices.end(), {c.x + dx, c.y + dy, c.z});
    ++shape.pointCount;
  }
  FstFace face{colour, 3, {base, base + 1, base + 2}};
  if (flipped) std::swap(face.vertexIndices[1], face.vertexIndices[2]);
  shape.faces.push_back(face);
  shape.faceCount = static_cast<int>(shape.faces.size());
}

FstShape Palette() {
  FstShape shape;
  shape.paletteRed[kRed] = 255;
  shape.paletteGreen[kGreen] = 255;
  shape.paletteBlue[kGreen] = 64;
  shape.paletteBlue[kBlue] = 128;
  return shape;
}

// Which palette entry a polygon was drawn with.
int ColourOf(const FeedbackPrimitive& p) {
  const auto& v = p.vertices.at(0);
  if (v.r > 0.5f) return kRed;
  if (v.g > 0.5f) return kGreen;
  if (v.b > 0.2f) return kBlue;
  return 0;
}

std::vector<int> PolygonColours(const std::vector<FeedbackPrimitive>& primitives) {
  std::vector<int> out;
  for (const auto& p : primitives)
    if (p.kind == GL_POLYGON_TOKEN) out.push_back(ColourOf(p));
  return out;
}

class ShapeDrawing : public test::OffscreenTest {
 protected:
  ShapeDrawing() : OffscreenTest(200, 200) {
    context.observer.distance = 40;  // small shapes near the origin fill the view
  }
};

TEST_F(ShapeDrawing, OpaqueShowsFrontFacesTranslucentOnlyBackFaces) {
  FstShape shape = Palette();
  AddTriangle(shape, {-3, 0, 0}, kRed);
  AddTriangle(shape, {3, 0, 0}, kGreen, /*flipped=*/true);
  for (auto [alpha, visible] : {std::pair{1.0, kRed}, std::pair{0.99, kGreen}}) {
    const auto primitives = Capture([&] { DrawFaces(shape, alpha, true); });
    EXPECT_THAT(PolygonColours(primitives), testing::ElementsAre(visible)) << alpha;
    // Outlines are not culled: two open strips of two black edges each.
    EXPECT_EQ(CountKind(primitives, GL_LINE_TOKEN), 4);
    for (const auto& p : primitives) {
      const auto& v = p.vertices[0];
      if (p.kind == GL_POLYGON_TOKEN) {
        EXPECT_FLOAT_EQ(v.a, float(alpha));
        // Palette values are divided by 256.
        const int c = ColourOf(p);
        EXPECT_NEAR(v.r, shape.paletteRed[c] / 256.0, 1e-4);
        EXPECT_NEAR(v.g, shape.paletteGreen[c] / 256.0, 1e-4);
        EXPECT_NEAR(v.b, shape.paletteBlue[c] / 256.0, 1e-4);
      } else {
        EXPECT_EQ(v.r + v.g, 0.0f);
      }
    }
  }
  // The culling switch is undone.
  ASSERT_TRUE(context.BeginFrame());
  DrawFaces(shape, 1.0, false);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  context.EndFrame();
}

// Nearest to the eye point first. (The order's tie rule, FaceOrder's tests pin.)
TEST_F(ShapeDrawing, NearestToTheEyePointFirst) {
  FstShape shape = Palette();
  AddTriangle(shape, {1, 2, 0}, kRed);
  AddTriangle(shape, {2, 1, 0}, kGreen);
  AddTriangle(shape, {0, 0, 0}, kBlue);
  ASSERT_TRUE(context.BeginFrame());
  EyeReferencePoint = Vec3{-10, 20, 0};  // face 0 is nearest, then 2, then 1
  const auto colours = PolygonColours(CaptureFeedback([&] { DrawFaces(shape, 1.0, false); }));
  context.EndFrame();
  EXPECT_THAT(colours, testing::ElementsAre(kRed, kBlue, kGreen));
}

class ColouredDrawing : public ShapeDrawing {
 protected:
  ColouredDrawing() {
    // The same triangle twice: facing the observer (red) and facing away (blue).
    AddTriangle(shape, {0, 0, 0}, 0);
    AddTriangle(shape, {0, 0, 0}, 0, /*flipped=*/true);
    shape.vertexColours = {1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0.5, 0, 0, 0.5, 0, 0, 0.5};
  }
  FstShape shape;
};

TEST_F(ColouredDrawing, FarSideFirstThenNearSideUnlessFrontOnly) {
  const auto both = Capture([&] { DrawColoured(shape, false, 0.25); });
  EXPECT_THAT(PolygonColours(both), testing::ElementsAre(kBlue, kRed));
  EXPECT_FLOAT_EQ(both.at(0).vertices[0].a, 0.25f);
  // Front only: the near side, and the culling switch undone. (Where the vertices land, at
  // 0.8 of their size, the overlays' pan/tilt sphere test pins.)
  ASSERT_TRUE(context.BeginFrame());
  const auto front = CaptureFeedback([&] { DrawColoured(shape, true, 1.0); });
  const bool culling = glIsEnabled(GL_CULL_FACE);
  context.EndFrame();
  EXPECT_THAT(PolygonColours(front), testing::ElementsAre(kRed));
  EXPECT_FALSE(culling);
  // Nothing without a full colour array.
  shape.vertexColours.resize(17);
  EXPECT_TRUE(Capture([&] { DrawColoured(shape, false, 1.0); }).empty());
}

constexpr int kSize = 200;

// Pixels that differ between two frames of the same size (all of them when sizes differ).
int DifferingPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return kSize * kSize;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
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
    context.observer.distance = 260;
    context.observer.angleX = 25;
    context.observer.angleY = -35;
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

  // Both ways over every alpha, side and polygon mode. (That they draw at all, the
  // feedback tests above pin.)
  void ExpectSamePixels(const FstShape& shape, const std::string& what) {
    for (bool wireframe : {false, true})
      for (double alpha : {1.0, 0.5})
        for (bool frontOnly : {false, true}) {
          context.wireframe = wireframe;
          const QImage reference = Frame([&] { DrawColouredImmediate(shape, frontOnly, alpha); });
          const QImage arrays = Frame([&] { DrawColoured(shape, frontOnly, alpha, kept); });
          EXPECT_EQ(DifferingPixels(reference, arrays), 0)
              << what << ": alpha " << alpha << (frontOnly ? ", front only" : ", both sides")
              << (wireframe ? ", wireframe" : "");
        }
    context.wireframe = false;
  }

  static FstShape Sphere(unsigned seed) {
    FstShape shape;
    EXPECT_GT(shape.Load("sphere1K.fsd", nullptr), 0);
    RandomColours(shape, seed);
    return shape;
  }
};

TEST_F(ColouredArrays, ChangedFacesAreDrawnAsTheyAreNow) {
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
}

}  // namespace
}  // namespace velmora
