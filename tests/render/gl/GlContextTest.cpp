// The OpenGL context's frame set-up and the upload of pictures as textures, offscreen.

#include "render/gl/GlContext.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "render/ObserverMath.h"
#include "render/gl/Texture.h"
#include "tests/render/gl/GlTestSupport.h"
#include "tests/render/image/TestPng.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::Png;
using test::Vec3Near;
using testing::ElementsAre;

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
  GlContextTest() : OffscreenTest(64, 48) {}
  QRgb FramePixel() {
    EXPECT_TRUE(context.BeginFrame());
    context.EndFrame();
    EXPECT_FALSE(surface.IsCurrent()) << "EndFrame releases the context";
    return surface.Grab().pixel(10, 10);
  }
};

TEST_F(GlContextTest, ResizeSetsProjectionViewportAndTheClearColour) {
  context.SetClearColor(0.5f, 0.5f, 0.5f);
  EXPECT_EQ(qGray(FramePixel()), 0) << "the new colour waits for the next resize";
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
  context.Resize(64, 48);
  EXPECT_EQ(qGray(FramePixel()), 128);
}

TEST_F(GlContextTest, BeginFrameLoadsTheObserverAndPublishesTheEyePoint) {
  context.observer.distance = 123;
  context.observer.offsetX = 4, context.observer.offsetY = -5, context.observer.offsetZ = 6;
  context.observer.angleX = 20, context.observer.angleY = -35, context.observer.angleZ = 15;
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
}

class TextureUpload : public test::OffscreenTest {
 protected:
  TextureUpload() : OffscreenTest(32, 32) {}
  // Loads path, then reads back mipmap level 0 of the texture as format.
  std::vector<std::uint8_t> LoadAndRead(const std::string& path, GLenum format, int channels) {
    TextureSize size;
    LoadTexture(context, name, size, path);
    EXPECT_EQ(size.width, context.textureWidth);
    EXPECT_TRUE(surface.MakeCurrent());
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<std::uint8_t> texels(static_cast<std::size_t>(w) * h * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!texels.empty()) glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    surface.DoneCurrent();
    return texels;
  }
  int name = -1, w = 0, h = 0;
  test::TempDir dir;
};

// 8-bit pictures go in as grey levels of their values (a palette of pure reds: the indices,
// not the colours); 32-bit ones keep their alpha.
TEST_F(TextureUpload, EightBitPicturesAsGreyLevelsAndThirtyTwoBitWithAlpha) {
  std::vector<std::uint32_t> reds;
  for (int i = 0; i < 256; ++i) reds.push_back(static_cast<std::uint32_t>(255 - i) << 16);
  const auto grey = LoadAndRead(
      dir.Write("indexed.png",
                Png(
                    64, 16, 3, 8, [](int, int) { return std::vector<int>{200}; }, reds)),
      GL_LUMINANCE, 1);
  ASSERT_FALSE(grey.empty());
  EXPECT_EQ(grey[0], 200);
  EXPECT_EQ(grey[grey.size() / 2], 200);
  const auto t =
      LoadAndRead(dir.Write("alpha.png", Png(16, 16, 6, 8,
                                             [](int x, int) {
                                               return std::vector<int>{10, 20, 30, x < 8 ? 0 : 255};
                                             })),
                  GL_RGBA, 4);
  ASSERT_EQ(w, 16);
  EXPECT_THAT((std::vector<int>{t[0], t[1], t[2], t[3]}), ElementsAre(10, 20, 30, 0));
  EXPECT_EQ(t[4 * 15 + 3], 255);
}

// The decoder keeps 4-bit pictures (as 1-bit ones) at their depth, which the upload refuses with
// the name generated and left empty; what does not decode names itself and generates no name; no
// file name at all says nothing.
TEST_F(TextureUpload, RefusedPicturesSayWhyAndLeaveTheSizeZero) {
  std::vector<std::uint32_t> ramp;
  for (std::uint32_t i = 0; i < 16; ++i) ramp.push_back(0x111111u * i);
  const auto bits = [](int x, int) { return std::vector<int>{x % 2}; };
  const struct {
    std::string path;
    std::vector<std::string> messages;
    bool named;
  } rows[] = {
      {dir.Write("four.png", Png(8, 8, 3, 4, bits, ramp)),
       {"Can read only 8,24 or 32 bits images!"},
       true},
      {"no-such-picture.png", {"Cannot load image no-such-picture.png\n"}, false},
      {"", {}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    MessageRecorder messages;
    name = -1;
    TextureSize size{5, 5};
    LoadTexture(context, name, size, row.path);
    EXPECT_EQ(messages.texts, row.messages);
    EXPECT_TRUE(row.named ? name > 0 : name == -1) << name;
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
  }
  // A decoder that refuses a picture for its size gives the size back for the message.
  context.imageDecoder = [](const std::string&, DecodedImage& image) {
    image.width = image.height = 40000;
    return false;
  };
  MessageRecorder messages;
  TextureSize size;
  LoadTexture(context, name, size, "big.png");
  EXPECT_EQ(messages.texts, std::vector<std::string>{
                                "Cannot load image big.png\nbig.png is too large: 40000 x 40000"});
}

}  // namespace
}  // namespace velmora
