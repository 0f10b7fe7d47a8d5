#include "platform/MessageQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <vector>

namespace velmora {

std::atomic<WindowHandle> g_hMainWnd{nullptr};
std::atomic<WindowHandle> g_hControlWnd{nullptr};

QEvent::Type AppMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool PostAppMessage(WindowHandle target, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (target == nullptr) return false;
  QCoreApplication::postEvent(target, new AppMessageEvent(msg, wParam, lParam));
  return true;
}

namespace {

struct HeldMessage {
  QPointer<QObject> target;
  unsigned msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Only the user-interface thread handles messages, so these need no lock.
int deferDepth = 0;
std::vector<HeldMessage> heldMessages;

}  // namespace

DeferAppMessages::DeferAppMessages() {
  ++deferDepth;
}

DeferAppMessages::~DeferAppMessages() {
  // Whatever is still queued joins the held ones first, so the order stays whole.
  QCoreApplication::sendPostedEvents(nullptr, AppMessageEvent::EventType());
  if (--deferDepth > 0) return;
  std::vector<HeldMessage> held;
  held.swap(heldMessages);
  for (const auto& m : held)
    if (m.target) PostAppMessage(m.target, m.msg, m.wParam, m.lParam);
}

bool AppMessagesDeferred() {
  return deferDepth > 0;
}

bool DispatchAppMessage(QEvent* event, MessageReceiver& receiver) {
  if (event->type() != AppMessageEvent::EventType()) return false;
  const auto* message = static_cast<AppMessageEvent*>(event);
  if (deferDepth > 0) {
    heldMessages.push_back(
        {dynamic_cast<QObject*>(&receiver), message->msg, message->wParam, message->lParam});
    return true;
  }
  receiver.WindowProc(message->msg, message->wParam, message->lParam);
  return true;
}

void PumpPendingMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace velmora
