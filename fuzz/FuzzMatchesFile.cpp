// ReadMatchesFile on any bytes: it reads or refuses with the file and the line named,
// and what it reads is four columns of finite pixels of one length.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "data/import/Import.h"
#include "fuzz/FuzzSupport.h"

using namespace velmora;
using fuzz::Check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path =
      fuzz::WriteFile("m.csv", std::string_view(reinterpret_cast<const char*>(data), size));
  TwoViewInput input;
  input.u1 = {7};  // replaced by any successful read
  std::string why;
  if (!ReadMatchesFile(path, 0.5, input, why)) {
    Check(why.rfind(path + ":", 0) == 0, "a refusal does not name the file");
    Check(input.u1.size() == 1, "a refusal changed the input");
    return 0;
  }
  const std::size_t n = input.u1.size();
  Check(input.v1.size() == n && input.u2.size() == n && input.v2.size() == n,
        "columns of different lengths");
  for (const auto* column : {&input.u1, &input.v1, &input.u2, &input.v2})
    for (double v : *column) Check(std::isfinite(v), "a pixel is not finite");
  return 0;
}
