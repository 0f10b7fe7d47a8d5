#include "render/image/ImageDecode.h"

#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>
#include <new>
#include <utility>

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

// The picture's rows into decoded's storage, the top row last: one byte a pixel for 8 bits
// (a palette index or a grey level), else blue, green, red and for 32 bits alpha.
void CopyRowsBottomUp(const QImage& image, int depth, std::size_t stride, DecodedImage& decoded) {
  for (int y = 0; y < decoded.height; ++y) {
    std::uint8_t* row = decoded.storage.data() + stride * (decoded.height - 1 - y);
    const uchar* src = image.constScanLine(y);
    if (depth == 8) {
      std::memcpy(row, src, decoded.width);
      continue;
    }
    const QRgb* px = reinterpret_cast<const QRgb*>(src);
    for (int x = 0; x < decoded.width; ++x) {
      *row++ = static_cast<std::uint8_t>(qBlue(px[x]));
      *row++ = static_cast<std::uint8_t>(qGreen(px[x]));
      *row++ = static_cast<std::uint8_t>(qRed(px[x]));
      if (depth == 32) *row++ = static_cast<std::uint8_t>(qAlpha(px[x]));
    }
  }
}

}  // namespace

bool DecodeImageFile(const std::string& fileName, DecodedImage& out) {
  std::string bytes;
  if (!ReadRegularFile(fileName, bytes)) return false;
  if (IsPng(bytes) && !PngChunksFitTheFile(bytes)) return false;
  // Qt refuses pictures beyond 128 MB unless told otherwise: allow what the largest
  // picture a texture takes needs in the widest format Qt decodes to (64 bits a pixel).
  // The limit is Qt's and process-wide; it is set on the first decode.
  static const bool limitSet =
      (QImageReader::setAllocationLimit(static_cast<int>(kLargestPicturePixels * 8 >> 20)), true);
  (void)limitSet;
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize size = reader.size();  // from the header, before any pixel is decoded
  // Refused for its size: only the size is given back, so that the caller can say so.
  const auto tooLarge = [&out](const QSize& s) {
    out.width = s.width();
    out.height = s.height();
    return false;
  };
  if (size.isValid() &&
      static_cast<long long>(size.width()) * size.height() > kLargestPicturePixels)
    return tooLarge(size);

  try {
    QImage image;
    if (!reader.read(&image)) return false;
    const int depth = DecodedDepth(bytes, image);
    DecodedImage decoded;
    decoded.width = image.width();
    decoded.height = image.height();
    decoded.bitsPerPixel = static_cast<std::uint8_t>(depth);
    if (depth != 8 && depth != 24 && depth != 32) {
      out = std::move(decoded);
      return true;
    }

    const std::size_t stride =
        (static_cast<std::size_t>(decoded.width) * depth / 8 + 3) & ~std::size_t{3};
    decoded.storage.assign(stride * decoded.height, 0);
    decoded.pitch = -static_cast<int>(stride);
    // Rows bottom-up as the upload expects them: the top row is stored last.
    decoded.firstRow = decoded.storage.data() + stride * (decoded.height - 1);

    if (depth == 8 && image.format() == QImage::Format_Indexed8) {
      for (QRgb c : image.colorTable()) decoded.palette.push_back(c);
    } else if (depth == 8) {
      image = image.convertToFormat(QImage::Format_Grayscale8);
    } else {
      image = image.convertToFormat(QImage::Format_ARGB32);
    }
    if (image.isNull()) return tooLarge(QSize(decoded.width, decoded.height));  // no memory
    CopyRowsBottomUp(image, depth, stride, decoded);
    out = std::move(decoded);
    return true;
  } catch (const std::bad_alloc&) {
    return size.isValid() ? tooLarge(size) : false;
  }
}

}  // namespace velmora
