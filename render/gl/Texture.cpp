#include "render/gl/Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>

#include "base/Notify.h"

namespace velmora {

bool CreateTexture(GlContext& context, int& name, const std::string& fileName) {
  if (fileName.empty()) return false;
  DecodedImage image;
  if (!context.imageDecoder || !context.imageDecoder(fileName, image)) {
    std::string text = "Cannot load image " + fileName + "\n";
    // A decoder that refuses a picture for its size gives that size back.
    if (image.width > 0 && image.height > 0)
      text += fileName + " is too large: " + std::to_string(image.width) + " x " +
              std::to_string(image.height);
    ShowMessage(text);
    return false;
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  name = static_cast<int>(texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // the decoded rows are padded to 4 bytes
  glBindTexture(GL_TEXTURE_2D, texture);
  context.textureWidth = image.width;
  context.textureHeight = image.height;

  GLint components;
  GLenum format;
  switch (image.bitsPerPixel) {
    case 8:
      components = 1, format = GL_LUMINANCE;
      break;
    case 24:
      components = 3, format = GL_BGR;
      break;
    case 32:
      components = 4, format = GL_BGRA;
      break;
    default:
      ShowMessage("Can read only 8,24 or 32 bits images!");
      return false;
  }
  const std::uint8_t* start =
      image.pitch > 0 ? image.firstRow
                      : image.firstRow + static_cast<long>(image.height - 1) * image.pitch;
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, image.width, image.height, format, GL_UNSIGNED_BYTE,
                    start);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return true;
}

void LoadTexture(GlContext& context, int& name, TextureSize& size, const std::string& fileName) {
  size = TextureSize{};
  if (context.surface == nullptr || !context.surface->MakeCurrent()) return;
  glEnable(GL_TEXTURE_2D);
  if (CreateTexture(context, name, fileName))
    size = TextureSize{context.textureWidth, context.textureHeight};
  // A message box runs its own event loop, and another window may have painted meanwhile.
  context.surface->MakeCurrent();
  glDisable(GL_TEXTURE_2D);
  context.surface->DoneCurrent();
}

}  // namespace velmora
