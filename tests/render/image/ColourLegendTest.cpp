#include "render/image/ColourLegend.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <limits>

#include "render/ErrorMaps.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

QRgb Rgb(const Vec3& c) {
  return QColor::fromRgbF(float(c.x), float(c.y), float(c.z)).rgb();
}

// Dark pixels (text) in the rectangle.
int DarkPixels(const QImage& image, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += qGray(image.pixel(x, y)) < 96;
  return n;
}

// The bar runs from the best score's colour to the worst's with the maps' squared scale,
// the bounds stand under its ends (a bound that is not a number is left out), and the
// frame outside the box keeps every pixel, also in a frame too small for the box.
TEST(ColourLegend, PaintsTheMapScaleInsideItsBoxOnly) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    QSize size;
    double min;
  } rows[] = {{{640, 400}, -2.5}, {{640, 400}, nan}, {{120, 40}, -2.5}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size.width());
    SCOPED_TRACE(row.min);
    const QRgb frame = qRgb(1, 2, 3);
    QImage image(row.size, QImage::Format_RGB32);
    image.fill(frame);
    QPainter painter(&image);
    PaintColourLegend(painter, row.size.width(), row.size.height(), row.min, 1.25);
    const ColourLegendLayout layout =
        LayOutColourLegend(row.size.width(), row.size.height(), painter.fontMetrics());
    const int line = painter.fontMetrics().height();
    painter.end();
    EXPECT_TRUE(layout.box.contains(layout.bar));
    // In the bottom-right corner, 8 pixels from both edges, as the corner number.
    EXPECT_EQ(layout.box.bottomRight(), QPoint(row.size.width() - 9, row.size.height() - 9));
    for (int y = 0; y < row.size.height(); ++y)
      for (int x = 0; x < row.size.width(); ++x)
        if (!layout.box.contains(x, y)) {
          ASSERT_EQ(image.pixel(x, y), frame) << x << "," << y;
        }
    if (!QRect(QPoint(), row.size).contains(layout.box)) continue;
    const QRect& bar = layout.bar;
    const int y = bar.center().y();
    EXPECT_EQ(image.pixel(bar.left(), y), Rgb(ScoreToColour(0)));
    EXPECT_EQ(image.pixel(bar.right(), y), Rgb(ScoreToColour(1)));
    const int middle = bar.left() + (bar.width() - 1) / 2;
    const double p = double(middle - bar.left()) / (bar.width() - 1);
    EXPECT_EQ(image.pixel(middle, y), Rgb(ScoreToColour(p * p)));
    const int third = bar.width() / 3;
    const QRect bounds(bar.left(), bar.bottom() + 1, third, line);
    EXPECT_EQ(DarkPixels(image, bounds) > 0, std::isfinite(row.min));
    EXPECT_GT(DarkPixels(image, bounds.translated(bar.width() - third, 0)), 0);
  }
}

}  // namespace
}  // namespace velmora
