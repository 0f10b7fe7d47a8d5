// The depth each kind of picture decodes to, and the inputs with which the fuzz targets
// found faults, each fed again to the entry point it broke: the readers must neither crash
// nor misread them.

#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/image/ImageDecode.h"
#include "tests/TestSupport.h"
#include "tests/render/image/TestPng.h"

namespace velmora {
namespace {

using test::Png;
using test::TempDir;
using testing::ElementsAreArray;

// Appends v in little-endian order, in bytes bytes.
void Put(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
}

// A 24-bit bitmap with the old 12-byte core header and the given pixel array (bottom row
// first, blue green red, rows padded to 4 bytes).
std::string CoreHeaderBitmap(int width, int height, const std::string& pixels) {
  std::string out = "BM";
  Put(out, 26 + static_cast<std::uint32_t>(pixels.size()), 4);
  Put(out, 0, 4);   // reserved
  Put(out, 26, 4);  // the pixels follow the two headers
  Put(out, 12, 4);
  Put(out, static_cast<std::uint32_t>(width), 2);
  Put(out, static_cast<std::uint32_t>(height), 2);
  Put(out, 1, 2);   // planes
  Put(out, 24, 2);  // bits per pixel
  return out + pixels;
}

// A 2 x 2 bitmap of 16 bits per pixel, every pixel 0x7fff (white in 5-5-5).
std::string Bitmap16() {
  std::string out = "BM";
  Put(out, 54 + 8, 4);
  Put(out, 0, 4);
  Put(out, 54, 4);
  Put(out, 40, 4);
  Put(out, 2, 4);
  Put(out, 2, 4);
  Put(out, 1, 2);
  Put(out, 16, 2);
  Put(out, 0, 4);  // no compression
  out += std::string(20, '\0');
  for (int i = 0; i < 4; ++i) Put(out, 0x7fff, 2);
  return out;
}

// A depth a device-independent bitmap holds is kept (the upload then refuses 1, 4 and 16
// bits); alpha beside grey, 16 bits a sample and 2-bit indices become 32 bits with alpha.
// Only regular files are read: a FIFO would block the open, a device never ends.
TEST(ImageDecode, DepthsOfEachKindOfPicture) {
  enum Source { kPng, kBitmap, kFifo, kDevice };
  const std::vector<std::uint32_t> palette = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff,
                                              0x102030, 0x405060, 0x708090, 0xa0b0c0};
  const struct {
    const char* kind;
    Source source;
    int colourType, bitDepth;
    std::vector<int> samples;  // of every pixel
    int decoded;               // bits per pixel; -1: not read
    std::vector<int> pixel;    // the bytes of the bottom-left pixel, when kept
  } rows[] = {
      {"1-bit palette", kPng, 3, 1, {1}, 1, {}},
      {"2-bit palette", kPng, 3, 2, {2}, 32, {0xff, 0, 0, 0xff}},
      {"4-bit palette", kPng, 3, 4, {6}, 4, {}},
      {"8-bit palette", kPng, 3, 8, {7}, 8, {7}},
      {"8-bit grey", kPng, 0, 8, {200}, 8, {200}},
      {"16-bit grey", kPng, 0, 16, {128 * 257}, 32, {128, 128, 128, 0xff}},
      {"8-bit grey with alpha", kPng, 4, 8, {100, 50}, 32, {100, 100, 100, 50}},
      {"24-bit RGB", kPng, 2, 8, {1, 2, 3}, 24, {3, 2, 1}},
      {"48-bit RGB", kPng, 2, 16, {10 * 257, 20 * 257, 30 * 257}, 32, {30, 20, 10, 0xff}},
      {"32-bit RGBA", kPng, 6, 8, {1, 2, 3, 4}, 32, {3, 2, 1, 4}},
      {"64-bit RGBA", kPng, 6, 16, {10 * 257, 20 * 257, 30 * 257, 40 * 257}, 32, {30, 20, 10, 40}},
      {"16-bit bitmap", kBitmap, 0, 0, {}, 16, {}},
      {"FIFO", kFifo, 0, 0, {}, -1, {}},
      {"/dev/zero", kDevice, 0, 0, {}, -1, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.kind);
    TempDir dir;
    const std::string path = (dir.path() / "plane.png").string();
    switch (r.source) {
      case kPng:
        dir.Write("plane.png",
                  Png(
                      2, 2, r.colourType, r.bitDepth, [&](int, int) { return r.samples; },
                      r.colourType == 3 ? palette : std::vector<std::uint32_t>{}));
        break;
      case kBitmap:
        dir.Write("plane.png", Bitmap16());
        break;
      case kFifo:
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        break;
      case kDevice:
        std::filesystem::create_symlink("/dev/zero", path);
        break;
    }
    DecodedImage image;
    image.bitsPerPixel = 99;
    const bool read = DecodeImageFile(path, image);
    EXPECT_EQ(read, r.decoded > 0);
    if (!read) {
      EXPECT_EQ(image.bitsPerPixel, 99) << "a failed decode leaves the image alone";
      continue;
    }
    EXPECT_EQ(image.bitsPerPixel, r.decoded);
    EXPECT_EQ(image.width, 2);
    if (r.pixel.empty()) {
      EXPECT_THAT(image.storage, testing::IsEmpty());
      continue;
    }
    const std::size_t stride = (2 * r.decoded / 8 + 3) & ~3;
    EXPECT_EQ(image.storage.size(), 2 * stride);
    if (image.storage.size() < r.pixel.size()) continue;
    EXPECT_THAT(std::vector<int>(image.storage.begin(), image.storage.begin() + r.pixel.size()),
                ElementsAreArray(r.pixel));
  }
}

// In a core-header bitmap bytes 28 and 29 are pixels: the bottom-left pixel's red and the
// next pixel's blue. Read as the bit count, they refused a good picture (255), made it
// grey (8) or wrapped to 24 in the 8-bit field with no pixels behind it, which the
// texture upload then read through a null row pointer (280).
TEST(FuzzRegression, CoreHeaderBitmapsKeepTheirDepthAndPixels) {
  const struct {
    const char* name;
    unsigned char red, nextBlue;
  } cases[] = {
      {"reads as 255", 0xff, 0x00}, {"reads as 8", 0x08, 0x00}, {"reads as 280", 0x18, 0x01}};
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // 2 x 2 pixels: 6 bytes a row, padded to 8.
    std::string pixels = "\x10\x20";
    pixels += {static_cast<char>(c.red), static_cast<char>(c.nextBlue)};
    pixels += std::string(
        "\x50\x60\0\0"
        "\x70\x71\x72\x73\x74\x75\0\0",
        12);
    const std::string file = CoreHeaderBitmap(2, 2, pixels);
    EXPECT_EQ(SourceBitsPerPixel(file), 24);
    DecodedImage image;
    ASSERT_TRUE(DecodeImageFile(dir.Write("core.bmp", file), image));
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pitch, -8);
    // The upload's layout is the bitmap's own: the decoded rows equal the pixel array.
    EXPECT_THAT(image.storage,
                ElementsAreArray(std::vector<std::uint8_t>(pixels.begin(), pixels.end())));
    ASSERT_EQ(image.storage.size(), 16u);
    EXPECT_EQ(image.firstRow, image.storage.data() + 8);
  }
}

