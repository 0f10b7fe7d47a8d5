#include "render/image/DialogUnits.h"

#include <QFontMetrics>
#include <cmath>

namespace velmora {

DialogUnits DialogUnits::ForFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogUnits units;
  units.baseX = (width / 26 + 1) / 2;
  units.baseY = metrics.height();
  return units;
}

int DialogUnits::X(int du) const {
  return static_cast<int>(std::lround(du * baseX / 4.0));
}
int DialogUnits::Y(int du) const {
  return static_cast<int>(std::lround(du * baseY / 8.0));
}

QRect DialogUnits::Rect(int x, int y, int cx, int cy) const {
  return QRect(X(x), Y(y), X(cx), Y(cy));
}

}  // namespace velmora
