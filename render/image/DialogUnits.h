#pragma once
// Dialog units from a font's metrics, the way the original platform measures them, so
// that layouts and the main window's start-up size keep their proportions in any font.

#include <QFont>
#include <QRect>

namespace velmora {

struct DialogUnits {
  int baseX = 0;  // (width of "A..Za..z" / 26 + 1) / 2
  int baseY = 0;  // font height
  static DialogUnits ForFont(const QFont& font);
  int X(int du) const;
  int Y(int du) const;
  QRect Rect(int x, int y, int cx, int cy) const;
};

}  // namespace velmora
