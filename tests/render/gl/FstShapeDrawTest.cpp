#include "render/gl/FstShapeDraw.h"

#include <GL/gl.h>

#include "render/gl/GlContext.h"
#include "tests/TestSupport.h"
#include "tests/render/gl/Feedback.h"
#include "tests/render/gl/SceneTestSupport.h"

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

class ShapeDrawing : public test::FeedbackTest {
 protected:
  ShapeDrawing() : FeedbackTest(200) {
    context.distance = 40;  // small shapes near the origin fill the view
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

TEST_F(ShapeDrawing, PaletteValuesAreDividedBy256) {
  FstShape shape = Palette();
  AddTriangle(shape, {0, 0, 0}, kBlue);
  for (int blue : {128, 255}) {
    shape.paletteBlue[kBlue] = blue;
    const auto primitives = Capture([&] { DrawFaces(shape, 1.0, false); });
    ASSERT_EQ(primitives.size(), 1u);
    EXPECT_NEAR(primitives[0].vertices[0].b, blue / 256.0, 1e-4);  // not blue / 255
  }
}

TEST_F(ShapeDrawing, NearestFirstWithTheSelectionsTieRule) {
  FstShape shape = Palette();
  // Squared centroid distances from the origin: 5, 5 and 0.
  AddTriangle(shape, {1, 2, 0}, kRed);
  AddTriangle(shape, {2, 1, 0}, kGreen);
  AddTriangle(shape, {0, 0, 0}, kBlue);
  std::vector<int> colours;
  ASSERT_TRUE(context.BeginFrame());
  EyeReferencePoint = Vec3{0, 0, 0};
  colours = PolygonColours(CaptureFeedback([&] { DrawFaces(shape, 1.0, false); }));
  EyeReferencePoint = Vec3{-10, 20, 0};  // now face 0 is nearest, then 2, then 1
  auto farther = PolygonColours(CaptureFeedback([&] { DrawFaces(shape, 1.0, false); }));
  context.EndFrame();
  EXPECT_THAT(colours, testing::ElementsAre(kBlue, kGreen, kRed));
  EXPECT_THAT(farther, testing::ElementsAre(kRed, kBlue, kGreen));
}

TEST_F(ShapeDrawing, MalformedFacesAreSkipped) {
  FstShape shape = Palette();
  AddTriangle(shape, {0, 0, 0}, kRed);
  shape.faces.push_back({999, 3, {0, 1, 2}});
  shape.faces.push_back({kGreen, 3, {0, 1, 7}});
  shape.faces.push_back({kGreen, 5, {0, 1, 2}});
  shape.faceCount = 1;  // the count disagrees with the list, too
  const auto primitives = Capture([&] { DrawFaces(shape, 1.0, true); });
  EXPECT_THAT(PolygonColours(primitives), testing::ElementsAre(kRed));
  EXPECT_EQ(CountKind(primitives, GL_LINE_TOKEN), 2);
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
  // Front only: the near side, at 0.8 times the outermost vertices, and the state restored.
  ASSERT_TRUE(context.BeginFrame());
  const Vec3 left = test::ToWindow(Vec3{-0.8, -0.8, 0}), top = test::ToWindow(Vec3{0, 1.6, 0});
  GLint depthBefore, depthAfter;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  const auto front = CaptureFeedback([&] { DrawColoured(shape, true, 1.0); });
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  const bool culling = glIsEnabled(GL_CULL_FACE);
  context.EndFrame();
  ASSERT_THAT(PolygonColours(front), testing::ElementsAre(kRed));
  float minX = 1e9f, maxY = -1e9f;
  for (const auto& v : front[0].vertices) minX = std::min(minX, v.x), maxY = std::max(maxY, v.y);
  EXPECT_NEAR(minX, left.x, 0.01);
  EXPECT_NEAR(maxY, top.y, 0.01);
  EXPECT_EQ(depthBefore, depthAfter);
  EXPECT_FALSE(culling);
  // Nothing without a full colour array.
  shape.vertexColours.resize(17);
  EXPECT_TRUE(Capture([&] { DrawColoured(shape, false, 1.0); }).empty());
}

}  // namespace
}  // namespace velmora
