// Writes the application icon as PNG files for the desktop's icon theme, at build time:
// velmora-write-icon DIR writes DIR/<n>x<n>/apps/velmora.png for each size it paints.

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

#include "platform/AppIcon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora-write-icon DIR\n");
    return 2;
  }
  // Painting needs a GUI application, not a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QIcon icon = velmora::AppIcon();
  for (const int size : {16, 32, 48, 64, 128}) {
    const QString dir =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!QDir().mkpath(dir) || !icon.pixmap(size).save(dir + QStringLiteral("/velmora.png"))) {
      std::fprintf(stderr, "velmora-write-icon: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
