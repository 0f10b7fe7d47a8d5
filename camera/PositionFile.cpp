#include "camera/PositionFile.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {

// The line's decimal number as atof reads it, always with the C locale's decimal point
// (the Qt side sets the user's locale, and a comma locale would read "0.5" as 0). The
// line is cut at its first character that no decimal number (with the white space before
// it) holds: that keeps the decimal prefix whole and leaves strtod no hexadecimal, "inf"
// or "nan" form to read.
double DecimalAtof(const std::string& line) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const std::string text = line.substr(0, line.find_first_not_of(" \t\n\v\f\r+-.0123456789eE"));
  if (cLocale == static_cast<locale_t>(0)) return std::atof(text.c_str());
  return strtod_l(text.c_str(), nullptr, cLocale);
}

// Opens path when it names a regular file (links followed), else null. A named pipe
// would block the open until some writer came and a device such as /dev/zero never ends:
// both count as a file that cannot be opened. The type is checked before the open and
// again on what was opened; the open itself never waits.
std::FILE* OpenRegularFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::FILE* file = nullptr;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) file = ::fdopen(fd, "r");
  if (!file) ::close(fd);
  return file;
}

}  // namespace

bool LoadPositionFile(const std::string& path, double targets[kPositionTargetCount]) {
  std::FILE* file = OpenRegularFile(path);
  if (!file) return false;
  char* buffer = nullptr;
  std::size_t capacity = 0;
  for (int i = 0; i < kPositionTargetCount; ++i) {
    // A line the file no longer has reads as empty, which converts to 0.0. The number
    // ends at a NUL, as a C string does.
    const ssize_t length = ::getline(&buffer, &capacity, file);
    const std::string line = length > 0 ? std::string(buffer) : std::string();
    // An overflowing number would glide the cameras to values nothing can draw; like
    // any other text that is not a number, it counts as 0.
    const double value = DecimalAtof(line);
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
