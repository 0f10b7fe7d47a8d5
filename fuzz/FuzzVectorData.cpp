// ReadVectorData on any bytes, checked against the C library reading the decimal numbers
// of the same lines.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/VectorData.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace velmora;
using fuzz::Check;

// The fast number reader promises the library's result bit for bit.
bool SameDouble(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void CheckPoint(const std::string& line, double x, double y) {
  Check(SameDouble(x, fuzz::DecimalAtof(line.c_str())), "x differs from atof");
  const std::size_t blank = line.find(' ');
  const char* yText = blank == std::string::npos ? line.c_str() : line.c_str() + blank + 1;
  Check(SameDouble(y, fuzz::DecimalAtof(yText)), "y differs from atof");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::WriteFile("points.dtx", input);
  VectorData out;
  out.count = -7;  // replaced by any successful read
  Check(ReadVectorData(path, out), "a written file was not read");

  const std::vector<std::string> lines = fuzz::SplitLines(input, true);
  const std::size_t n = lines.size() / 2;
  Check(out.count == static_cast<int>(n), "count is not half the lines");
  Check(out.firstX.size() == n && out.firstY.size() == n && out.secondX.size() == n &&
            out.secondY.size() == n,
        "arrays do not match the count");
  for (std::size_t i = 0; i < n; ++i) {
    CheckPoint(lines[i], out.firstX[i], out.firstY[i]);
    CheckPoint(lines[n + i], out.secondX[i], out.secondY[i]);
  }
  return 0;
}
