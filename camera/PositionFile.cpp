#include "camera/PositionFile.h"

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <string>

#include "data/NumberParse.h"
#include "data/TextBuffer.h"

namespace velmora {

bool LoadPositionFile(const std::string& path, double targets[kPositionTargetCount]) {
  // Regular files only, as every reader: a named pipe would block, a device never end. A
  // file that grows while it is read is read as far as its size when opened.
  std::size_t size = 0;
  const int fd = OpenRegularFile(path, &size);
  if (fd < 0) return false;
  std::string lines[kPositionTargetCount];
  int line = 0;
  char chunk[4096];
  for (std::size_t left = size; left > 0 && line < kPositionTargetCount;) {
    const long n = ReadUpTo(fd, chunk, std::min(left, sizeof chunk));
    if (n <= 0) break;
    left -= static_cast<std::size_t>(n);
    for (long i = 0; i < n && line < kPositionTargetCount; ++i)
      if (chunk[i] == '\n')
        ++line;
      else
        lines[line] += chunk[i];
  }
  ::close(fd);
  for (int i = 0; i < kPositionTargetCount; ++i) {
    // A line the file does not have reads as empty, which converts to 0.0. The number ends
    // at a NUL, as a C string does. An overflowing number would glide the cameras to values
    // nothing can draw; like any other text that is not a number, it counts as 0.
    const double value = ParseAtof(lines[i].c_str());
    targets[i] = std::isfinite(value) ? value : 0.0;
  }
  return true;
}

void ApplyPositionFallback(CameraModel& first, CameraModel& second,
                           const std::function<void()>& showValues) {
  second.SetAzAlt(0.5, -0.3);
  second.SetPanTilt(0, 0);
  second.SetDistance(50);
  first.SetFocalLength(10);
  second.SetFocalLength(10);
  second.SetRotation(0);
  if (showValues) showValues();
  first.UpdateCamera(VIEW_ALL);
  second.UpdateCamera(VIEW_ALL);
}

}  // namespace velmora
