#include "render/image/FrameImage.h"

#include <QBuffer>
#include <QPainter>
#include <cstring>
#include <limits>

#include "data/FileWrite.h"
#include "render/Workbench.h"
#include "render/image/ColourLegend.h"

namespace velmora {

void PaintErrorText(QPainter& painter, int width, int height, const QString& text) {
  if (text.isEmpty()) return;
  painter.save();
  painter.setPen(Qt::black);
  painter.drawText(QRect(8, 8, width - 8, height - 8), Qt::AlignLeft | Qt::AlignTop, text);
  painter.restore();
}

void LegendRange(const Workbench& workbench, double& min, double& max) {
  min = max = std::numeric_limits<double>::quiet_NaN();
  workbench.MainSphereScoreRange(min, max);
}

void PaintFrameTexts(QPainter& painter, int width, int height, const Workbench& workbench,
                     bool legend) {
  PaintErrorText(painter, width, height,
                 QString::fromStdString(FormatErrorText(workbench.Error())));
  if (!legend) return;
  double min = 0, max = 0;
  LegendRange(workbench, min, max);
  PaintColourLegend(painter, width, height, min, max, workbench.GetErrorKind());
}

QImage FrameImage(const FramePixels& pixels) {
  if (pixels.width <= 0 || pixels.height <= 0) return {};
  QImage image(pixels.width, pixels.height, QImage::Format_RGBX8888);
  const std::size_t stride = static_cast<std::size_t>(pixels.width) * 4;
  for (int y = 0; y < pixels.height; ++y)
    std::memcpy(image.scanLine(y), pixels.rgba.data() + stride * y, stride);
  return image.convertToFormat(QImage::Format_RGB32);
}

bool WritePngFile(const QImage& image, const std::string& path, std::string& why) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) {
    why = "cannot write " + path + ": the picture cannot be encoded as PNG";
    return false;
  }
  return WriteWholeFile(
      path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), why);
}

}  // namespace velmora
