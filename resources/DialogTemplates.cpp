#include "resources/DialogTemplates.h"

#include <cstdio>
#include <cstdlib>

namespace velmora {
namespace {

const std::vector<DialogTemplate>& AllTemplates() {
  static const std::vector<DialogTemplate> templates = {
      {IDD_ABOUTBOX,
       "About Velmora",
       235,
       55,
       DIALOG_CAPTION,
       {
           {IDR_MAINFRAME, ControlKind::Icon, "", STYLE_NONE, 11, 17, 20, 20},
           {IDC_STATIC, ControlKind::Label, "Velmora Version 1.25", STYLE_NONE, 40, 10, 119, 8},
           {1000, ControlKind::Label, "", STYLE_NONE, 40, 25, 119, 8},
           {IDOK, ControlKind::DefaultButton, "OK", STYLE_GROUP, 178, 7, 50, 16},
       }},
      {IDD_PROGRESS,
       "Loading FST object",
       186,
       26,
       DIALOG_CAPTION,
       {
           {1001, ControlKind::ProgressBar, "", STYLE_NONE, 7, 7, 172, 12},
       }},
      {IDD_WAIT,
       "Please wait..",
       201,
       47,
       DIALOG_CAPTION,
       {
           {IDR_MAINFRAME, ControlKind::Icon, "", STYLE_NONE, 14, 12, 20, 20},
           {IDC_STATIC, ControlKind::Label, "Loading the texture for the first time...", STYLE_NONE,
            49, 19, 138, 15},
       }},
      {IDD_CONTROLS, "Controls", 371, 173, DIALOG_CAPTION, {}},
      {IDD_VECTORS,
       "Vectors",
       320,
       201,
       DIALOG_CAPTION | DIALOG_RESIZABLE | DIALOG_MINMAX | DIALOG_TOPMOST,
       {}},
      {IDD_MAIN,
       "Velmora",
       320,
       201,
       DIALOG_CAPTION | DIALOG_RESIZABLE | DIALOG_MINMAX | DIALOG_VISIBLE,
       {}},
  };
  return templates;
}

}  // namespace

const DialogTemplate& FindDialogTemplate(int id) {
  for (const auto& t : AllTemplates())
    if (t.id == id) return t;
  std::fprintf(stderr, "no dialog template %d\n", id);
  std::abort();
}

}  // namespace velmora
