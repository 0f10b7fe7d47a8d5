#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "platform/AppIcon.h"
#include "platform/DialogBuilder.h"

namespace velmora {

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent) {
  BuildDialog(this, FindDialogTemplate(IDD_ABOUTBOX));
  if (auto* icon = GetDlgItemAs<QLabel>(this, IDR_MAINFRAME))
    icon->setPixmap(AppIcon().pixmap(32, 32));
  if (auto* ok = GetDlgItemAs<QPushButton>(this, IDOK))
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  // OnInitDialog: the build line in control 1000.
  if (auto* build = GetDlgItemAs<QLabel>(this, 1000)) build->setText(BuildLine());
}

QString AboutDlg::BuildLine() {
  return QStringLiteral("Build: ") + QStringLiteral(__TIME__) + QStringLiteral(", ") +
         QStringLiteral(__DATE__);
}

}  // namespace velmora
