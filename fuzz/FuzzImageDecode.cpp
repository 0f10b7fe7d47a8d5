// DecodeImageFile on any bytes, then every byte the texture upload would read.

#include <QCoreApplication>
#include <QImageReader>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "render/image/ImageDecode.h"

using namespace velmora;
using fuzz::Check;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::WorkDir();
  // One application object for the whole run: it sets up the plugin paths QImage uses to
  // find its format readers. Decoding needs no display, so no GUI application.
  static QCoreApplication app(*argc, *argv);
  // A picture's size is bounded by Qt's image allocation limit, which the decoder raises on
  // its first picture to what a texture can take (2 GB), and the decoder keeps two more
  // copies at most. Any header can declare a picture up to that limit in a few bytes, so
  // the target lowers it again after a first decode: the run's memory ceiling then catches
  // what goes beyond the decoder's own copies, not the declared size.
  DecodedImage first;
  DecodeImageFile(fuzz::WriteFile("first", "not a picture"), first);
  QImageReader::setAllocationLimit(32);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::WriteFile("picture", input);
  DecodedImage image;
  if (!DecodeImageFile(path, image)) return 0;

  Check(image.width > 0 && image.height > 0, "a decoded picture without pixels");
  // The header's depth where a bitmap holds it (16 bits only outside PNG, whose 16-bit
  // grey is no bitmap colour); every other declared depth is decoded to 32 bits.
  const std::string bytes(input);
  const int header = SourceBitsPerPixel(bytes);
  const bool kept = header == 1 || header == 4 || header == 8 || header == 24 || header == 32 ||
                    (header == 16 && !IsPng(bytes));
  if (header != 0)
    Check(image.bitsPerPixel == (kept ? header : 32), "the depth is not the decoded-image rule's");
  if (image.bitsPerPixel != 8 && image.bitsPerPixel != 24 && image.bitsPerPixel != 32) {
    Check(image.storage.empty() && image.firstRow == nullptr, "pixels kept at a refused depth");
    return 0;
  }
  // Rows of width * depth bytes padded to 4, read from the bottom row in memory upwards,
  // as the upload with an unpack alignment of 4 reads them.
  const std::size_t stride =
      (static_cast<std::size_t>(image.width) * image.bitsPerPixel / 8 + 3) & ~std::size_t{3};
  Check(image.pitch == -static_cast<long>(stride), "pitch is not the padded row");
  Check(image.storage.size() == stride * static_cast<std::size_t>(image.height),
        "storage does not hold the rows");
  const std::uint8_t* bottom = image.firstRow + static_cast<long>(image.height - 1) * image.pitch;
  Check(bottom == image.storage.data(), "the bottom row is not stored first");
  unsigned sum = 0;
  for (std::size_t i = 0; i < image.storage.size(); ++i) sum += bottom[i];
  if (image.bitsPerPixel == 8) Check(image.palette.size() <= 256, "palette too long");
  return static_cast<int>(sum & 0);
}
