#include "platform/DialogBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace velmora {

namespace {

QWidget* MakeControl(const ControlTemplate& c, QWidget* parent) {
  const QString text = QString::fromUtf8(c.text);
  switch (c.kind) {
    case ControlKind::Label:
    case ControlKind::Icon: {
      auto* label = new QLabel(text, parent);
      if (c.style & STYLE_CENTER) label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
      return label;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(text, parent);
      if (c.style & STYLE_RIGHT_ALIGN) edit->setAlignment(Qt::AlignRight);
      edit->setReadOnly(c.style & STYLE_READONLY);
      return edit;
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultButton: {
      auto* button = new QPushButton(text, parent);
      button->setDefault(c.kind == ControlKind::DefaultButton);
      return button;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::RadioButton: {
      auto* radio = new QRadioButton(text, parent);
      radio->setAutoExclusive(false);  // views coordinate their Control radios themselves
      return radio;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(text, parent);
    case ControlKind::ComboBox:
      return new QComboBox(parent);
    case ControlKind::Trackbar: {
      auto* slider = new QSlider(Qt::Horizontal, parent);
      slider->setRange(0, 100);  // the platform's default trackbar range
      return slider;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      return bar;
    }
  }
  return nullptr;
}

}  // namespace

void BuildDialog(QWidget* dialog, const DialogTemplate& t) {
  dialog->setWindowTitle(QString::fromUtf8(t.caption));
  const DialogUnits units = DialogUnits::ForFont(dialog->font());
  const QSize size(units.X(t.cx), units.Y(t.cy));
  if (t.style & DIALOG_RESIZABLE)
    dialog->resize(size);
  else
    dialog->setFixedSize(size);
  for (const auto& c : t.controls) {
    QWidget* control = MakeControl(c, dialog);
    if (c.id != IDC_STATIC) control->setObjectName(QString::number(c.id));
    control->setGeometry(units.Rect(c.x, c.y, c.cx, c.cy));
    if (c.style & STYLE_NO_TABSTOP) control->setFocusPolicy(Qt::ClickFocus);
    if (c.style & STYLE_DISABLED) control->setEnabled(false);
  }
}

QWidget* GetDlgItem(const QWidget* dialog, int id) {
  return dialog->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

}  // namespace velmora
