#include "render/image/ColourLegend.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "render/ErrorMaps.h"
#include "render/FrameText.h"

namespace velmora {

namespace {

constexpr int kMargin = 8;   // from the frame's edges, as the corner number
constexpr int kPadding = 6;  // inside the box
constexpr int kBarHeight = 12;
constexpr int kMinBarWidth = 160;

const char* const kTitle = "Main sphere: best (blue) to worst (red)";

QString Bound(double v) {
  return QString::fromStdString(FormatErrorText(v));  // empty when not finite
}

QString Meaning(ErrorKind kind) {
  return QStringLiteral("Corner number: ") + QString::fromUtf8(kind == ErrorKind::kBaseline
                                                                   ? kBaselineNumberMeaning
                                                                   : kCornerNumberMeaning);
}

}  // namespace

ColourLegendLayout LayOutColourLegend(int width, int height, const QFontMetrics& metrics,
                                      ErrorKind kind) {
  const int textWidth = std::max(metrics.horizontalAdvance(QString::fromUtf8(kTitle)),
                                 metrics.horizontalAdvance(Meaning(kind)));
  const int barWidth = std::max(textWidth, kMinBarWidth);
  const int line = metrics.height();
  // Title, bar, the two bounds, the meaning.
  const QSize box(barWidth + 2 * kPadding, 3 * line + kBarHeight + 2 * kPadding + 4);
  ColourLegendLayout layout;
  layout.box = QRect(QPoint(width - kMargin - box.width(), height - kMargin - box.height()), box);
  layout.bar = QRect(layout.box.left() + kPadding, layout.box.top() + kPadding + line + 2, barWidth,
                     kBarHeight);
  return layout;
}

void PaintColourLegend(QPainter& painter, int width, int height, double min, double max,
                       ErrorKind kind) {
  const ColourLegendLayout layout = LayOutColourLegend(width, height, painter.fontMetrics(), kind);
  painter.save();
  painter.setClipRect(layout.box);
  painter.fillRect(layout.box, QColor(255, 255, 255, 220));
  painter.setPen(Qt::black);
  painter.drawRect(layout.box.adjusted(0, 0, -1, -1));

  // Position p along the bar is the score min + p (max - min); the maps colour it with
  // the square of p, so the bar does too.
  const QRect& bar = layout.bar;
  for (int x = 0; x < bar.width(); ++x) {
    const double p = bar.width() > 1 ? static_cast<double>(x) / (bar.width() - 1) : 0.0;
    const Vec3 c = ScoreToColour(p * p);
    painter.fillRect(QRect(bar.left() + x, bar.top(), 1, bar.height()),
                     QColor::fromRgbF(static_cast<float>(c.x), static_cast<float>(c.y),
                                      static_cast<float>(c.z)));
  }

  const int line = painter.fontMetrics().height();
  const int left = bar.left(), textWidth = bar.width();
  painter.drawText(QRect(left, layout.box.top() + kPadding, textWidth, line),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(kTitle));
  const QRect bounds(left, bar.bottom() + 3, textWidth, line);
  painter.drawText(bounds, Qt::AlignLeft | Qt::AlignVCenter, Bound(min));
  painter.drawText(bounds, Qt::AlignRight | Qt::AlignVCenter, Bound(max));
  painter.drawText(QRect(left, bounds.bottom() + 1, textWidth, line),
                   Qt::AlignLeft | Qt::AlignVCenter, Meaning(kind));
  painter.restore();
}

}  // namespace velmora
