#include "platform/MessageQueue.h"

#include <QCoreApplication>

namespace velmora {

std::atomic<WindowHandle> g_hMainWnd{nullptr};
std::atomic<WindowHandle> g_hControlWnd{nullptr};
std::atomic<ViewDlg*> g_pFirstView{nullptr};
std::atomic<ViewDlg*> g_pSecondView{nullptr};

QEvent::Type AppMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool PostAppMessage(WindowHandle target, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (target == nullptr) return false;
  QCoreApplication::postEvent(target, new AppMessageEvent(msg, wParam, lParam));
  return true;
}

bool DispatchAppMessage(QEvent* event, MessageReceiver& receiver) {
  if (event->type() != AppMessageEvent::EventType()) return false;
  const auto* message = static_cast<AppMessageEvent*>(event);
  receiver.WindowProc(message->msg, message->wParam, message->lParam);
  return true;
}

void PumpPendingMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace velmora
