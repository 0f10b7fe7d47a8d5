#include "render/Export.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>

#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "data/SampleSpheres.h"
#include "render/ErrorMaps.h"

namespace velmora {

namespace {

// The shortest text that reads back as the same double, with a decimal point whatever
// the locale (the Qt side sets the user's).
std::string Number(double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

int ColourByte(double c) {
  if (!(c > 0)) return 0;  // NaN too
  return static_cast<int>(std::lround(std::min(c, 1.0) * 255));
}

// The whole text or nothing said to be written: a full disk shows only when the buffer
// is flushed, so the close is checked as well as the write.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& why) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    why = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  int error = written ? 0 : errno;
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (!written || error != 0) {
    why = "cannot write " + path + ": " + std::strerror(error != 0 ? error : EIO);
    return false;
  }
  return true;
}

// Safe for a POSIX shell as it stands, or in single quotes.
std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
    return std::isalnum(c) || std::strchr("_-+=.,/:@%", c) != nullptr;
  });
  if (plain) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string NumberList(std::initializer_list<double> values) {
  std::string text;
  for (double v : values) text += (text.empty() ? "" : ",") + Number(v);
  return text;
}

std::string Boxes(const ViewBoxes& b) {
  std::string text;
  const std::pair<bool, const char*> names[] = {{b.camera, "camera"},
                                                {b.rays, "rays"},
                                                {b.meanRay, "meanray"},
                                                {b.azAlt, "azalt"},
                                                {b.panTilt, "pantilt"}};
  for (const auto& [on, name] : names)
    if (on) text += (text.empty() ? "" : ",") + std::string(name);
  return text.empty() ? "none" : text;
}

// The label of the control panel's sphere list.
std::string SphereLabel(int size) {
  const int row = SampleSphereWithVertexCount(size);
  return row >= 0 ? kSampleSpheres[row].label : std::to_string(size);
}

}  // namespace

bool WriteMidpointsPly(const std::string& path, const CameraModel& first, std::string& why) {
  std::string body;
  int count = 0;
  for (int i = 0; i < first.GetPointCount(); ++i) {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    Vec3 m{kNone, kNone, kNone};
    first.GetMidpoint(i, m);  // left alone where the pair has no ray points
    if (std::isnan(m.x)) continue;
    const std::size_t k = static_cast<std::size_t>(i);
    const Vec3 c = k < first.pointColors.size() ? first.pointColors[k] : Vec3{};
    body += Number(m.x) + " " + Number(m.y) + " " + Number(m.z) + " " +
            std::to_string(ColourByte(c.x)) + " " + std::to_string(ColourByte(c.y)) + " " +
            std::to_string(ColourByte(c.z)) + "\n";
    ++count;
  }
  const std::string header =
      "ply\nformat ascii 1.0\ncomment Velmora: midpoints of the reconstructed point pairs\n"
      "element vertex " +
      std::to_string(count) +
      "\nproperty double x\nproperty double y\nproperty double z\n"
      "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
  return WriteWholeFile(path, header + body, why);
}

bool WritePositionFile(const std::string& path, const CameraModel& first, const CameraModel& second,
                       double scale, std::string& why) {
  double values[kMaxAnimatedValues];
  ReadPositionValues(first, second, values);
  values[POS_SCALE] = scale;
  std::string text;
  for (int i = 0; i < kPositionTargetCount; ++i) text += Number(values[i]) + "\n";
  return WriteWholeFile(path, text, why);
}

std::string RenderCommandLine(const RenderState& s) {
  auto params = [](const CameraParams& p) {
    return NumberList(
        {p.azimuth, p.altitude, p.rotation, p.focalLength, p.distance, p.pan, p.tilt});
  };
  // "--option=value" keeps a negative number from reading as an option.
  std::vector<std::string> words = {"velmora-cli", "render", "--out=" + s.out};
  if (s.width > 0 && s.height > 0)
    words.push_back("--size=" + std::to_string(s.width) + "x" + std::to_string(s.height));
  words.push_back("--first=" + params(s.first));
  words.push_back("--second=" + params(s.second));
  const double* o = s.observer;
  words.push_back("--observer=" + NumberList({o[0], o[1], o[2], o[3], o[4], o[5], o[6]}));
  words.push_back("--first-options=" + Boxes(s.boxes[0]));
  words.push_back("--second-options=" + Boxes(s.boxes[1]));
  if (!s.axes) words.push_back("--no-axes");
  if (!s.fstObject) words.push_back("--no-fst");
  if (s.mainSphereSize != 0) words.push_back("--main-sphere=" + SphereLabel(s.mainSphereSize));
  if (s.frontOnly) words.push_back("--front-only");
  if (s.distanceMode) words.push_back("--distance-mode");
  words.push_back("--alpha=" + Number(s.alpha));
  if (s.scale != 1.0) words.push_back("--scale=" + Number(s.scale));
  if (s.plane) words.push_back("--plane");
  if (s.white) words.push_back("--white");
  // A file named like an option would be read as one after "--".
  if (!s.files.empty()) words.push_back("--");
  for (const std::string& file : s.files) words.push_back(file);
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : " ") + ShellWord(word);
  return line;
}

}  // namespace velmora
