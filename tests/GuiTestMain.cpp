#include <QApplication>
#include <QSurfaceFormat>
#include <gtest/gtest.h>

#include "platform/Notify.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Same OpenGL set-up as the workbench: a 2.x compatibility context, shared contexts.
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::NoProfile);
  format.setDepthBufferSize(24);
  QSurfaceFormat::setDefaultFormat(format);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  velmora::SetMessageSink([](const std::string& text) { ADD_FAILURE() << "unexpected message box: " << text; });
  return RUN_ALL_TESTS();
}
