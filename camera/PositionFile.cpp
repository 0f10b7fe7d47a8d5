#include "camera/PositionFile.h"

#include <locale.h>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace velmora {

namespace {

// atof, but always with the C locale's decimal point: the Qt side sets the user's locale
// at start-up, and a comma locale would otherwise read "0.5" as 0.
double AtofC(const char* text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (cLocale == static_cast<locale_t>(0)) return std::atof(text);
  return strtod_l(text, nullptr, cLocale);
}

}  // namespace

bool LoadPositionFile(const std::string& path, double targets[kPositionTargetCount]) {
  // A directory opens on Linux and reads as empty; it is no file to read.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return false;
  std::ifstream file(path);
  if (!file.is_open()) return false;
  std::string line;
  for (int i = 0; i < kPositionTargetCount; ++i) {
    // A line the file no longer has reads as empty, which converts to 0.0.
    if (!std::getline(file, line)) line.clear();
    // "nan", "inf" or an overflowing number would glide the cameras to values nothing can
    // draw; like any other text that is not a number, it counts as 0.
    const double value = AtofC(line.c_str());
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
