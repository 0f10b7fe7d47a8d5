#include "render/image/ImageDecode.h"

#include <QImage>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velmora {
namespace {

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

}  // namespace

bool DecodeImageFile(const std::string& fileName, DecodedImage& out) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (IsPng(bytes) && !PngChunksFitTheFile(bytes)) return false;
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

}  // namespace velmora
