#pragma once
// Drives the Qt windows from a test as a user would: waits for posted work, sends keys
// with their X11 keysyms, drags the mouse, types into boxes, and logs the application
// messages that the windows post to each other.

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <vector>

#include "platform/MessageQueue.h"

namespace velmora::test {

// X11 keysyms, which Qt reports as the native virtual key.
constexpr quint32 kControlL = 0xffe3, kControlR = 0xffe4, kShiftL = 0xffe1, kShiftR = 0xffe2;

// Lets every posted message run, and the paints they ask for.
inline void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

// Serves events until done() holds; false when ms went by first.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QTest::qWait(5);
  }
  return true;
}

inline void SendKey(QWidget* target, QEvent::Type type, int key, quint32 keysym = 0,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false,
                    quint64 time = 0) {
  QKeyEvent event(type, key, modifiers, 0, keysym, 0, QString(), repeat);
  event.setTimestamp(time);
  QCoreApplication::sendEvent(target, &event);
}
inline void PressKey(QWidget* target, int key, quint32 keysym = 0,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  SendKey(target, QEvent::KeyPress, key, keysym, modifiers);
}
inline void ReleaseKey(QWidget* target, int key, quint32 keysym = 0) {
  SendKey(target, QEvent::KeyRelease, key, keysym);
}

inline void MoveMouse(QWidget* target, QPoint at, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent event(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, buttons,
                    modifiers);
  QCoreApplication::sendEvent(target, &event);
}
// A whole drag: the first event with the buttons only records where it starts.
inline void Drag(QWidget* target, QPoint from, QPoint to, Qt::MouseButtons buttons,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  MoveMouse(target, from, Qt::NoButton);
  MoveMouse(target, from, buttons, modifiers);
  MoveMouse(target, to, buttons, modifiers);
  MoveMouse(target, to, Qt::NoButton);
}
// One wheel turn by delta eighths of a degree (120 a notch).
inline void Wheel(QWidget* target, int delta) {
  const QPointF at(5, 5);
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &event);
}

inline void SendFocus(QWidget* target, QEvent::Type type) {
  QFocusEvent event(type, Qt::TabFocusReason);
  QCoreApplication::sendEvent(target, &event);
}
// Types text into a box and leaves it, as tabbing on would.
inline void TypeAndLeave(QLineEdit* edit, const QString& text) {
  SendFocus(edit, QEvent::FocusIn);
  edit->setText(text);
  SendFocus(edit, QEvent::FocusOut);
}

inline QStringList ComboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

struct Posted {
  unsigned msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Posted&) const = default;
};
inline void PrintTo(const Posted& p, std::ostream* os) {
  *os << "{WM_APP+" << (p.msg - WM_APP) << ", " << static_cast<LPARAM>(p.wParam) << ", " << p.lParam
      << "}";
}

// While it lives, records every application message as it reaches its receiver, which
// still handles it.
class MessageLog : public QObject {
 public:
  MessageLog() { QCoreApplication::instance()->installEventFilter(this); }
  ~MessageLog() override { QCoreApplication::instance()->removeEventFilter(this); }
  // What reached `to` so far, after delivering what was posted; the log starts afresh.
  std::vector<Posted> Take(const QObject* to) {
    QCoreApplication::sendPostedEvents();
    std::vector<Posted> taken;
    for (const auto& [receiver, message] : seen_)
      if (receiver == to) taken.push_back(message);
    seen_.clear();
    return taken;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == AppMessageEvent::EventType()) {
      const auto* m = static_cast<const AppMessageEvent*>(event);
      seen_.push_back({watched, {m->msg, m->wParam, m->lParam}});
    }
    return false;
  }

 private:
  std::vector<std::pair<const QObject*, Posted>> seen_;
};

}  // namespace velmora::test
