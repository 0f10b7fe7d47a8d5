// The depth each kind of picture decodes to, with the inputs the fuzz targets found faults
// with among them: the decoder must neither crash, nor misread, nor take memory a file
// only claims.

#include <sys/resource.h>
#include <sys/stat.h>

#include <QImage>
#include <QString>

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

// A 2 x 2 bitmap: with the old 12-byte core header at 24 bits, else with the 40-byte info
// header at the given depth. The pixels follow the headers (bottom row first).
std::string Bitmap(bool core, int bits, const std::string& pixels) {
  const std::uint32_t offset = core ? 26 : 54;
  std::string out = "BM";
  Put(out, offset + static_cast<std::uint32_t>(pixels.size()), 4);
  Put(out, 0, 4);  // reserved
  Put(out, offset, 4);
  Put(out, offset - 14, 4);
  Put(out, 2, core ? 2 : 4);
  Put(out, 2, core ? 2 : 4);
  Put(out, 1, 2);  // planes
  Put(out, static_cast<std::uint32_t>(bits), 2);
  if (!core) out += std::string(24, '\0');  // no compression, no sizes, no palette
  return out + pixels;
}

// 2 x 2 pixels of 24 bits, 6 bytes a row padded to 8. In a core-header bitmap bytes 28 and
// 29 of the file are the bottom-left pixel's red and the next pixel's blue. Read as the bit
// count, they refused a good picture (255), made it grey (8) or wrapped to 24 in the 8-bit
// field with no pixels behind it, which the upload then read through a null row (280).
std::string CorePixels(char red, char nextBlue) {
  return std::string("\x10\x20", 2) + red + nextBlue +
         std::string("\x50\x60\0\0\x70\x71\x72\x73\x74\x75\0\0", 12);
}

// The bytes as numbers: a bitmap's decoded rows are its own pixel array.
std::vector<int> Ints(const std::string& bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()),
          reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size()};
}

