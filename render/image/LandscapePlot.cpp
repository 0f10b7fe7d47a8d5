#include "render/image/LandscapePlot.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "render/ErrorColourScale.h"
#include "render/FrameText.h"

namespace velmora {

namespace {

constexpr int kPadding = 8;
constexpr int kTickLength = 4;

bool Ordinary(const LandscapeSample& s) {
  return !s.rejected && std::isfinite(s.error);
}

// The errors' range, from the ordinary samples; [0, 1] when they give none.
void ErrorRange(const LandscapeFigure& f, double& lo, double& hi) {
  lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const LandscapeSample& s : f.samples)
    if (Ordinary(s)) lo = std::min(lo, s.error), hi = std::max(hi, s.error);
  if (!(lo <= hi)) lo = 0, hi = 1;
  if (lo == hi) lo -= 0.5, hi += 0.5;
}

double Scale(double v, double from, double to, double a, double b) {
  return a + (v - from) / (to - from) * (b - a);
}

QString Number(double v) {
  return QString::number(v, 'g', 5);
}

// The scale's colour at share p of the range, squared as the position map colours it.
QColor ScaleColour(double p) {
  const Vec3 c = ScoreToColour(p * p);
  return QColor::fromRgbF(static_cast<float>(c.x), static_cast<float>(c.y),
                          static_cast<float>(c.z));
}

const char* KindText(ErrorKind kind) {
  return kind == ErrorKind::kBaseline ? "baseline error" : "error";
}

}  // namespace

LandscapeLayout LayOutLandscape(const QRect& area, const LandscapeFigure& f) {
  const QFontMetrics m{QFont()};
  const int line = m.height();
  LandscapeLayout l;
  const int left = area.left() + kPadding + m.horizontalAdvance(QStringLiteral("-00.000")) + 6;
  const int top = area.top() + kPadding + line + 4;
  // Below: tick labels, the axis label and one line per view's fixed parameters.
  const int bottom = area.bottom() - kPadding - (3 + static_cast<int>(f.fixed.size())) * line;
  const int right = area.right() - kPadding - (f.slice ? 28 : 0);
  l.plot = QRect(QPoint(left, top), QPoint(std::max(left + 10, right), std::max(top + 10, bottom)));
  if (f.samples.empty()) return l;
  ErrorRange(f, l.errorMin, l.errorMax);
  const auto [lo, hi] = std::minmax_element(
      f.samples.begin(), f.samples.end(),
      [](const LandscapeSample& a, const LandscapeSample& b) { return a.value < b.value; });
  l.xMin = lo->value, l.xMax = hi->value;
  if (f.slice) {
    const auto [lo2, hi2] = std::minmax_element(
        f.samples.begin(), f.samples.end(),
        [](const LandscapeSample& a, const LandscapeSample& b) { return a.value2 < b.value2; });
    l.yMin = lo2->value2, l.yMax = hi2->value2;
  } else {
    l.yMin = l.errorMin, l.yMax = l.errorMax;
  }
  if (l.xMin == l.xMax) l.xMin -= 0.5, l.xMax += 0.5;
  if (l.yMin == l.yMax) l.yMin -= 0.5, l.yMax += 0.5;
  return l;
}

