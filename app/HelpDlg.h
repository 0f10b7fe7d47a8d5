#pragma once
// The help window: every key and mouse gesture of the main window with what it does and
// the caption it shows, from one table that the README's "Mouse and keyboard" section
// repeats.

#include <QDialog>
#include <span>

namespace velmora {

// The entry of the menu key's menu that opens the help window.
inline constexpr const char* kHelpMenuText = "&Keys and mouse...";

struct HelpRow {
  const char* input;
  const char* effect;
  const char* caption;  // what the main window's caption says meanwhile; may be empty
};

// The rows in the order the README lists them, then the keys that keep and explain a
// frame. Texts may hold `code` and "quoted" spans as the README writes them.
std::span<const HelpRow> HelpRows();

// "Keys and mouse": the table, read-only, and a Close button.
class HelpDlg : public QDialog {
  Q_OBJECT
 public:
  explicit HelpDlg(QWidget* parent = nullptr);
};

}  // namespace velmora
