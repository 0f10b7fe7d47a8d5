#pragma once
// Builds Qt widgets from a dialog template. Dialog units become pixels from the dialog
// font the way the original platform measures them, so layouts keep their proportions.

#include <QWidget>

#include "render/image/DialogUnits.h"
#include "resources/DialogTemplates.h"

namespace velmora {

// The units a template is laid out in: the font's, enlarged when a static text would not
// fit its rectangle, until every text of the template, of the panels it hosts and of the
// window hosting it fits. Both base units grow by the same factor, so the window keeps its
// proportions, and a window and its panels share one set of units.
DialogUnits DialogUnitsFor(const QFont& font, const DialogTemplate& dialogTemplate);

// Sets the caption and size of the dialog in DialogUnitsFor its font and creates its
// controls as children, with their tooltips. Each control's objectName is its ID; labels
// without an ID get no name.
void BuildDialog(QWidget* dialog, const DialogTemplate& dialogTemplate);

// The control with this ID, or null.
QWidget* GetDlgItem(const QWidget* dialog, int id);

template <typename T>
T* GetDlgItemAs(const QWidget* dialog, int id) {
  return qobject_cast<T*>(GetDlgItem(dialog, id));
}

}  // namespace velmora
