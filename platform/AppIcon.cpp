#include "platform/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora {
namespace {

QPixmap PaintIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(38, 52, 84));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  // Two rays from the camera centres to the reconstructed point.
  const QPointF left(12, 50), right(52, 50), point(32, 14);
  p.setPen(QPen(QColor(255, 196, 64), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(left, point);
  p.setPen(QPen(QColor(96, 200, 255), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(right, point);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(240, 240, 240));
  p.drawEllipse(point, 5, 5);
  // Camera bodies.
  p.setBrush(QColor(255, 196, 64));
  p.drawRect(QRectF(5, 46, 14, 10));
  p.setBrush(QColor(96, 200, 255));
  p.drawRect(QRectF(45, 46, 14, 10));
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(PaintIcon(size));
  return icon;
}

}  // namespace velmora
