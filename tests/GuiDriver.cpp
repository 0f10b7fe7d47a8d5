#include "tests/GuiDriver.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include "platform/MessageQueue.h"

namespace velmora::test {

void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QTest::qWait(5);
  }
  return true;
}

void SendKey(QWidget* target, QEvent::Type type, int key, quint32 keysym,
             Qt::KeyboardModifiers modifiers, bool repeat, quint64 time) {
  QKeyEvent event(type, key, modifiers, 0, keysym, 0, QString(), repeat);
  event.setTimestamp(time);
  QCoreApplication::sendEvent(target, &event);
}

void MoveMouse(QWidget* target, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers) {
  QMouseEvent event(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, buttons,
                    modifiers);
  QCoreApplication::sendEvent(target, &event);
}

void Drag(QWidget* target, QPoint from, QPoint to, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers modifiers) {
  MoveMouse(target, from, Qt::NoButton);
  MoveMouse(target, from, buttons, modifiers);
  MoveMouse(target, to, buttons, modifiers);
  MoveMouse(target, to, Qt::NoButton);
}

void Wheel(QWidget* target, int delta) {
  const QPointF at(5, 5);
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &event);
}

void SendFocus(QWidget* target, QEvent::Type type) {
  QFocusEvent event(type, Qt::TabFocusReason);
  QCoreApplication::sendEvent(target, &event);
}

void TypeAndLeave(QLineEdit* edit, const QString& text) {
  SendFocus(edit, QEvent::FocusIn);
  edit->setText(text);
  SendFocus(edit, QEvent::FocusOut);
}

QStringList ComboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

void PrintTo(const Posted& p, std::ostream* os) {
  *os << "{WM_APP+" << (p.msg - WM_APP) << ", " << static_cast<LPARAM>(p.wParam) << ", " << p.lParam
      << "}";
}

MessageLog::MessageLog() {
  QCoreApplication::instance()->installEventFilter(this);
}

MessageLog::~MessageLog() {
  QCoreApplication::instance()->removeEventFilter(this);
}

std::vector<Posted> MessageLog::Take(const QObject* to) {
  QCoreApplication::sendPostedEvents();
  std::vector<Posted> taken;
  for (const auto& [receiver, message] : seen_)
    if (receiver == to) taken.push_back(message);
  seen_.clear();
  return taken;
}

bool MessageLog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == AppMessageEvent::EventType()) {
    const auto* m = static_cast<const AppMessageEvent*>(event);
    seen_.push_back({watched, {m->msg, m->wParam, m->lParam}});
  }
  return false;
}

}  // namespace velmora::test
