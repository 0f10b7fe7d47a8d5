#pragma once
// Picture files decoded with QImage and adapted to the decoded-image rules: a depth a
// device-independent bitmap holds (1, 4, 8, 16, 24, 32 bits) is kept, any other becomes
// 32 bits with alpha. The upload takes 8, 24 and 32; the others are reported.

#include <string>

#include "render/DecodedImage.h"

namespace velmora {

// An ImageDecoder: false when the file is missing, unreadable, not a regular file or not a
// picture. A picture decoded to 1, 4 or 16 bits comes back with that depth in
// bitsPerPixel and no pixels. Files are read as far as their size when opened.
bool DecodeImageFile(const std::string& fileName, DecodedImage& out);

}  // namespace velmora
