#include "render/Session.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "data/NumberParse.h"
#include "data/TextBuffer.h"

namespace velmora {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormat = "velmora-session";
constexpr const char* kViewNames[2] = {"first", "second"};

// The seven parameters' names, in the order of kCameraParamMembers.
constexpr const char* kParamNames[] = {"azimuth",  "altitude", "rotation", "focalLength",
                                       "distance", "pan",      "tilt"};
static_assert(std::size(kParamNames) == std::size(kCameraParamMembers));

// The frame is kept as its text form says it: one field per line, a number, a list of
// numbers or a list of boxes.
Json FrameJson(const FrameState& frame) {
  Json object = Json::object();
  std::istringstream lines(FrameStateText(frame));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string name, word;
    words >> name;
    std::vector<std::string> values;
    while (words >> word) values.push_back(word);
    Json value = Json::array();
    for (const std::string& v : values) {
      double number = 0;
      if (!IsDecimalNumber(v.c_str(), &number)) {
        value = v;  // a list of boxes
        break;
      }
      value.push_back(number);
    }
    object[name] = value.is_array() && value.size() == 1 ? value[0] : value;
  }
  return object;
}

// Back to the text form, which checks every field.
bool ReadFrame(const Json& object, FrameState& frame, std::string& why) {
  if (!object.is_object()) {
    why = "damaged session file: \"frame\" is not an object";
    return false;
  }
  std::string text;
  for (const auto& [name, value] : object.items()) {
    text += name;
    const Json list = value.is_array() ? value : Json::array({value});
    for (const Json& v : list) {
      if (v.is_string()) {
        text += " " + v.get<std::string>();
      } else if (v.is_number()) {
        text += " " + ExactNumber(v.get<double>());
      } else {
        why = "the frame's " + name + " is neither numbers nor a list of boxes";
        return false;
      }
    }
    text += "\n";
  }
  if (ParseFrameStateText(text, frame, why)) return true;
  why = "the frame: " + why;
  return false;
}

Json FileJson(const SessionFile& file) {
  if (file.path.empty()) return nullptr;
  return Json{{"path", file.path}, {"digest", file.digest}};
}

// A damaged file: the reason, in this program's words rather than the JSON library's.
[[noreturn]] void Damaged(const std::string& reason) {
  throw std::runtime_error(reason);
}

// The value at key, which must be there.
const Json& Field(const Json& object, const std::string& key) {
  if (!object.is_object() || !object.contains(key)) Damaged("the field \"" + key + "\" is missing");
  return object.at(key);
}

std::string Text(const Json& object, const std::string& key) {
  const Json& value = Field(object, key);
  if (!value.is_string()) Damaged("the field \"" + key + "\" is not a text");
  return value.get<std::string>();
}

double Finite(const Json& object, const std::string& key, const std::string& what) {
  const Json& value = Field(object, key);
  if (!value.is_number() || !std::isfinite(value.get<double>()))
    Damaged(what + " is not a finite number");
  return value.get<double>();
}

SessionFile ReadFile(const Json& document, const std::string& key) {
  const Json& value = Field(document, key);
  if (value.is_null()) return {};
  return {Text(value, "path"), Text(value, "digest")};
}

}  // namespace

std::string FileDigest(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return {};
  // 64-bit FNV-1a: enough to tell a changed file, not meant to resist anyone.
  std::uint64_t hash = 0xcbf29ce484222325ull;
  char buffer[1 << 16];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
    for (ssize_t i = 0; i < n; ++i)
      hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 0x100000001b3ull;
  ::close(fd);
  if (n < 0) return {};
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string SessionText(const Session& session) {
  Json cameras = Json::array();
  for (const CameraParams& p : session.cameras) {
    Json camera = Json::object();
    for (std::size_t k = 0; k < std::size(kParamNames); ++k)
      camera[kParamNames[k]] = p.*kCameraParamMembers[k];
    cameras.push_back(camera);
  }
  Json document = {{"format", kFormat},
                   {"version", kSessionVersion},
                   {"frame", FrameJson(session.frame)},
                   {"cameras", cameras},
                   {"controlledView", kViewNames[session.controlledView == 0 ? 0 : 1]},
                   {"skipNegative", session.skipNegative},
                   {"fstFile", FileJson(session.fstFile)},
                   {"dataFile", FileJson(session.dataFile)}};
  if (!session.dataFile.path.empty())
    document["dataFile"]["pairColourStart"] = session.pairColourStart;
  return document.dump(2) + "\n";
}

bool ParseSessionText(const std::string& text, Session& session, std::string& why) {
  Json document;
  try {
    document = Json::parse(text);
  } catch (const Json::parse_error& e) {
    why = "damaged session file: the JSON breaks off at byte " + std::to_string(e.byte);
    return false;
  }
  if (!document.is_object()) {
    why = "not a session file: not a JSON object";
    return false;
  }
  Session read = session;
  try {
    if (!Field(document, "format").is_string() || Text(document, "format") != kFormat) {
      why = "not a session file: the format is not \"" + std::string(kFormat) + "\"";
      return false;
    }
    const Json& version = Field(document, "version");
    if (!version.is_number_integer() || version.get<long long>() != kSessionVersion) {
      why = "session version " + version.dump() + " is not one this program reads (" +
            std::to_string(kSessionVersion) + ")";
      return false;
    }
    if (!ReadFrame(Field(document, "frame"), read.frame, why)) return false;
    const Json& cameras = Field(document, "cameras");
    if (!cameras.is_array() || cameras.size() != 2) Damaged("\"cameras\" is not two cameras");
    for (std::size_t i = 0; i < 2; ++i)
      for (std::size_t k = 0; k < std::size(kParamNames); ++k)
        read.cameras[i].*kCameraParamMembers[k] = Finite(
            cameras[i], kParamNames[k], std::string(kViewNames[i]) + " camera's " + kParamNames[k]);
    const std::string controlled = Text(document, "controlledView");
    if (controlled != kViewNames[0] && controlled != kViewNames[1])
      Damaged("\"controlledView\" is neither \"first\" nor \"second\"");
    read.controlledView = controlled == kViewNames[0] ? 0 : 1;
    const Json& skip = Field(document, "skipNegative");
    if (!skip.is_boolean()) Damaged("\"skipNegative\" is neither true nor false");
    read.skipNegative = skip.get<bool>();
    read.fstFile = ReadFile(document, "fstFile");
    read.dataFile = ReadFile(document, "dataFile");
    // Left out, the colours are those of a data file loaded first after start-up.
    read.pairColourStart = 0;
    const Json& data = document.at("dataFile");
    if (data.is_object() && data.contains("pairColourStart")) {
      const Json& start = data.at("pairColourStart");
      if (!start.is_number_integer() || start.get<long long>() < 0)
        Damaged("\"pairColourStart\" is not a count");
      read.pairColourStart = start.get<long long>();
    }
  } catch (const std::runtime_error& e) {
    why = std::string("damaged session file: ") + e.what();
    return false;
  }
  session = read;
  return true;
}

}  // namespace velmora
