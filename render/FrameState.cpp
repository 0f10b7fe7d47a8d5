#include "render/FrameState.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "data/NumberParse.h"

namespace velmora {

namespace {

// One line of the text form: its name and where its numbers live in a FrameState. Flags
// are written 0 or 1; every value is kept as a double while a line is read.
struct Field {
  const char* name;
  int count;
  void (*get)(const FrameState& s, double* v);
  void (*set)(FrameState& s, const double* v);
};

// The boxes of a view panel by the names the command line gives them, in its order.
constexpr std::pair<const char*, bool OverlayOptions::*> kBoxNames[] = {
    {"camera", &OverlayOptions::showCamera},
    {"rays", &OverlayOptions::showRays},
    {"meanray", &OverlayOptions::showMeanRay},
    {"azalt", &OverlayOptions::showAzAltSphere},
    {"pantilt", &OverlayOptions::showPanTiltSphere}};

#define VELMORA_FLAG(name, member)                                                    \
  Field {                                                                             \
    name, 1, [](const FrameState& s, double* v) { v[0] = s.display.member ? 1 : 0; }, \
        [](FrameState& s, const double* v) { s.display.member = v[0] != 0; }          \
  }

const Field kFields[] = {
    {"observer", 7,
     [](const FrameState& s, double* v) {
       const ObserverPose& o = s.observer;
       v[0] = o.distance, v[1] = o.offsetX, v[2] = o.offsetY, v[3] = o.offsetZ, v[4] = o.angleX,
       v[5] = o.angleY, v[6] = o.angleZ;
     },
     [](FrameState& s, const double* v) {
       s.observer = {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
     }},
    VELMORA_FLAG("axes", axes),
    VELMORA_FLAG("fst-object", fstObject),
    VELMORA_FLAG("front-only", frontOnly),
    VELMORA_FLAG("distance-mode", distanceMode),
    VELMORA_FLAG("plane", plane),
    VELMORA_FLAG("white", white),
    {"main-sphere", 1, [](const FrameState& s, double* v) { v[0] = s.display.mainSphereSize; },
     [](FrameState& s, const double* v) { s.display.mainSphereSize = static_cast<int>(v[0]); }},
    {"alpha", 1, [](const FrameState& s, double* v) { v[0] = s.display.alpha; },
     [](FrameState& s, const double* v) { s.display.alpha = v[0]; }},
    {"scale", 1, [](const FrameState& s, double* v) { v[0] = s.display.scale; },
     [](FrameState& s, const double* v) { s.display.scale = static_cast<float>(v[0]); }},
    VELMORA_FLAG("wireframe", wireframe),
    VELMORA_FLAG("centre-mode", centreMode),
    VELMORA_FLAG("legend", legend),
};

// Written after the views' lines, so that every line of a text written before these
// existed keeps its number; a flag, so that such a text reads as the plain error.
const Field kLaterFields[] = {
    {"baseline-error", 1,
     [](const FrameState& s, double* v) {
       v[0] = s.display.errorKind == ErrorKind::kBaseline ? 1 : 0;
     },
     [](FrameState& s, const double* v) {
       s.display.errorKind = v[0] != 0 ? ErrorKind::kBaseline : ErrorKind::kPlain;
     }},
};

// The views' boxes are written as the command line lists them.
constexpr const char* kViewNames[2] = {"first-view", "second-view"};

#undef VELMORA_FLAG

constexpr int kMostValues = 7;

const Field* FindField(std::string_view name) {
  for (const Field& field : kFields)
    if (name == field.name) return &field;
  for (const Field& field : kLaterFields)
    if (name == field.name) return &field;
  return nullptr;
}

void AppendField(const Field& field, const FrameState& state, std::string& text) {
  double v[kMostValues];
  field.get(state, v);
  text += field.name;
  for (int i = 0; i < field.count; ++i) text += " " + ExactNumber(v[i]);
  text += "\n";
}

// A value the field's type keeps as it was read: flags 0 or 1, the sphere size a whole
// number, the scale within a float.
bool Representable(const Field& field, const double* v) {
  for (int i = 0; i < field.count; ++i) {
    if (!std::isfinite(v[i])) return false;
    FrameState probe;
    field.set(probe, v);
    double back[kMostValues];
    field.get(probe, back);
    if (back[i] != v[i]) return false;
  }
  return true;
}

}  // namespace

std::string ExactNumber(double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::string OverlayBoxList(const OverlayOptions& options) {
  std::string text;
  for (const auto& [name, box] : kBoxNames)
    if (options.*box) text += (text.empty() ? "" : ",") + std::string(name);
  return text.empty() ? "none" : text;
}

bool ParseOverlayBoxList(const std::string& text, OverlayOptions& options, std::string& why) {
  OverlayOptions read;
  for (const auto& box : kBoxNames) read.*box.second = false;
  std::string_view rest(text);
  while (text != "none" && !text.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view name = rest.substr(0, comma);
    const auto* box = std::find_if(std::begin(kBoxNames), std::end(kBoxNames),
                                   [name](const auto& b) { return name == b.first; });
    if (box == std::end(kBoxNames)) {
      why = "unknown box '" + std::string(name) +
            "' (camera, rays, meanray, azalt, pantilt, or none)";
      return false;
    }
    read.*box->second = true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  options = read;
  return true;
}

std::string FrameStateText(const FrameState& state) {
  std::string text;
  for (const Field& field : kFields) AppendField(field, state, text);
  for (int i = 0; i < 2; ++i)
    text += std::string(kViewNames[i]) + " " + OverlayBoxList(state.views[i]) + "\n";
  for (const Field& field : kLaterFields) AppendField(field, state, text);
  return text;
}

bool ParseFrameStateText(const std::string& text, FrameState& state, std::string& why) {
  FrameState read = state;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::istringstream words(line);
    std::string name;
    if (!(words >> name)) continue;  // blank lines are allowed
    const std::string where = "line " + std::to_string(number) + ": ";
    std::vector<std::string> values;
    for (std::string word; words >> word;) values.push_back(word);
    const auto* view = std::find(std::begin(kViewNames), std::end(kViewNames), name);
    if (view != std::end(kViewNames)) {
      if (values.size() != 1 ||
          !ParseOverlayBoxList(values[0], read.views[view - std::begin(kViewNames)], why)) {
        if (values.size() != 1) why = "takes one list of boxes";
        why = where + name + ": " + why;
        return false;
      }
      continue;
    }
    const Field* field = FindField(name);
    if (field == nullptr) {
      why = where + "unknown name \"" + name + "\"";
      return false;
    }
    double v[kMostValues];
    bool ok = static_cast<int>(values.size()) == field->count;
    for (int i = 0; ok && i < field->count; ++i)
      ok = IsDecimalNumber(values[static_cast<std::size_t>(i)].c_str(), &v[i]);
    if (!ok || !Representable(*field, v)) {
      why = where + name + " takes " + std::to_string(field->count) + " finite number" +
            (field->count > 1 ? "s" : "") + " of its kind";
      return false;
    }
    field->set(read, v);
  }
  state = read;
  return true;
}

}  // namespace velmora
