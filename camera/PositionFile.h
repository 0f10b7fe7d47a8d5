#pragma once
// The camera position file: nine numbers, one a line, that give the targets of the
// position transition (the second view's pose, the first view's distance and the scale).

#include <functional>
#include <string>

#include "camera/CameraModel.h"

namespace velmora {

inline constexpr const char* kPositionFileName = "position.txt";
inline constexpr int kPositionTargetCount = 9;

// Order of the targets, which is the order of the lines in the file.
enum PositionTarget : int {
  POS_AZIMUTH = 0,       // second view
  POS_ALTITUDE = 1,      // second view
  POS_ROTATION = 2,      // second view
  POS_FOCAL_LENGTH = 3,  // second view
  POS_FIRST_DISTANCE = 4,
  POS_SECOND_DISTANCE = 5,
  POS_PAN = 6,    // second view
  POS_TILT = 7,   // second view
  POS_SCALE = 8,  // both views and the main scene
};

// Reads the first nine lines of the file into targets, in file order: each the decimal
// number the line starts with, text after it ignored. A missing line, one that does not
// start with a decimal number (hexadecimal, "inf" and "nan" are none) and a value too
// large for a double give 0.0. Returns false, with targets untouched, when the file
// cannot be opened or is no regular file (a named pipe, a device, a folder).
bool LoadPositionFile(const std::string& path, double targets[kPositionTargetCount]);

// The pose taken at once when the file cannot be opened: second view at azimuth 0.5,
// altitude -0.3, pan 0, tilt 0, distance 50, rotation 0; focal length 10 on both. Then
// showValues (the panels write the new values into their edit boxes) if given, then
// UpdateCamera(VIEW_ALL) on the first view and then on the second.
void ApplyPositionFallback(CameraModel& first, CameraModel& second,
                           const std::function<void()>& showValues = {});

}  // namespace velmora
