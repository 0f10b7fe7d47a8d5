// The plane picture and a minimal PNG encoder (truecolour, 8 bits, no interlace).

#include <zlib.h>

#include <stdexcept>
#include <string>

#include "tools/DataGen.h"

namespace velmora::datagen {

namespace {

// 3 x 5 digit glyphs, one row per 3 bits, top row first, leftmost pixel in the high bit.
constexpr std::uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

constexpr int kColumns = 10, kRows = 10;
constexpr int kCellWidth = 25, kCellHeight = 19;  // 250 x 190: rows of 750 bytes
constexpr int kGlyphScale = 2;

void SetPixel(RgbImage& image, int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  std::uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
  p[0] = c.r, p[1] = c.g, p[2] = c.b;
}

void DrawDigit(RgbImage& image, int left, int top, int digit, Rgb c) {
  for (int row = 0; row < 5; ++row)
    for (int col = 0; col < 3; ++col)
      if (kDigits[digit][row] & (4 >> col))
        for (int dy = 0; dy < kGlyphScale; ++dy)
          for (int dx = 0; dx < kGlyphScale; ++dx)
            SetPixel(image, left + col * kGlyphScale + dx, top + row * kGlyphScale + dy, c);
}

void AppendBigEndian(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

void AppendChunk(std::string& out, const char type[4], const std::string& data) {
  AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const size_t start = out.size();
  out.append(type, 4);
  out += data;
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(out.data() + start),
                          out.size() - start);
  AppendBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

RgbImage PlanePicture() {
  RgbImage image;
  image.width = kColumns * kCellWidth;
  image.height = kRows * kCellHeight;
  image.pixels.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
  const std::array<Rgb, 256> palette = Palette();
  const Rgb black = palette[0], white = palette[31];

  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kColumns; ++col) {
      // Hue runs left to right, lightness top to bottom; a checker shifts the hue so
      // neighbouring cells stay apart.
      const int band = 1 + row * 7 / kRows;
      const int hue = (col * 3 + ((row + col) % 2) * 16) % 32;
      const Rgb fill = palette[PaletteIndex(band, hue)];
      const int x0 = col * kCellWidth, y0 = row * kCellHeight;
      for (int y = 0; y < kCellHeight; ++y)
        for (int x = 0; x < kCellWidth; ++x) {
          const bool edge = x == 0 || y == 0;
          SetPixel(image, x0 + x, y0 + y, edge ? black : fill);
        }
      // The cell's number, counted from the top-left, tells the picture's orientation.
      const int luminance = (54 * fill.r + 183 * fill.g + 19 * fill.b) / 256;
      const Rgb ink = luminance < 128 ? white : black;
      const int number = row * kColumns + col;
      const int glyphWidth = 3 * kGlyphScale, textWidth = 2 * glyphWidth + kGlyphScale;
      const int left = x0 + 1 + (kCellWidth - 1 - textWidth) / 2;
      const int top = y0 + 1 + (kCellHeight - 1 - 5 * kGlyphScale) / 2;
      DrawDigit(image, left, top, number / 10, ink);
      DrawDigit(image, left + glyphWidth + kGlyphScale, top, number % 10, ink);
    }
  }
  // Close the grid on the right and bottom edges.
  for (int y = 0; y < image.height; ++y) SetPixel(image, image.width - 1, y, black);
  for (int x = 0; x < image.width; ++x) SetPixel(image, x, image.height - 1, black);
  return image;
}

std::string EncodePng(const RgbImage& image) {
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  if (image.width <= 0 || image.height <= 0 || image.pixels.size() != rowBytes * image.height)
    throw std::runtime_error("image size does not match its pixels");

  // Every row is prefixed with filter type 0 (none).
  std::string raw;
  raw.reserve((rowBytes + 1) * image.height);
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(&image.pixels[y * rowBytes]), rowBytes);
  }
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                reinterpret_cast<const Bytef*>(raw.data()), raw.size(), Z_BEST_COMPRESSION) != Z_OK)
    throw std::runtime_error("zlib compression failed");
  packed.resize(packedSize);

  std::string header;
  AppendBigEndian(header, static_cast<std::uint32_t>(image.width));
  AppendBigEndian(header, static_cast<std::uint32_t>(image.height));
  header += '\x08';        // bit depth
  header += '\x02';        // colour type: truecolour
  header.append(3, '\0');  // deflate, adaptive filtering, no interlace

  std::string out("\x89PNG\r\n\x1a\n", 8);
  AppendChunk(out, "IHDR", header);
  AppendChunk(out, "IDAT", packed);
  AppendChunk(out, "IEND", std::string());
  return out;
}

}  // namespace velmora::datagen
