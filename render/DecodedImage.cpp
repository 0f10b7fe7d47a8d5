#include "render/DecodedImage.h"

#include <cstring>

namespace velmora {
namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

}  // namespace

bool IsPng(const std::string& bytes) {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0;
}

bool PngChunksFitTheFile(const std::string& bytes) {
  std::size_t at = 8;  // after the signature
  while (bytes.size() - at >= 8) {
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length = length << 8 | static_cast<unsigned char>(bytes[at + i]);
    if (bytes.compare(at + 4, 4, "IEND") == 0) break;  // the decoder reads no further
    if (length > bytes.size() - at - 8 || bytes.size() - at - 8 - length < 4) return false;
    at += 12 + std::size_t{length};  // length, type, data and CRC
  }
  return true;
}

int SourceBitsPerPixel(const std::string& bytes) {
  if (bytes.size() >= 26 && IsPng(bytes)) {
    // IHDR follows the signature: bit depth at byte 24, colour type at byte 25.
    const int bitDepth = static_cast<unsigned char>(bytes[24]);
    switch (static_cast<unsigned char>(bytes[25])) {
      case 0:
        return bitDepth;  // grey
      case 2:
        return 3 * bitDepth;  // RGB
      case 3:
        return bitDepth;  // palette
      case 4:
        return 2 * bitDepth;  // grey with alpha
      case 6:
        return 4 * bitDepth;  // RGBA
      default:
        return 0;
    }
  }
  if (bytes.size() >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
    // The bit count sits in the info header after the 14-byte file header; the old
    // 12-byte core header keeps it at byte 24, every later header at byte 28.
    auto word = [&](std::size_t at) {
      return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    const bool coreHeader = word(14) == 12 && word(16) == 0;
    if (coreHeader) return word(24);
    if (bytes.size() >= 30) return word(28);
  }
  return 0;
}

}  // namespace velmora
