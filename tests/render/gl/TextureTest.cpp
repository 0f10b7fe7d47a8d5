#include "render/gl/Texture.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/render/gl/OffscreenSurface.h"
#include "tests/render/image/TestPng.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::Png;
using test::TempDir;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr char kDepthMessage[] = "Can read only 8,24 or 32 bits images!";

std::vector<std::uint32_t> GreyRamp(int n) {
  std::vector<std::uint32_t> p;
  for (int i = 0; i < n; ++i) p.push_back(0x010101u * (i * 255 / (n - 1)));
  return p;
}

class TextureUpload : public test::OffscreenTest {
 protected:
  TextureUpload() : OffscreenTest(32, 32) {}
  // Loads path, then reads back mipmap level 0 of the texture as format.
  std::vector<std::uint8_t> LoadAndRead(const std::string& path, GLenum format, int channels,
                                        int& w, int& h) {
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
  int name = -1;
  TempDir dir;
};

TEST_F(TextureUpload, PlanePictureBecomesAMipmappedTexture) {
  int w = 0, h = 0;
  const auto texels = LoadAndRead("plane.png", GL_RGB, 3, w, h);
  EXPECT_GT(name, 0);
  EXPECT_EQ(context.textureWidth, 250);
  EXPECT_EQ(context.textureHeight, 190);
  EXPECT_EQ(w & (w - 1), 0);  // GLU scaled the sides to powers of two
  EXPECT_EQ(h & (h - 1), 0);
  ASSERT_TRUE(surface.MakeCurrent());
  GLint minFilter, magFilter;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  const bool texturing = glIsEnabled(GL_TEXTURE_2D);
  surface.DoneCurrent();
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(magFilter, GL_LINEAR);
  EXPECT_FALSE(texturing);
  EXPECT_FALSE(surface.IsCurrent());
}

// 101 pixels wide: 303 bytes of pixels in rows 304 bytes apart. Left half red, right half
// blue, the top eight rows green. A row read at the wrong pitch shears the halves.
TEST_F(TextureUpload, OddWidthRowsDoNotSkewAndTheBottomRowComesFirst) {
  const std::string path =
      dir.Write("odd.png", Png(101, 64, 2, 8, [](int x, int y) {
                  if (y < 8) return std::vector<int>{0, 255, 0};
                  return x < 50 ? std::vector<int>{255, 0, 0} : std::vector<int>{0, 0, 255};
                }));
  int w = 0, h = 0;
  const auto t = LoadAndRead(path, GL_RGB, 3, w, h);
  ASSERT_GT(w * h, 0);
  auto texel = [&](int x, int y) { return &t[(static_cast<std::size_t>(y) * w + x) * 3]; };
  const int topRows = h * 8 / 64 + 1;
  for (int y = 0; y < h - topRows; ++y) {
    EXPECT_GT(texel(2, y)[0], 200) << "row " << y;
    EXPECT_LT(texel(2, y)[2], 50) << "row " << y;
    EXPECT_GT(texel(w - 3, y)[2], 200) << "row " << y;
    EXPECT_LT(texel(w - 3, y)[0], 50) << "row " << y;
  }
  // t = 1 is the top of the picture. (GLU's magnifying scale leaves the very last row black,
  // so the row below it is the one to look at.)
  EXPECT_GT(texel(w / 2, h - 2)[1], 200);
  EXPECT_LT(texel(w / 2, 0)[1], 50);
}

TEST_F(TextureUpload, EightBitPicturesGoInAsGreyLevelsOfTheirValues) {
  // A palette of pure reds: the indices, not the colours, become the grey levels.
  std::vector<std::uint32_t> reds;
  for (int i = 0; i < 256; ++i) reds.push_back(static_cast<std::uint32_t>(255 - i) << 16);
  for (auto [file, type, palette] : {std::tuple{"indexed.png", 3, reds},
                                     std::tuple{"grey.png", 0, std::vector<std::uint32_t>{}}}) {
    const std::string path = dir.Write(
        file, Png(
                  64, 16, type, 8, [](int, int) { return std::vector<int>{200}; }, palette));
    int w = 0, h = 0;
    const auto t = LoadAndRead(path, GL_LUMINANCE, 1, w, h);
    ASSERT_FALSE(t.empty()) << file;
    EXPECT_EQ(t[0], 200) << file;
    EXPECT_EQ(t[t.size() / 2], 200) << file;
  }
}

TEST_F(TextureUpload, ThirtyTwoBitPicturesKeepTheirAlpha) {
  const std::string path = dir.Write("alpha.png", Png(16, 16, 6, 8, [](int x, int) {
                                       return std::vector<int>{10, 20, 30, x < 8 ? 0 : 255};
                                     }));
  int w = 0, h = 0;
  const auto t = LoadAndRead(path, GL_RGBA, 4, w, h);
  ASSERT_EQ(w, 16);
  EXPECT_THAT((std::vector<int>{t[0], t[1], t[2], t[3]}), ElementsAre(10, 20, 30, 0));
  EXPECT_EQ(t[4 * 15 + 3], 255);
}

// The decoder keeps 1- and 4-bit pictures at their depth, which the upload refuses (the
// decoded depths of every kind are tabled with the decoder).
TEST_F(TextureUpload, OtherDepthsAreRefusedWithANameLeftEmpty) {
  struct Case {
    const char* file;
    int colourType, bitDepth, samples;
    std::vector<std::uint32_t> palette;
  };
  for (const Case& c : {Case{"four.png", 3, 4, 1, GreyRamp(16)}, Case{"one.png", 0, 1, 1, {}}}) {
    const std::string path = dir.Write(
        c.file, Png(
                    8, 8, c.colourType, c.bitDepth,
                    [&](int x, int) { return std::vector<int>(c.samples, x % 2); }, c.palette));
    MessageRecorder messages;
    name = -1;
    TextureSize size{1, 1};
    LoadTexture(context, name, size, path);
    EXPECT_THAT(messages.texts, ElementsAre(kDepthMessage)) << c.file;
    EXPECT_GT(name, 0) << c.file;  // generated before the depth was checked
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
  }
}

TEST_F(TextureUpload, UnreadableFilesNameThemselvesAndGenerateNoName) {
  const std::string text = dir.Write("text.png", "just some text");
  const std::string truncated = dir.Write("cut.png", Png(8, 8, 2, 8, [](int, int) {
                                                       return std::vector<int>{1, 2, 3};
                                                     }).substr(0, 40));
  for (const std::string& path : {std::string("no-such-picture.png"), text, truncated}) {
    MessageRecorder messages;
    name = -1;
    TextureSize size{5, 5};
    LoadTexture(context, name, size, path);
    EXPECT_THAT(messages.texts, ElementsAre("Cannot load image " + path + "\n"));
    EXPECT_EQ(name, -1);
    EXPECT_EQ(size.width, 0);
  }
  MessageRecorder messages;
  TextureSize size;
  LoadTexture(context, name, size, "");
  EXPECT_THAT(messages.texts, IsEmpty());
  EXPECT_EQ(name, -1);
}

}  // namespace
}  // namespace velmora
