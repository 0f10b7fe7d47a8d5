#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include "base/Notify.h"

namespace velmora {

void InstallMessageBoxSink() {
  SetMessageSink([](const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Velmora"), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  });
}

void InitOpenGLFormat() {
  // A 2.x request with no profile gives the compatibility context that fixed-function
  // drawing needs; asking for 3.x yields a core context on GLX.
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::NoProfile);
  format.setDepthBufferSize(24);
  QSurfaceFormat::setDefaultFormat(format);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

bool OpenGLAvailable() {
  QOffscreenSurface surface;
  surface.create();
  QOpenGLContext context;
  if (!surface.isValid() || !context.create()) return false;
  const bool current = context.makeCurrent(&surface);
  if (current) context.doneCurrent();
  return current;
}

}  // namespace velmora
