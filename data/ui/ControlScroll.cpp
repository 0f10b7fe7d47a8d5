// The control panel on a screen smaller than its template (a small screen, a large scale
// factor): the window takes what the screen offers and scroll bars move its controls, which
// stay the window's own children so that they are still found by their ids.

#include <QScrollBar>
#include <QStyle>

#include "data/ui/ControlDlg.h"

namespace velmora {

namespace {

// Room the window's frame (title bar, borders) takes beyond its client area.
constexpr int kFrameRoom = 40;

}  // namespace

void ControlDlg::FitOnScreen(const QRect& area) {
  if (!contentSize_.isValid()) contentSize_ = size();
  const QSize content = contentSize_;
  const QSize room(area.width() - kFrameRoom / 4, area.height() - kFrameRoom);
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  // A bar takes room from the other direction, which may then need its own.
  bool across = content.width() > room.width();
  bool down = content.height() > room.height();
  down = down || (across && content.height() + bar > room.height());
  across = across || (down && content.width() + bar > room.width());
  const int shownWidth = across ? room.width() - (down ? bar : 0) : content.width();
  const int shownHeight = down ? room.height() - (across ? bar : 0) : content.height();
  if (acrossBar_ == nullptr) {
    acrossBar_ = new QScrollBar(Qt::Horizontal, this);
    downBar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* scroll : {acrossBar_, downBar_})
      connect(scroll, &QScrollBar::valueChanged, this, [this] { ScrollContent(); });
  }
  acrossBar_->setRange(0, across ? content.width() - shownWidth : 0);
  acrossBar_->setPageStep(shownWidth);
  acrossBar_->setGeometry(0, shownHeight, shownWidth, bar);
  acrossBar_->setVisible(across);
  downBar_->setRange(0, down ? content.height() - shownHeight : 0);
  downBar_->setPageStep(shownHeight);
  downBar_->setGeometry(shownWidth, 0, bar, shownHeight);
  downBar_->setVisible(down);
  ScrollContent();
  setFixedSize(shownWidth + (down ? bar : 0), shownHeight + (across ? bar : 0));
}

void ControlDlg::ScrollContent() {
  const QPoint offset(acrossBar_->value(), downBar_->value());
  const QPoint by = scrolled_ - offset;
  scrolled_ = offset;
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child != acrossBar_ && child != downBar_ && !child->isWindow())
      child->move(child->pos() + by);
  acrossBar_->raise();
  downBar_->raise();
}

}  // namespace velmora