void PaintLandscape(QPainter& p, const QRect& area, const LandscapeFigure& f) {
  const LandscapeLayout l = LayOutLandscape(area, f);
  const QRect& r = l.plot;
  const int line = p.fontMetrics().height();
  p.save();
  p.setClipRect(area);
  p.fillRect(area, Qt::white);
  p.setPen(Qt::black);
  const QString title =
      f.slice ? QStringLiteral("%1 over %2 (up) and %3 (across)")
                    .arg(QString::fromUtf8(KindText(f.kind)), QString::fromStdString(f.label2),
                         QString::fromStdString(f.label))
              : QStringLiteral("%1 along %2")
                    .arg(QString::fromUtf8(KindText(f.kind)), QString::fromStdString(f.label));
  p.drawText(
      QRect(area.left() + kPadding, area.top() + kPadding, area.width() - 2 * kPadding, line),
      Qt::AlignLeft | Qt::AlignVCenter, title);

  const auto x = [&](double v) { return Scale(v, l.xMin, l.xMax, r.left(), r.right()); };
  const auto y = [&](double v) { return Scale(v, l.yMin, l.yMax, r.bottom(), r.top()); };
  const double lo = l.errorMin, hi = l.errorMax;
  if (f.slice && f.columns > 0 && f.rows > 0) {
    // One cell per sample, the first axis across and the second up.
    const double w = static_cast<double>(r.width()) / f.columns;
    const double h = static_cast<double>(r.height()) / f.rows;
    for (std::size_t i = 0; i < f.samples.size(); ++i) {
      const LandscapeSample& s = f.samples[i];
      const int c = static_cast<int>(i % static_cast<std::size_t>(f.columns));
      const int row = static_cast<int>(i / static_cast<std::size_t>(f.columns));
      const QRectF cell(r.left() + c * w, r.bottom() + 1 - (row + 1) * h, w + 0.5, h + 0.5);
      p.fillRect(cell, Ordinary(s) ? ScaleColour((s.error - lo) / (hi - lo)) : QColor(Qt::gray));
    }
    // The scale beside the map, best at the bottom.
    const QRect bar(r.right() + 8, r.top(), 12, r.height());
    for (int k = 0; k < bar.height(); ++k)
      p.fillRect(QRect(bar.left(), bar.bottom() - k, bar.width(), 1),
                 ScaleColour(static_cast<double>(k) / std::max(1, bar.height() - 1)));
    p.setPen(QPen(Qt::black, 2));
    const QPointF at(x(f.current), y(f.current2));
    p.drawLine(at + QPointF(-6, 0), at + QPointF(6, 0));
    p.drawLine(at + QPointF(0, -6), at + QPointF(0, 6));
    p.setPen(Qt::black);
  } else {
    // The line, broken at every rejected or non-finite sample.
    QPainterPath path;
    bool open = false;
    for (const LandscapeSample& s : f.samples) {
      if (!Ordinary(s)) {
        open = false;
        continue;
      }
      const QPointF at(x(s.value), y(s.error));
      open ? path.lineTo(at) : path.moveTo(at);
      open = true;
    }
    p.setPen(QPen(QColor(20, 60, 200), 1.5));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(200, 30, 30), 1, Qt::DashLine));
    p.drawLine(QPointF(x(f.current), r.top()), QPointF(x(f.current), r.bottom()));
    p.setPen(Qt::black);
  }
  p.drawRect(r);

  // Ticks: both ends and the middle of each axis.
  for (int k = 0; k <= 2; ++k) {
    const double vx = l.xMin + k * (l.xMax - l.xMin) / 2, vy = l.yMin + k * (l.yMax - l.yMin) / 2;
    const double px = x(vx), py = y(vy);
    p.drawLine(QPointF(px, r.bottom()), QPointF(px, r.bottom() + kTickLength));
    p.drawLine(QPointF(r.left() - kTickLength, py), QPointF(r.left(), py));
    p.drawText(QRectF(px - 60, r.bottom() + kTickLength, 120, line),
               Qt::AlignHCenter | Qt::AlignTop, Number(vx));
    p.drawText(QRectF(area.left(), py - line / 2.0, r.left() - kTickLength - 2 - area.left(), line),
               Qt::AlignRight | Qt::AlignVCenter, Number(vy));
  }
  int below = r.bottom() + kTickLength + line;
  const QString xLabel =
      QStringLiteral("%1 (current %2)%3")
          .arg(QString::fromStdString(f.label), Number(f.current),
               f.slice ? QStringLiteral("; up: %1 (current %2)")
                             .arg(QString::fromStdString(f.label2), Number(f.current2))
                       : QString());
  p.drawText(QRect(r.left(), below, area.right() - r.left(), line), Qt::AlignLeft, xLabel);
  for (const std::string& fixed : f.fixed) {
    below += line;
    p.drawText(QRect(area.left() + kPadding, below, area.width() - 2 * kPadding, line),
               Qt::AlignLeft, QString::fromStdString(fixed));
  }
  p.restore();
}

QImage LandscapeImage(const LandscapeFigure& figure, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintLandscape(painter, image.rect(), figure);
  return image;
}

int LandscapeSampleAt(const QRect& area, const LandscapeFigure& f, const QPointF& point) {
  const LandscapeLayout l = LayOutLandscape(area, f);
  if (f.samples.empty() || !QRectF(l.plot).adjusted(-2, -2, 2, 2).contains(point)) return -1;
  const double v = Scale(point.x(), l.plot.left(), l.plot.right(), l.xMin, l.xMax);
  if (f.slice) {
    if (f.columns <= 0 || f.rows <= 0) return -1;
    const double across = (point.x() - l.plot.left()) / std::max(1, l.plot.width());
    const double up = (l.plot.bottom() + 1 - point.y()) / std::max(1, l.plot.height());
    const int c = std::clamp(static_cast<int>(across * f.columns), 0, f.columns - 1);
    const int row = std::clamp(static_cast<int>(up * f.rows), 0, f.rows - 1);
    const std::size_t i = static_cast<std::size_t>(row) * f.columns + c;
    return i < f.samples.size() ? static_cast<int>(i) : -1;
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < f.samples.size(); ++i)
    if (std::fabs(f.samples[i].value - v) < std::fabs(f.samples[best].value - v)) best = i;
  return static_cast<int>(best);
}

}  // namespace velmora
