#include <gtest/gtest.h>

#include "base/Notify.h"
#include "tests/TestSupport.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A message box in a test is a failure unless the test expects it with MessageRecorder.
  velmora::SetMessageSink(
      [](const std::string& text) { ADD_FAILURE() << "unexpected message box: " << text; });
  return RUN_ALL_TESTS();
}
