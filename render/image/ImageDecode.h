#pragma once
// Picture files decoded with QImage and adapted to the decoded-image rules: a depth a
// device-independent bitmap holds (1, 4, 8, 16, 24, 32 bits) is kept, any other becomes
// 32 bits with alpha. The upload takes 8, 24 and 32; the others are reported.

#include <string>

#include "render/DecodedImage.h"

namespace velmora {

// The most pixels a picture may have: the largest texture side OpenGL implementations
// give (16384), squared. Larger pictures would take gigabytes only to be scaled down, and
// GLU's working copies of them no longer fit its int sizes.
constexpr long long kLargestPicturePixels = 16384LL * 16384;

// An ImageDecoder: false when the file is missing, unreadable, not a regular file or not a
// picture; out is then left alone, except that a picture refused for its size (more
// pixels than kLargestPicturePixels, or more than the memory left) gives its width and
// height. A picture decoded to 1, 4 or 16 bits comes back with that depth in
// bitsPerPixel and no pixels. Files are read as far as their size when opened.
bool DecodeImageFile(const std::string& fileName, DecodedImage& out);

}  // namespace velmora