TEST(FuzzRegression, BitmapHeadersShortOrOfOtherKinds) {
  // A later info header keeps the bit count at byte 28.
  std::string windows = "BM" + std::string(12, '\0');
  Put(windows, 40, 4);
  Put(windows, 1, 4);
  Put(windows, 1, 4);
  Put(windows, 1, 2);
  Put(windows, 32, 2);
  EXPECT_EQ(SourceBitsPerPixel(windows), 32);
  // Cut before the bit count: nothing to tell, and nothing read past the end.
  EXPECT_EQ(SourceBitsPerPixel(windows.substr(0, 29)), 0);
  EXPECT_EQ(SourceBitsPerPixel(CoreHeaderBitmap(1, 1, "").substr(0, 25)), 0);
  EXPECT_EQ(SourceBitsPerPixel(CoreHeaderBitmap(1, 1, "").substr(0, 26)), 24);
}

// Peak resident memory of this process so far, in MiB.
long PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

std::string ReadInput(const std::string& name) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/tests/render/image/fuzz-inputs/" + name,
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 280-byte PNG whose text chunk after the pixels claims 2 GB: the decoder took all of it
// before failing at the end of the file. A chunk that runs past the end now refuses the
// file before the decoder sees it.
TEST(FuzzRegression, PngChunksClaimingMoreThanTheFileAreRefusedCheaply) {
  const std::string file = ReadInput("png-text-chunk-claims-2gb.png");
  ASSERT_EQ(file.size(), 280u);
  TempDir dir;
  const long before = PeakMiB();
  DecodedImage image;
  EXPECT_FALSE(DecodeImageFile(dir.Write("huge-chunk.png", file), image));
  EXPECT_LT(PeakMiB() - before, 256) << "the claimed size was allocated";

  // Well-formed chunks still go to the decoder: the generated plane picture (run in the
  // data folder) decodes as before.
  ASSERT_TRUE(DecodeImageFile("plane.png", image));
  EXPECT_EQ(image.bitsPerPixel, 24);
  EXPECT_EQ(image.width, 250);
}

}  // namespace
}  // namespace velmora
