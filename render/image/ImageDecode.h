#pragma once
// Picture files decoded with QImage and adapted to the decoded-image rules: the depth the
// file declares is kept where the upload takes it (8, 24, 32 bits), reported otherwise.

#include <string>

#include "render/DecodedImage.h"

namespace velmora {

// An ImageDecoder: false when the file is missing, unreadable or not a picture. A picture
// whose depth is not 8, 24 or 32 bits is decoded with that depth in bitsPerPixel and no
// pixels.
bool DecodeImageFile(const std::string& fileName, DecodedImage& out);

}  // namespace velmora
