#include "render/FrameText.h"

#include <QPainter>
#include <cmath>

namespace velmora {

QString FormatErrorText(double error) {
  if (!std::isfinite(error)) return {};
  return QString::asprintf("%.6f", error);
}

void PaintErrorText(QPainter& painter, int width, int height, const QString& text) {
  if (text.isEmpty()) return;
  painter.save();
  painter.setPen(Qt::black);
  painter.drawText(QRect(8, 8, width - 8, height - 8), Qt::AlignLeft | Qt::AlignTop, text);
  painter.restore();
}

}  // namespace velmora
