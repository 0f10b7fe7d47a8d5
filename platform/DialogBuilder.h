#pragma once
// Builds Qt widgets from a dialog template. Dialog units become pixels from the dialog
// font the way the original platform measures them, so layouts keep their proportions.

#include <QWidget>

#include "render/image/DialogUnits.h"
#include "resources/DialogTemplates.h"

namespace velmora {

// Sets the caption and size of the dialog and creates its controls as children. Each
// control's objectName is its ID; labels without an ID get no name.
void BuildDialog(QWidget* dialog, const DialogTemplate& dialogTemplate);

// The control with this ID, or null.
QWidget* GetDlgItem(const QWidget* dialog, int id);

template <typename T>
T* GetDlgItemAs(const QWidget* dialog, int id) {
  return qobject_cast<T*>(GetDlgItem(dialog, id));
}

}  // namespace velmora
