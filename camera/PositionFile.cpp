#include "camera/PositionFile.h"

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/NumberParse.h"
#include "data/TextBuffer.h"

namespace velmora {

bool LoadPositionFile(const std::string& path, double targets[kPositionTargetCount]) {
  // Regular files only, as every reader: a named pipe would block, a device never end.
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  std::FILE* file = ::fdopen(fd, "r");
  if (!file) {
    ::close(fd);
    return false;
  }
  char* buffer = nullptr;
  std::size_t capacity = 0;
  for (int i = 0; i < kPositionTargetCount; ++i) {
    // A line the file no longer has reads as empty, which converts to 0.0. The number
    // ends at a NUL, as a C string does.
    const ssize_t length = ::getline(&buffer, &capacity, file);
    const std::string line = length > 0 ? std::string(buffer) : std::string();
    // An overflowing number would glide the cameras to values nothing can draw; like
    // any other text that is not a number, it counts as 0.
    const double value = ParseAtof(line.c_str());
    targets[i] = std::isfinite(value) ? value : 0.0;
  }
  std::free(buffer);
  std::fclose(file);
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
