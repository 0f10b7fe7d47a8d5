// ReadColmapPair on any bytes, split at the line "%%images.txt" into cameras.txt and
// images.txt: it reads or refuses with a file named, and what it reads is two cameras
// that can be inverted, two rotations and one finite pixel list per image of one length.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "data/import/Import.h"
#include "data/import/ImportMath.h"
#include "fuzz/FuzzSupport.h"

using namespace velmora;
using fuzz::Check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find("%%images.txt\n");
  const std::string dir = fuzz::WorkDir();
  fuzz::WriteFile("cameras.txt", input.substr(0, split));
  fuzz::WriteFile("images.txt",
                  split == std::string_view::npos ? std::string_view() : input.substr(split + 13));
  TwoViewInput pair;
  std::string why;
  if (!ReadColmapPair(dir, 1, 2, pair, why)) {
    Check(why.rfind(dir + "/cameras.txt", 0) == 0 || why.rfind(dir + "/images.txt", 0) == 0,
          "a refusal does not name its file");
    return 0;
  }
  const std::size_t n = pair.u1.size();
  Check(pair.v1.size() == n && pair.u2.size() == n && pair.v2.size() == n,
        "pixel lists of different lengths");
  for (std::size_t i = 0; i < n; ++i)
    Check(std::isfinite(pair.u1[i] + pair.v1[i] + pair.u2[i] + pair.v2[i]),
          "a pixel is not finite");
  for (int c = 0; c < 2; ++c) {
    Check(pair.cameras[c].fx != 0 && pair.cameras[c].fy != 0, "a singular camera was read");
    Check(CheckRotation(pair.poses[c].R).empty(), "a pose is no rotation");
  }
  return 0;
}
