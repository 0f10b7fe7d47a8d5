#pragma once
// Image files as OpenGL textures. The context's imageDecoder turns the file into a
// DecodedImage (render/image/ supplies the QImage one); this side only uploads it.

#include <string>

#include "render/gl/GlContext.h"

namespace velmora {

struct TextureSize {
  int width = 0, height = 0;
};

// With a context current: decodes fileName with context.imageDecoder into a new mipmapped texture,
// stores its size in context.textureWidth/Height. The name is written only when one is generated.
// Reports "Cannot load image <name>\n" (no name generated; followed by "<name> is too large:
// W x H" when the decoder gave a size back) and "Can read only 8,24 or 32 bits
// images!" (the name stays, empty) in message boxes; an empty file name fails silently. No
// decoder counts as a picture that cannot be loaded.
bool CreateTexture(GlContext& context, int& name, const std::string& fileName);

// Binds the context around CreateTexture. size is the picture's on success, else (0, 0).
void LoadTexture(GlContext& context, int& name, TextureSize& size, const std::string& fileName);

}  // namespace velmora
