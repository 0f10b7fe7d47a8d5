#include "resources/DialogTemplates.h"

#include <cstdio>
#include <cstdlib>

namespace velmora {

const std::vector<DialogTemplate>& AllDialogTemplates() {
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
      {IDD_MAP_PROGRESS,
       "Computing error map",
       186,
       56,
       DIALOG_CAPTION,
       {
           {1002, ControlKind::Label, "", STYLE_NONE, 7, 7, 172, 8},
           {1001, ControlKind::ProgressBar, "", STYLE_NONE, 7, 19, 172, 12},
           {IDCANCEL, ControlKind::DefaultButton, "Cancel", STYLE_NONE, 129, 36, 50, 14,
            "Stops the map and keeps the sphere's colours as they were (Esc)"},
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
      {IDD_CONTROLS,
       "Controls",
       414,
       173,
       DIALOG_CAPTION,
       {
           {IDC_STATIC, ControlKind::Label, "FST file:", STYLE_NONE, 7, 8, 28, 8},
           {1004, ControlKind::Edit, "", STYLE_READONLY, 46, 7, 257, 12,
            "The FST shape file drawn in the scene; choose it with the Browse button beside it."},
           {1003, ControlKind::PushButton, "Browse ", STYLE_NONE, 304, 7, 41, 12,
            "Chooses the FST shape file (.fsd) to draw in the scene."},
           {1015, ControlKind::Label, "No file loaded.", STYLE_NONE, 350, 9, 57, 9},
           {IDC_STATIC, ControlKind::Label, "Image file:", STYLE_NONE, 7, 22, 35, 8},
           {1006, ControlKind::Edit, "", STYLE_READONLY, 46, 20, 257, 12,
            "The vector data file whose point pairs the two views reconstruct; choose it with the "
            "Browse button beside it."},
           {1005, ControlKind::PushButton, "Browse ", STYLE_NONE, 304, 20, 41, 12,
            "Chooses the vector data file (.dtx or .txt) of point pairs for the two views."},
           {1017, ControlKind::CheckBox, "Coordinates", STYLE_NONE, 7, 140, 54, 10,
            "Shows or hides the coordinate axes."},
           {1018, ControlKind::CheckBox, "FST object", STYLE_NONE, 62, 140, 48, 10,
            "Shows or hides the FST object (key F)."},
           {1019, ControlKind::CheckBox, "Main sphere", STYLE_NONE, 113, 140, 54, 10,
            "Shows or hides the main sphere, coloured by the error of each second-camera position "
            "(key M)."},
           {1026, ControlKind::CheckBox, "White bkg.", STYLE_NONE, 171, 140, 50, 10,
            "Draws the scene on a white background instead of grey."},
           {IDC_STATIC, ControlKind::Label, "Alpha:", STYLE_NONE, 224, 141, 24, 12},
           {1021, ControlKind::Trackbar, "", STYLE_NONE, 248, 141, 156, 10,
            "Opacity of the FST object and the main sphere."},
           {1023, ControlKind::CheckBox, "P/T plane", STYLE_NONE, 7, 155, 54, 10,
            "Shows or hides the pan/tilt plane (key P)."},
           {IDC_STATIC, ControlKind::Label, "Scale:", STYLE_NONE, 62, 155, 21, 9},
           {1024, ControlKind::Edit, "", STYLE_NONE, 87, 153, 67, 13,
            "Scale of the scene and both image planes; applied when you leave the box."},
           {1022, ControlKind::ComboBox, "", STYLE_NONE, 158, 154, 54, 32,
            "Chooses which sample sphere is the main sphere."},
           {1025, ControlKind::CheckBox, "No s,t<0", STYLE_NONE, 219, 156, 45, 10,
            "Rejects point pairs whose rays meet behind either camera."},
           {1020, ControlKind::CheckBox, "Front only", STYLE_NONE, 270, 156, 48, 10,
            "Draws only the front faces of the main sphere."},
           {1009, ControlKind::CheckBox, "Distance", STYLE_NONE, 321, 156, 42, 10,
            "Pulls each vertex of the main sphere toward the centre by its error, so the best "
            "positions sit nearest the centre."},
       },
       {IDD_VIEW}},
      {IDD_VIEW,
       "",
       394,
       43,
       DIALOG_CHILD,
       {
           {1007, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 87, 1, 34, 13,
            "Azimuth of this camera in radians; with the box focused the mouse wheel turns it 0.1 "
            "per notch."},
           {1006, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 159, 1, 34, 13,
            "Altitude of this camera in radians; with the box focused the mouse wheel turns it 0.1 "
            "per notch."},
           {1008, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 244, 0, 34, 13,
            "Focal length of this camera; with the box focused the mouse wheel changes it by 1 per "
            "notch."},
           {1009, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 317, 0, 34, 13,
            "Distance of this camera from the centre; with the box focused the mouse wheel changes "
            "it by 1 per notch."},
           {1010, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 87, 17, 34, 13,
            "Pan of this camera in radians; with the box focused the mouse wheel turns it 0.1 per "
            "notch."},
           {1011, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 159, 17, 34, 13,
            "Tilt of this camera in radians; with the box focused the mouse wheel turns it 0.1 per "
            "notch."},
           {1012, ControlKind::Edit, "", STYLE_RIGHT_ALIGN, 244, 17, 34, 13,
            "Rotation of this camera about its principal ray in radians; with the box focused the "
            "mouse wheel turns it 0.1 per notch."},
           {1005, ControlKind::CheckBox, "Camera", STYLE_NONE, 0, 34, 52, 9,
            "Shows or hides this view's camera and image plane."},
           {1015, ControlKind::CheckBox, "Rays", STYLE_NONE, 59, 34, 32, 9,
            "Shows or hides this view's rays (key R toggles both views)."},
           {1017, ControlKind::CheckBox, "Az/Alt sphere", STYLE_NONE, 147, 33, 59, 9,
            "Shows or hides the sphere on which this camera moves (key A toggles the second "
            "view's)."},
           {1013, ControlKind::RadioButton, "Control", STYLE_NO_TABSTOP, 0, 16, 41, 12,
            "Lets Ctrl and Shift drags in the main window steer this view's camera."},
           {IDC_STATIC, ControlKind::Label, "Altitude:", STYLE_NONE, 129, 4, 28, 8},
           {IDC_STATIC, ControlKind::Label, "Azimuth:", STYLE_NONE, 58, 4, 28, 8},
           {IDC_STATIC, ControlKind::Label, "Focal lenght:", STYLE_NONE, 199, 3, 42, 8},
           {IDC_STATIC, ControlKind::Label, "Distance:", STYLE_NONE, 283, 3, 30, 8},
           {IDC_STATIC, ControlKind::Label, "Pan:", STYLE_NONE, 58, 19, 28, 8},
           {IDC_STATIC, ControlKind::Label, "Tilt:", STYLE_NONE, 129, 19, 28, 8},
           {IDC_STATIC, ControlKind::Label, "Rotation:", STYLE_NONE, 200, 19, 34, 8},
           // Wide enough for "Loaded 2147483647 points.", the largest count a file can give.
           {1014, ControlKind::Label, "No points loaded.", STYLE_NONE, 282, 19, 112, 11},
           {1016, ControlKind::Label, "View", STYLE_NONE, 0, 2, 53, 8},
           {1018, ControlKind::CheckBox, "Pan/Tilt sphere", STYLE_NONE, 212, 33, 64, 9,
            "Shows or hides this view's own sphere, coloured by the error of each pan and tilt."},
           {1019, ControlKind::CheckBox, "Show vectors", STYLE_NONE, 282, 33, 58, 9,
            "Shows or hides this view's Vectors window."},
           {1020, ControlKind::CheckBox, "Mean ray", STYLE_NONE, 97, 34, 44, 9,
            "Shows or hides this view's mean ray (key N toggles both views)."},
       }},
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

const DialogTemplate& FindDialogTemplate(int id) {
  for (const auto& t : AllDialogTemplates())
    if (t.id == id) return t;
  std::fprintf(stderr, "no dialog template %d\n", id);
  std::abort();
}

}  // namespace velmora
