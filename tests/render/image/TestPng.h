#pragma once
// PNG files of any colour type and bit depth, written byte by byte: QImage writes only the
// formats it holds, not grey with alpha or 2-bit palettes.

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// samples(x, y) gives the pixel's samples, one value per sample already in the bit depth's
// range (grey and palette pictures: one sample); palette colours are 0xRRGGBB.
inline std::string Png(int width, int height, int colourType, int bitDepth,
                       const std::function<std::vector<int>(int x, int y)>& samples,
                       const std::vector<std::uint32_t>& palette = {}) {
  auto be32 = [](std::string& s, std::uint32_t v) {
    for (int shift : {24, 16, 8, 0}) s += static_cast<char>(v >> shift);
  };
  auto chunk = [&](std::string& out, const char* type, const std::string& data) {
    be32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    be32(out, crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
  };
  std::string ihdr;
  be32(ihdr, width);
  be32(ihdr, height);
  ihdr += {static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0, 0};
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // no filter
    std::uint32_t acc = 0;
    int bits = 0;
    for (int x = 0; x < width; ++x) {
      for (int v : samples(x, y)) {
        acc = (acc << bitDepth) | static_cast<std::uint32_t>(v);
        bits += bitDepth;
        while (bits >= 8) {
          bits -= 8;
          raw += static_cast<char>(acc >> bits);
        }
      }
    }
    if (bits > 0) raw += static_cast<char>(acc << (8 - bits));
  }
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
           reinterpret_cast<const Bytef*>(raw.data()), raw.size());
  packed.resize(packedSize);
  std::string out = "\x89PNG\r\n\x1a\n";
  chunk(out, "IHDR", ihdr);
  if (!palette.empty()) {
    std::string plte;
    for (std::uint32_t c : palette) plte += {char(c >> 16), char(c >> 8), char(c)};
    chunk(out, "PLTE", plte);
  }
  chunk(out, "IDAT", packed);
  chunk(out, "IEND", "");
  return out;
}

}  // namespace velmora::test
