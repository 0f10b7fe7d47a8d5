#pragma once
// Drives the Qt windows from a test as a user would: waits for posted work, sends keys
// with their X11 keysyms, drags the mouse, types into boxes, and logs the application
// messages that the windows post to each other.

#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/AppMessages.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace velmora::test {

// X11 keysyms, which Qt reports as the native virtual key.
constexpr quint32 kControlL = 0xffe3, kControlR = 0xffe4, kShiftL = 0xffe1, kShiftR = 0xffe2;

// Lets every posted message run, and the paints they ask for.
void Settle();
// Serves events until done() holds; false when ms went by first.
bool WaitUntil(const std::function<bool()>& done, int ms = 20000);

void SendKey(QWidget* target, QEvent::Type type, int key, quint32 keysym = 0,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false,
             quint64 time = 0);
inline void PressKey(QWidget* target, int key, quint32 keysym = 0,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  SendKey(target, QEvent::KeyPress, key, keysym, modifiers);
}
inline void ReleaseKey(QWidget* target, int key, quint32 keysym = 0) {
  SendKey(target, QEvent::KeyRelease, key, keysym);
}

void MoveMouse(QWidget* target, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A whole drag: the first event with the buttons only records where it starts.
void Drag(QWidget* target, QPoint from, QPoint to, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// One wheel turn by delta eighths of a degree (120 a notch).
void Wheel(QWidget* target, int delta);

void SendFocus(QWidget* target, QEvent::Type type);
// Types text into a box and leaves it, as tabbing on would.
void TypeAndLeave(QLineEdit* edit, const QString& text);

QStringList ComboItems(const QComboBox* combo);

struct Posted {
  unsigned msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Posted&) const = default;
};
void PrintTo(const Posted& p, std::ostream* os);

// While it lives, records every application message as it reaches its receiver, which
// still handles it.
class MessageLog : public QObject {
 public:
  MessageLog();
  ~MessageLog() override;
  // What reached `to` so far, after delivering what was posted; the log starts afresh.
  std::vector<Posted> Take(const QObject* to);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<std::pair<const QObject*, Posted>> seen_;
};

}  // namespace velmora::test
