#pragma once
// Dialog templates as tables: each window's caption and size, and each control's ID,
// kind, text, style and rectangle in dialog units. platform/DialogBuilder turns a table
// into Qt widgets; code and tests find a control by its ID.

#include <vector>

namespace velmora {

enum class ControlKind {
  Label,
  Edit,
  PushButton,
  DefaultButton,
  CheckBox,
  RadioButton,
  GroupBox,
  ComboBox,
  Trackbar,
  ProgressBar,
  Icon,
};

// Control styles that change behaviour or look.
enum ControlStyle : unsigned {
  STYLE_NONE = 0,
  STYLE_RIGHT_ALIGN = 1u << 0,  // edit text aligned right
  STYLE_CENTER = 1u << 1,       // label text centred
  STYLE_NO_TABSTOP = 1u << 2,
  STYLE_READONLY = 1u << 3,
  STYLE_DISABLED = 1u << 4,
  STYLE_GROUP = 1u << 5,  // starts a new group of radio buttons
};

// Window styles.
enum DialogStyle : unsigned {
  DIALOG_CAPTION = 1u << 0,
  DIALOG_RESIZABLE = 1u << 1,
  DIALOG_MINMAX = 1u << 2,
  DIALOG_VISIBLE = 1u << 3,
  DIALOG_TOPMOST = 1u << 4,
  DIALOG_CHILD = 1u << 5,  // a panel placed inside another window, no frame
};

constexpr int IDC_STATIC = -1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  unsigned style;
  int x, y, cx, cy;           // dialog units
  const char* tip = nullptr;  // tooltip: what the control does, and its key if it has one
};

struct DialogTemplate {
  int id;
  const char* caption;
  int cx, cy;  // dialog units
  unsigned style;
  std::vector<ControlTemplate> controls;
  std::vector<int> panels = {};  // templates of the child panels placed inside this window
};

enum TemplateId : int {
  IDD_ABOUTBOX = 100,
  IDD_MAIN = 102,
  IDD_PROGRESS = 129,
  IDD_CONTROLS = 130,
  IDD_VIEW = 131,
  IDD_VECTORS = 132,
  IDD_WAIT = 133,
  IDD_MAP_PROGRESS = 134,
};

constexpr int IDR_MAINFRAME = 128;
constexpr int IDS_ABOUTBOX = 101;
constexpr const char* kAboutMenuText = "&About Velmora...";

// The template with this ID; a programming error (abort) when there is none.
const DialogTemplate& FindDialogTemplate(int id);

// Every template, in resource order.
const std::vector<DialogTemplate>& AllDialogTemplates();

}  // namespace velmora