std::string ReadSource(const std::string& path) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/" + path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Peak resident memory of this process so far, in MiB.
long PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// A depth a device-independent bitmap holds is kept (the upload then refuses 1, 4 and 16
// bits); alpha beside grey, 16 bits a sample and 2-bit indices become 32 bits with alpha.
// Only regular files are read: a FIFO would block the open, a device never ends.
TEST(ImageDecode, DepthOfEachKindOfPictureOrItsRefusal) {
  enum Source { kFile, kFifo, kDevice };
  const std::vector<std::uint32_t> palette = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff,
                                              0x102030, 0x405060, 0x708090, 0xa0b0c0};
  const auto png = [&](int type, int depth, std::vector<int> samples) {
    return Png(
        2, 2, type, depth, [=](int, int) { return samples; },
        type == 3 ? palette : std::vector<std::uint32_t>{});
  };
  std::string windows = Bitmap(false, 32, "");
  const struct {
    const char* kind;
    std::string file;
    int header;              // what SourceBitsPerPixel reads from the file's header
    int decoded;             // bits per pixel; -1: refused
    std::vector<int> start;  // the first bytes kept (the bottom row), when pixels are kept
    Source source = kFile;
  } rows[] = {
      {"1-bit palette", png(3, 1, {1}), 1, 1, {}},
      {"2-bit palette", png(3, 2, {2}), 2, 32, {0xff, 0, 0, 0xff}},
      {"4-bit palette", png(3, 4, {6}), 4, 4, {}},
      {"8-bit palette", png(3, 8, {7}), 8, 8, {7}},
      {"8-bit grey", png(0, 8, {200}), 8, 8, {200}},
      {"16-bit grey", png(0, 16, {128 * 257}), 16, 32, {128, 128, 128, 0xff}},
      {"8-bit grey with alpha", png(4, 8, {100, 50}), 16, 32, {100, 100, 100, 50}},
      {"24-bit RGB", png(2, 8, {1, 2, 3}), 24, 24, {3, 2, 1}},
      {"48-bit RGB", png(2, 16, {10 * 257, 20 * 257, 30 * 257}), 48, 32, {30, 20, 10, 0xff}},
      {"32-bit RGBA", png(6, 8, {1, 2, 3, 4}), 32, 32, {3, 2, 1, 4}},
      {"64-bit RGBA",
       png(6, 16, {10 * 257, 20 * 257, 30 * 257, 40 * 257}),
       64,
       32,
       {30, 20, 10, 40}},
      {"16-bit bitmap", Bitmap(false, 16, std::string(8, '\x7f')), 16, 16, {}},
      {"core header, pixel bytes read as 255", Bitmap(true, 24, CorePixels('\xff', 0)), 24, 24,
       Ints(CorePixels('\xff', 0))},
      {"core header, pixel bytes read as 8", Bitmap(true, 24, CorePixels(8, 0)), 24, 24,
       Ints(CorePixels(8, 0))},
      {"core header, pixel bytes read as 280", Bitmap(true, 24, CorePixels(0x18, 1)), 24, 24,
       Ints(CorePixels(0x18, 1))},
      // Headers cut before the bit count tell nothing, and nothing is read past the end.
      {"info header cut at 29 bytes", windows.substr(0, 29), 0, -1, {}},
      {"core header cut at 25 bytes", Bitmap(true, 24, "").substr(0, 25), 0, -1, {}},
      {"core header of 26 bytes", Bitmap(true, 24, "").substr(0, 26), 24, -1, {}},
      // A text chunk after the pixels claims 2 GB: the decoder took all of it before failing
      // at the end of the file; a chunk that runs past the end now refuses the file first.
      {"PNG chunk claiming 2 GB",
       ReadSource("tests/render/image/fuzz-inputs/png-text-chunk-claims-2gb.png"),
       32,
       -1,
       {}},
      // Where the header tells no depth, the picture Qt decodes does.
      {"PBM", std::string("P4\n2 2\n\x40\x80", 9), 0, 1, {}},
      {"PGM", "P5\n2 2\n255\n\x10\x20\x30\x40", 0, 8, {0x30, 0x40}},
      {"PPM", "P6\n2 2\n255\n\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 0, 24, {9, 8, 7}},
      {"text", "just some text", 0, -1, {}},
      {"FIFO", "", 0, -1, {}, kFifo},
      {"/dev/zero", "", 0, -1, {}, kDevice},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.kind);
    TempDir dir;
    const std::string path = (dir.path() / "plane.png").string();
    if (r.source == kFifo)
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    else if (r.source == kDevice)
      std::filesystem::create_symlink("/dev/zero", path);
    else
      dir.Write("plane.png", r.file);
    EXPECT_EQ(SourceBitsPerPixel(r.file), r.header);
    const long before = PeakMiB();
    DecodedImage image;
    image.bitsPerPixel = 99;
    const bool read = DecodeImageFile(path, image);
    EXPECT_LT(PeakMiB() - before, 256) << "a claimed size was allocated";
    EXPECT_EQ(read, r.decoded > 0);
    if (!read) {
      EXPECT_EQ(image.bitsPerPixel, 99) << "a failed decode leaves the image alone";
      continue;
    }
    EXPECT_EQ(image.bitsPerPixel, r.decoded);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    if (r.start.empty()) {
      EXPECT_TRUE(image.storage.empty() && image.firstRow == nullptr);
      continue;
    }
    // Rows padded to 4 bytes, the bottom one stored first, as the upload reads them.
    const int stride = (2 * r.decoded / 8 + 3) & ~3;
    EXPECT_EQ(image.pitch, -stride);
    ASSERT_EQ(image.storage.size(), 2u * stride);
    EXPECT_EQ(image.firstRow, image.storage.data() + stride);
    if (image.storage.size() < r.start.size()) continue;
    EXPECT_THAT(std::vector<int>(image.storage.begin(), image.storage.begin() + r.start.size()),
                ElementsAreArray(r.start));
  }
}

// Pictures beyond Qt's own 128 MB limit load as far as a texture takes them; a header that
// claims more pixels than that is refused with its size, before any pixel is decoded.
TEST(ImageDecode, LargePicturesLoadUpToWhatATextureTakesAndLargerOnesGiveTheirSize) {
  TempDir dir;
  const std::string path = (dir.path() / "plane.png").string();
  QImage large(4096, 8200, QImage::Format_RGB32);  // 134 MB as Qt decodes it
  large.fill(qRgb(10, 20, 30));
  ASSERT_TRUE(large.save(QString::fromStdString(path), "PNG", 80));  // quick to write and read
  DecodedImage image;
  ASSERT_TRUE(DecodeImageFile(path, image));
  EXPECT_EQ(image.width, 4096);
  EXPECT_EQ(image.height, 8200);
  EXPECT_EQ(image.bitsPerPixel, 24);
  EXPECT_THAT(std::vector<int>(image.firstRow, image.firstRow + 3), ElementsAreArray({30, 20, 10}));

  // A 2 x 2 picture whose header says 40000 x 40000 (bytes 16 to 23, then the chunk's CRC).
  std::string claim = Png(2, 2, 2, 8, [](int, int) { return std::vector<int>{1, 2, 3}; });
  for (int at : {16, 20}) claim.replace(at, 4, std::string("\0\0\x9c\x40", 4));
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(claim.data() + 12), 17);
  for (int i = 0; i < 4; ++i) claim[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  dir.Write("plane.png", claim);
  DecodedImage refused;
  refused.bitsPerPixel = 99;
  EXPECT_FALSE(DecodeImageFile(path, refused));
  EXPECT_EQ(refused.width, 40000);
  EXPECT_EQ(refused.height, 40000);
  EXPECT_EQ(refused.bitsPerPixel, 99);
}

}  // namespace
}  // namespace velmora
