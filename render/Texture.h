#pragma once
// Image files as OpenGL textures. Decoding goes through QImage (Qt GUI, no widgets) and
// is adapted to what the texture upload expects: bottom-up rows padded to 4 bytes, blue
// green red (alpha) byte order, palette indices for 8-bit pictures.

#include <cstdint>
#include <string>
#include <vector>

#include "render/GlContext.h"

namespace velmora {

struct TextureSize {
  int width = 0, height = 0;
};

struct DecodedImage {
  int width = 0, height = 0;
  std::uint8_t bitsPerPixel = 0;           // 8 (index or grey), 24 (BGR) or 32 (BGRA); else refused
  const std::uint8_t* firstRow = nullptr;  // the picture's top row
  int pitch = 0;                           // bytes from one row to the row below; negative here
  std::vector<std::uint32_t> palette;      // colour table of an indexed picture
  std::vector<std::uint8_t> storage;       // the rows, bottom row first
};

// The depth a picture's pixels keep, from its own header where QImage hides it: for PNG
// bit depth times samples per pixel (grey 1, RGB 3, palette 1, grey with alpha 2, RGBA 4),
// for BMP the header's bit count. 0 when the header tells nothing.
int SourceBitsPerPixel(const std::string& fileBytes);

// False when the file is missing, unreadable or not a picture. A picture whose depth is not
// 8, 24 or 32 bits is decoded with that depth in bitsPerPixel and no pixels.
bool DecodeImageFile(const std::string& fileName, DecodedImage& out);

// With a context current: decodes fileName into a new mipmapped texture, stores its size in
// context.textureWidth/Height. The name is written only when one is generated. Reports
// "Cannot load image <name>\n" (no name generated) and "Can read only 8,24 or 32 bits
// images!" (the name stays, empty) in message boxes; an empty file name fails silently.
bool CreateTexture(GlContext& context, int& name, const std::string& fileName);

// Binds the context around CreateTexture. size is the picture's on success, else (0, 0).
void LoadTexture(GlContext& context, int& name, TextureSize& size, const std::string& fileName);

}  // namespace velmora
