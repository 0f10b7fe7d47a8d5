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
#include "data/FileWrite.h"
#include "data/SampleSpheres.h"
#include "render/ErrorMaps.h"

namespace velmora {

namespace {

int ColourByte(double c) {
  if (!(c > 0)) return 0;  // NaN too
  return static_cast<int>(std::lround(std::min(c, 1.0) * 255));
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
  for (double v : values) text += (text.empty() ? "" : ",") + ExactNumber(v);
  return text;
}

// The label of the control panel's sphere list.
std::string SphereLabel(int size) {
  const int row = SampleSphereWithVertexCount(size);
  return row >= 0 ? kSampleSpheres[row].label : std::to_string(size);
}

}  // namespace

namespace {

// The PLY body: one line per pair whose rays both views hold; count says how many.
std::string MidpointLines(const CameraModel& first, int& count) {
  std::string body;
  count = 0;
  for (int i = 0; i < first.GetPointCount(); ++i) {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    Vec3 m{kNone, kNone, kNone};
    first.GetMidpoint(i, m);  // left alone where the pair has no ray points
    if (std::isnan(m.x)) continue;
    const std::size_t k = static_cast<std::size_t>(i);
    const Vec3 c = k < first.pointColors.size() ? first.pointColors[k] : Vec3{};
    body += ExactNumber(m.x) + " " + ExactNumber(m.y) + " " + ExactNumber(m.z) + " " +
            std::to_string(ColourByte(c.x)) + " " + std::to_string(ColourByte(c.y)) + " " +
            std::to_string(ColourByte(c.z)) + "\n";
    ++count;
  }
  return body;
}

}  // namespace

bool HasMidpoints(const CameraModel& first, std::string& why) {
  int count = 0;
  MidpointLines(first, count);
  if (count > 0) return true;
  why = "no reconstructed points to export: load a vector data file with point pairs first";
  return false;
}

bool WriteMidpointsPly(const std::string& path, const CameraModel& first, std::string& why) {
  int count = 0;
  const std::string body = MidpointLines(first, count);
  // A PLY without vertices is refused by the readers it is meant for.
  if (count == 0) return HasMidpoints(first, why);
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
  for (int i = 0; i < kPositionTargetCount; ++i) text += ExactNumber(values[i]) + "\n";
  return WriteWholeFile(path, text, why);
}

std::string RenderCommandLine(const RenderCommand& command) {
  auto params = [](const CameraParams& p) {
    return NumberList(
        {p.azimuth, p.altitude, p.rotation, p.focalLength, p.distance, p.pan, p.tilt});
  };
  const ObserverPose& o = command.frame.observer;
  const DisplayOptions& d = command.frame.display;
  // "--option=value" keeps a negative number from reading as an option.
  std::vector<std::string> words = {"velmora-cli", "render", "--out=" + command.out};
  if (command.width > 0 && command.height > 0)
    words.push_back("--size=" + std::to_string(command.width) + "x" +
                    std::to_string(command.height));
  words.push_back("--first=" + params(command.cameras[0]));
  words.push_back("--second=" + params(command.cameras[1]));
  words.push_back("--observer=" + NumberList({o.distance, o.offsetX, o.offsetY, o.offsetZ, o.angleX,
                                              o.angleY, o.angleZ}));
  words.push_back("--first-options=" + OverlayBoxList(command.frame.views[0]));
  words.push_back("--second-options=" + OverlayBoxList(command.frame.views[1]));
  if (!d.axes) words.push_back("--no-axes");
  if (!d.fstObject) words.push_back("--no-fst");
  if (d.mainSphereSize != 0) words.push_back("--main-sphere=" + SphereLabel(d.mainSphereSize));
  if (d.frontOnly) words.push_back("--front-only");
  if (d.distanceMode) words.push_back("--distance-mode");
  words.push_back("--alpha=" + ExactNumber(d.alpha));
  // The tool refuses a Scale of 0, which the window draws at 1.
  const float scale = DrawnScale(d.scale);
  if (scale != 1.0f) words.push_back("--scale=" + ExactNumber(scale));
  if (d.plane) words.push_back("--plane");
  if (d.white) words.push_back("--white");
  if (d.legend) words.push_back("--legend");
  if (d.errorKind != ErrorKind::kPlain)
    words.push_back(std::string("--error=") + ErrorKindName(d.errorKind));
  // A file named like an option would be read as one after "--".
  if (!command.files.empty()) words.push_back("--");
  for (const std::string& file : command.files) words.push_back(file);
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : " ") + ShellWord(word);
  return line;
}

}  // namespace velmora
