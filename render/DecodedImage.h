#pragma once
// A decoded picture as the texture upload takes it: bottom-up rows padded to 4 bytes, blue
// green red (alpha) byte order, palette indices for 8-bit pictures. The decoding itself is
// done above the core (render/image/); the header checks that need no decoder live here.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

struct DecodedImage {
  int width = 0, height = 0;
  std::uint8_t bitsPerPixel = 0;           // 8 (index or grey), 24 (BGR) or 32 (BGRA); else refused
  const std::uint8_t* firstRow = nullptr;  // the picture's top row
  int pitch = 0;                           // bytes from one row to the row below; negative here
  std::vector<std::uint32_t> palette;      // colour table of an indexed picture
  std::vector<std::uint8_t> storage;       // the rows, bottom row first
};

// Decodes a picture file; false when the file is missing, unreadable or not a picture. A
// picture whose depth is not 8, 24 or 32 bits comes back with that depth and no pixels.
using ImageDecoder = std::function<bool(const std::string& fileName, DecodedImage& out)>;

// True when bytes begin with the PNG signature.
bool IsPng(const std::string& bytes);

// The depth a picture's pixels keep, from its own header where a decoder hides it: for PNG
// bit depth times samples per pixel (grey 1, RGB 3, palette 1, grey with alpha 2, RGBA 4),
// for BMP the header's bit count. 0 when the header tells nothing.
int SourceBitsPerPixel(const std::string& fileBytes);

// A PNG chunk must lie inside the file. A PNG decoder allocates what a chunk's length
// field claims before it reads the chunk, so a few bytes claiming 2 GB would take 2 GB
// only to fail at the end of the file; such a file is refused before decoding.
bool PngChunksFitTheFile(const std::string& bytes);

}  // namespace velmora
