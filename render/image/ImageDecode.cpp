#include "render/image/ImageDecode.h"

#include <unistd.h>

#include <QImage>
#include <cstring>
#include <new>

#include "data/TextBuffer.h"

namespace velmora {
namespace {

// Reads a regular file as far as its size when opened. Anything else is refused unread
// (OpenRegularFile), and so is a file too large for memory.
bool ReadRegularFile(const std::string& fileName, std::string& bytes) {
  std::size_t size = 0;
  const int fd = OpenRegularFile(fileName, &size);
  if (fd < 0) return false;
  long got = -1;
  try {
    bytes.resize(size);
    got = ReadUpTo(fd, bytes.data(), size);
  } catch (const std::bad_alloc&) {
    // got stays -1: refused as a file that cannot be read
  }
  ::close(fd);
  if (got < 0) return false;
  bytes.resize(static_cast<std::size_t>(got));
  return true;
}

// Bits per pixel of a picture QImage has decoded, where the file's header did not say: a
// format a device-independent bitmap holds as it is, or 32 for any other.
int DepthOfDecoded(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      return 1;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
      return 8;
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
      return 16;
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
      return 24;
    default:
      return 32;
  }
}

// The depth a picture decodes to. A depth a device-independent bitmap holds is kept (1,
// 4, 8, 16, 24, 32 bits per pixel), though the upload takes only 8, 24 and 32 of them;
// any other format, with alpha or not, becomes 32 bits with alpha. 16 bits of a PNG are
// grey with alpha or 16-bit grey, neither of them a bitmap's 16-bit colour, and 2-bit
// pictures have no bitmap depth: both become 32 bits.
int DecodedDepth(const std::string& bytes, const QImage& image) {
  int depth = SourceBitsPerPixel(bytes);
  if (depth == 0) depth = DepthOfDecoded(image);
  if (IsPng(bytes) && depth == 16) return 32;
  switch (depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return depth;
    default:
      return 32;
  }
}

}  // namespace

bool DecodeImageFile(const std::string& fileName, DecodedImage& out) {
  std::string bytes;
  if (!ReadRegularFile(fileName, bytes)) return false;
  if (IsPng(bytes) && !PngChunksFitTheFile(bytes)) return false;
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size())))
    return false;

  const int depth = DecodedDepth(bytes, image);
  out = DecodedImage{};
  out.width = image.width();
  out.height = image.height();
  out.bitsPerPixel = static_cast<std::uint8_t>(depth);
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
