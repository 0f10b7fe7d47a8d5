#pragma once
// Posting application messages between windows. A window handle is the QObject that
// receives them; its event() hands them to WindowProc through DispatchAppMessage. Posting
// never waits, keeps per-receiver order, and drops messages to an unpublished handle.

#include <QEvent>
#include <QObject>
#include <atomic>

#include "platform/AppMessages.h"

namespace velmora {

using WindowHandle = QObject*;

// Process-wide window handles, each published once at start-up after the view pointers
// (camera/ui/ViewDlg.h): g_hControlWnd, then g_hMainWnd.
extern std::atomic<WindowHandle> g_hMainWnd;
extern std::atomic<WindowHandle> g_hControlWnd;

class AppMessageEvent : public QEvent {
 public:
  AppMessageEvent(unsigned msg, WPARAM wParam, LPARAM lParam)
      : QEvent(EventType()), msg(msg), wParam(wParam), lParam(lParam) {}
  static QEvent::Type EventType();
  const unsigned msg;
  const WPARAM wParam;
  const LPARAM lParam;
};

// What a window that takes application messages implements.
class MessageReceiver {
 public:
  virtual ~MessageReceiver() = default;
  virtual void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Safe from any thread. Returns false when the message was dropped.
bool PostAppMessage(WindowHandle target, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

// For event() overrides: true when the event was an application message and went to
// the receiver's WindowProc.
bool DispatchAppMessage(QEvent* event, MessageReceiver& receiver);

// While one lives, application messages are held back instead of handled, so that a long
// operation may let its own window paint without running other handlers in the middle of
// it. At its end they are posted again in their order, ahead of anything posted later.
class DeferAppMessages {
 public:
  DeferAppMessages();
  ~DeferAppMessages();
  DeferAppMessages(const DeferAppMessages&) = delete;
  DeferAppMessages& operator=(const DeferAppMessages&) = delete;
};

// True while a DeferAppMessages lives. User-interface thread only.
bool AppMessagesDeferred();

// Handles every message waiting for the calling thread, then returns.
void PumpPendingMessages();

}  // namespace velmora
