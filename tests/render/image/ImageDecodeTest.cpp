// Inputs with which the fuzz targets found faults, each fed again to the entry point it
// broke: the readers must neither crash nor misread them.

#include <sys/resource.h>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/image/ImageDecode.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

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
