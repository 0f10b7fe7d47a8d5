#pragma once
// Keeping what the workbench shows: the reconstructed points as a PLY file, the poses as a
// position file that F6 glides back to, and the command line of velmora-cli render that
// draws the same frame again. Core code: no Qt, no OpenGL.

#include <string>
#include <vector>

#include "camera/CameraModel.h"

namespace velmora {

// The midpoint of every pair whose rays both views hold (CameraModel::GetMidpoint of
// first), with its pair colour, as an ASCII PLY file: x y z as doubles, red green blue
// as bytes. Pairs without ray points are left out. False with why on a write error.
bool WriteMidpointsPly(const std::string& path, const CameraModel& first, std::string& why);

// The nine lines of the position file: the second view's pose, both distances and scale,
// the Scale value of the main scene. LoadPositionFile reads back the same numbers.
bool WritePositionFile(const std::string& path, const CameraModel& first, const CameraModel& second,
                       double scale, std::string& why);

// The boxes of one view panel.
struct ViewBoxes {
  bool camera = true, rays = true, meanRay = false, azAlt = false, panTilt = false;
};

// What a frame of the main window depends on, with the defaults velmora-cli render uses.
struct RenderState {
  std::string out = "frame.png";
  int width = 0, height = 0;       // 0: the main window's start-up size
  std::vector<std::string> files;  // shape and data files in the order they were loaded
  CameraParams first, second;
  // distance, offsetX, offsetY, offsetZ, angleX, angleY, angleZ
  double observer[7] = {400, 0, 0, 0, 1, -1, 0};
  bool axes = true, fstObject = true, frontOnly = false, distanceMode = false;
  bool plane = false, white = false;
  int mainSphereSize = 0;  // the shown main sphere's nominal size; 0 for none
  double alpha = 0.5;
  double scale = 1.0;
  ViewBoxes boxes[2];
};

// "velmora-cli render ..." for the state, one line, its arguments quoted for a POSIX
// shell where they need it. Numbers are written so that they read back exactly.
std::string RenderCommandLine(const RenderState& state);

}  // namespace velmora
