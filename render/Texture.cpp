#include "render/Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QImage>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/Notify.h"

namespace velmora {
namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

// Bits per pixel of a picture QImage has decoded, where the file's header did not say.
int DepthOfDecoded(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      return 1;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
      return 8;
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
      return 24;
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
      return 32;
    default:
      return image.depth();
  }
}

// A PNG chunk must lie inside the file. The PNG decoder allocates what a chunk's length
// field claims before it reads the chunk, so a few bytes claiming 2 GB would take 2 GB
// only to fail at the end of the file; such a file is refused here instead.
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

}  // namespace

int SourceBitsPerPixel(const std::string& bytes) {
  if (bytes.size() >= 26 && std::memcmp(bytes.data(), kPngSignature, 8) == 0) {
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

bool DecodeImageFile(const std::string& fileName, DecodedImage& out) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const bool png = bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0;
  if (png && !PngChunksFitTheFile(bytes)) return false;
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size())))
    return false;

  int depth = SourceBitsPerPixel(bytes);
  if (depth == 0) depth = DepthOfDecoded(image);
  out = DecodedImage{};
  out.width = image.width();
  out.height = image.height();
  // A depth past the field's range must stay refused, not wrap into an accepted one.
  out.bitsPerPixel = static_cast<std::uint8_t>(depth <= 0xff ? depth : 0);
  if (depth != 8 && depth != 24 && depth != 32) return true;

  const int stride = (out.width * depth / 8 + 3) & ~3;
  out.storage.assign(static_cast<std::size_t>(stride) * out.height, 0);
  out.pitch = -stride;
  // Rows bottom-up as the upload expects them: the top row is stored last.
  out.firstRow = out.storage.data() + static_cast<std::size_t>(stride) * (out.height - 1);

  if (depth == 8 && image.format() == QImage::Format_Indexed8) {
    for (QRgb c : image.colorTable()) out.palette.push_back(c);
  } else if (depth == 8) {
    image = image.convertToFormat(QImage::Format_Grayscale8);
  } else {
    image = image.convertToFormat(QImage::Format_ARGB32);
  }
  for (int y = 0; y < out.height; ++y) {
    std::uint8_t* row =
        out.storage.data() + static_cast<std::size_t>(stride) * (out.height - 1 - y);
    const uchar* src = image.constScanLine(y);
    if (depth == 8) {
      std::memcpy(row, src, out.width);  // a palette index or a grey level per byte
      continue;
    }
    const QRgb* px = reinterpret_cast<const QRgb*>(src);
    for (int x = 0; x < out.width; ++x) {
      *row++ = static_cast<std::uint8_t>(qBlue(px[x]));
      *row++ = static_cast<std::uint8_t>(qGreen(px[x]));
      *row++ = static_cast<std::uint8_t>(qRed(px[x]));
      if (depth == 32) *row++ = static_cast<std::uint8_t>(qAlpha(px[x]));
    }
  }
  return true;
}

bool CreateTexture(GlContext& context, int& name, const std::string& fileName) {
  if (fileName.empty()) return false;
  DecodedImage image;
  if (!DecodeImageFile(fileName, image)) {
    ShowMessage("Cannot load image " + fileName + "\n");
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
