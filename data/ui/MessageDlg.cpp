#include "data/ui/MessageDlg.h"

#include <QLabel>
#include <memory>

#include "camera/ui/ViewDlg.h"
#include "platform/AppIcon.h"
#include "platform/DialogBuilder.h"
#include "platform/MessageQueue.h"

namespace velmora {

MessageDlg::MessageDlg(QWidget* parent) : QDialog(parent) {
  BuildDialog(this, FindDialogTemplate(IDD_WAIT));
  // A caption without a close box: the notice goes away with the load, not by the user.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  if (auto* icon = GetDlgItemAs<QLabel>(this, IDR_MAINFRAME))
    icon->setPixmap(AppIcon().pixmap(32, 32));
}

std::function<void(bool)> MakeWaitNotice() {
  auto notice = std::make_shared<std::unique_ptr<MessageDlg>>();
  return [notice](bool show) {
    if (!show) {
      notice->reset();
      return;
    }
    *notice = std::make_unique<MessageDlg>(g_pSecondView.load());
    (*notice)->show();
    PumpPendingMessages();
    (*notice)->repaint();
  };
}

}  // namespace velmora
