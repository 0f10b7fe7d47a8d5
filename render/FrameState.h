#pragma once
// What one frame of the main window shows, as one value: where the observer stands, the
// control panel's display options and each view's boxes. The window, velmora-cli render,
// the saved frame and the copied command line all read and write this one value. Core
// code: no Qt, no OpenGL.

#include <string>

#include "camera/ErrorKind.h"

namespace velmora {

// The observer of a window: its distance from the point it turns about, that point's
// offset from the origin, and its turns about x, y and z in degrees.
struct ObserverPose {
  double distance = 400.0;
  double offsetX = 0, offsetY = 0, offsetZ = 0;
  double angleX = 1.0, angleY = -1.0, angleZ = 0.0;
  bool operator==(const ObserverPose&) const = default;
};

// The display boxes of one view panel.
struct OverlayOptions {
  bool showCamera = true;
  bool showRays = true;
  bool showAzAltSphere = false;
  bool showPanTiltSphere = false;
  bool showMeanRay = false;
  bool operator==(const OverlayOptions&) const = default;
};

// The boxes shown as a comma list of camera, rays, meanray, azalt and pantilt, or "none".
std::string OverlayBoxList(const OverlayOptions& options);
// Reads such a list (empty counts as none): the boxes named are on, the others off. False
// with the reason in why (options untouched) for an unknown name.
bool ParseOverlayBoxList(const std::string& text, OverlayOptions& options, std::string& why);

// The control panel's display options, with the two modes of the main window that change
// what it draws.
struct DisplayOptions {
  bool axes = true;
  bool fstObject = true;
  bool frontOnly = false;
  bool distanceMode = false;
  bool plane = false;
  bool white = false;
  int mainSphereSize = 0;  // the shown main sphere's vertex count as listed; 0 for none
  double alpha = 0.5;
  // The Scale value as the views keep it; 0 is drawn at 1.
  float scale = 1.0f;
  bool wireframe = false;
  bool centreMode = false;
  // The colour legend, painted over the frame with the error text by whoever paints that
  // text: the scene neither draws nor keeps it (Scene::Frame leaves it false, SetFrame
  // ignores it).
  bool legend = false;
  // The error the corner, the legend and the maps show (K).
  ErrorKind errorKind = ErrorKind::kPlain;
  bool operator==(const DisplayOptions&) const = default;
};

struct FrameState {
  ObserverPose observer;
  DisplayOptions display;
  OverlayOptions views[2];
  bool operator==(const FrameState&) const = default;
};

// The scale a frame is drawn at: the Scale value, 0 counting as 1.
inline float DrawnScale(float scale) {
  return scale == 0.0f ? 1.0f : scale;
}

// The grey of the windows' background: white with "White bkg.", else mid grey.
inline float BackgroundGrey(bool white) {
  return white ? 1.0f : 0.5f;
}

// The shortest decimal text that reads back as the same double, with a decimal point
// whatever the locale.
std::string ExactNumber(double v);

// One "name value..." line per field, in a fixed order, numbers written so that they read
// back exactly.
std::string FrameStateText(const FrameState& state);
// Reads what FrameStateText writes. Lines may come in any order and fields left out keep
// their value in state; an unknown name, a missing or malformed value or a non-finite
// number is refused with the line in why, and state is left as it was.
bool ParseFrameStateText(const std::string& text, FrameState& state, std::string& why);

}  // namespace velmora
