#pragma once
// Keeping what the workbench shows: the reconstructed points as a PLY file, the poses as a
// position file that F6 glides back to, and the command line of velmora-cli render that
// draws the same frame again. Core code: no Qt, no OpenGL.

#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "render/FrameState.h"

namespace velmora {

// The midpoint of every pair whose rays both views hold (CameraModel::GetMidpoint of
// first), with its pair colour, as an ASCII PLY file: x y z as doubles, red green blue
// as bytes. Pairs without ray points are left out. False with why on a write error, and
// without writing when no pair has a midpoint.
bool WriteMidpointsPly(const std::string& path, const CameraModel& first, std::string& why);
// Whether WriteMidpointsPly has a point to write; false with the reason in why.
bool HasMidpoints(const CameraModel& first, std::string& why);

// The nine lines of the position file: the second view's pose, both distances and scale,
// the Scale value of the main scene. LoadPositionFile reads back the same numbers.
bool WritePositionFile(const std::string& path, const CameraModel& first, const CameraModel& second,
                       double scale, std::string& why);

// What velmora-cli render is told to draw a frame again: the frame itself, where to write
// it, its size (0 for the main window's start-up size), the shape and data files in the
// order they were loaded and both cameras.
struct RenderCommand {
  std::string out = "frame.png";
  int width = 0, height = 0;
  std::vector<std::string> files;
  CameraParams cameras[2];
  FrameState frame;
};

// "velmora-cli render ..." for the command, one line, its arguments quoted for a POSIX
// shell where they need it. Numbers are written so that they read back exactly. The
// command line cannot carry the wireframe and the centre mode.
std::string RenderCommandLine(const RenderCommand& command);

}  // namespace velmora
