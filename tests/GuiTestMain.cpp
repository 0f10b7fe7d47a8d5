#include <gtest/gtest.h>
#include <QApplication>
#include <clocale>

#include "base/Notify.h"
#include "platform/MessageBox.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  velmora::InitOpenGLFormat();
  QApplication app(argc, argv);
  // Qt adopts the user's locale; the data files always use a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  velmora::SetMessageSink(
      [](const std::string& text) { ADD_FAILURE() << "unexpected message box: " << text; });
  return RUN_ALL_TESTS();
}
