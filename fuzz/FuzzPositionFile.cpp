// LoadPositionFile on any bytes, checked against the C library reading the decimal
// numbers of the first nine lines (values that are not finite read as 0).

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "camera/PositionFile.h"
#include "fuzz/FuzzSupport.h"

using namespace velmora;
using fuzz::Check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::WriteFile(kPositionFileName, input);
  double targets[kPositionTargetCount + 1];
  targets[kPositionTargetCount] = 1234.5;  // must survive: only nine targets are written
  Check(LoadPositionFile(path, targets), "a written file was not read");
  Check(targets[kPositionTargetCount] == 1234.5, "wrote past the nine targets");

  // getline keeps a carriage return; the number stops before it anyway.
  const std::vector<std::string> lines = fuzz::SplitLines(input, false);
  for (std::size_t i = 0; i < kPositionTargetCount; ++i) {
    double expected = i < lines.size() ? fuzz::DecimalAtof(lines[i].c_str()) : 0.0;
    if (!std::isfinite(expected)) expected = 0.0;  // values nothing could draw read as 0
    Check(std::bit_cast<std::uint64_t>(targets[i]) == std::bit_cast<std::uint64_t>(expected),
          "a target differs from atof of its line");
  }
  return 0;
}
