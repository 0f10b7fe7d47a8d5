#include "base/Notify.h"

#include <cstdio>
#include <limits>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

void ShowOnStderr() {
  SetMessageSink([](const std::string& text) { std::fprintf(stderr, "box: %s\n", text.c_str()); });
}

// Both the explicit call and an array that cannot be had show the box, then exit with -1.
TEST(LowMemoryDeathTest, ShowsTheBoxThenExitsWithMinusOne) {
  EXPECT_EXIT(
      {
        ShowOnStderr();
        FailLowMemory();
      },
      testing::ExitedWithCode(255), "box: Low memory!");
  EXPECT_EXIT(
      {
        ShowOnStderr();
        std::vector<double> array;
        ResizeOrDie(array, std::numeric_limits<std::size_t>::max() / 2);
      },
      testing::ExitedWithCode(255), "box: Low memory!");
}

}  // namespace
}  // namespace velmora
