#include "platform/DialogBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <vector>

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

// The template, the panels it hosts and the windows that host it.
std::vector<const DialogTemplate*> LayoutFamily(const DialogTemplate& t) {
  std::vector<const DialogTemplate*> family{&t};
  for (int panel : t.panels) family.push_back(&FindDialogTemplate(panel));
  for (const DialogTemplate& host : AllDialogTemplates())
    if (std::find(host.panels.begin(), host.panels.end(), t.id) != host.panels.end())
      family.push_back(&host);
  return family;
}

}  // namespace

DialogUnits DialogUnitsFor(const QFont& font, const DialogTemplate& t) {
  const DialogUnits base = DialogUnits::ForFont(font);
  if (base.baseX <= 0) return base;
  const QFontMetrics metrics(font);
  // The smallest baseX at which every text fits; X() rounds, so step through the integers.
  DialogUnits trial = base;
  for (const DialogTemplate* member : LayoutFamily(t))
    for (const ControlTemplate& c : member->controls) {
      if (c.kind != ControlKind::Label || c.cx <= 0) continue;
      const int needed = metrics.horizontalAdvance(QString::fromUtf8(c.text));
      while (trial.X(c.cx) < needed) ++trial.baseX;
    }
  DialogUnits units = base;
  units.baseX = trial.baseX;
  units.baseY =
      static_cast<int>(std::lround(static_cast<double>(base.baseY) * trial.baseX / base.baseX));
  return units;
}

void BuildDialog(QWidget* dialog, const DialogTemplate& t) {
  dialog->setWindowTitle(QString::fromUtf8(t.caption));
  const DialogUnits units = DialogUnitsFor(dialog->font(), t);
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
    if (c.tip != nullptr) control->setToolTip(QString::fromUtf8(c.tip));
  }
}

QWidget* GetDlgItem(const QWidget* dialog, int id) {
  return dialog->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

}  // namespace velmora
