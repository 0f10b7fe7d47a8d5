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

// The bar runs from the best score's colour to the worst's with the maps' squared scale;
// the frame outside the box keeps every pixel, in a large frame and in one too small for
// the box.
TEST(ColourLegend, PaintsTheMapScaleInsideItsBoxOnly) {
  for (const QSize size : {QSize(640, 400), QSize(120, 40)}) {
    SCOPED_TRACE(size.width());
    const QRgb frame = qRgb(1, 2, 3);
    QImage image(size, QImage::Format_RGB32);
    image.fill(frame);
    QPainter painter(&image);
    PaintColourLegend(painter, size.width(), size.height(), -2.5, 1.25);
    const ColourLegendLayout layout =
        LayOutColourLegend(size.width(), size.height(), painter.fontMetrics());
    painter.end();
    EXPECT_TRUE(layout.box.contains(layout.bar));
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x)
        if (!layout.box.contains(x, y)) {
          ASSERT_EQ(image.pixel(x, y), frame) << x << "," << y;
        }
    if (!QRect(QPoint(), size).contains(layout.box)) continue;
    const QRect& bar = layout.bar;
    const int y = bar.center().y();
    EXPECT_EQ(image.pixel(bar.left(), y), Rgb(ScoreToColour(0)));
    EXPECT_EQ(image.pixel(bar.right(), y), Rgb(ScoreToColour(1)));
    const int quarter = bar.left() + (bar.width() - 1) / 2;  // p = 1/2 at odd widths
    const double p = double(quarter - bar.left()) / (bar.width() - 1);
    EXPECT_EQ(image.pixel(quarter, y), Rgb(ScoreToColour(p * p)));
  }
}

TEST(ColourLegend, ScoreRangeFollowsTheMapsOutlierRule) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double min = 0, max = 0;
  ASSERT_TRUE(ScoreRange({3.5, nan, -1.25, 50.0, 49.5, 1e9}, min, max));
  EXPECT_EQ(min, -1.25);
  EXPECT_EQ(max, 49.5);
  EXPECT_FALSE(ScoreRange({50.0, nan}, min, max));
  EXPECT_FALSE(ScoreRange({}, min, max));
}

}  // namespace
}  // namespace velmora
