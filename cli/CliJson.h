#pragma once
// JSON out, written as it is made: one object whose fields are written in order, its
// arrays element by element, so that a million pairs or vertices are never held as one
// JSON value. The text is the same, byte for byte, as nlohmann's dump(2) of the whole.

#include <cmath>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "camera/CameraModel.h"

namespace velmora::cli {

using Json = nlohmann::ordered_json;

// A value's text at the given indentation, as dump(2) writes it inside a document. Bytes
// that are not UTF-8 (a file name may hold any) become U+FFFD, one for each bad sequence.
std::string JsonText(const Json& value, int indent);

// A number, or null where JSON has none (infinite or NaN: an error of no pairs).
inline Json JsonNumber(double v) {
  return std::isfinite(v) ? Json(v) : Json(nullptr);
}

// A view's seven parameters and its scale, as reconstruct and import print them.
Json DescribeView(const CameraModel& view);

class JsonObjectWriter {
 public:
  explicit JsonObjectWriter(std::ostream& out) : out_(out) {}
  JsonObjectWriter(const JsonObjectWriter&) = delete;
  JsonObjectWriter& operator=(const JsonObjectWriter&) = delete;

  void Field(const std::string& key, const Json& value);
  // An array field whose elements follow one by one, then EndArray. Element is false once
  // the stream has failed (a full disk, a closed pipe): the caller stops there rather than
  // format the rest for nobody.
  void BeginArray(const std::string& key);
  bool Element(const Json& value);
  void EndArray();
  // Closes the object and flushes; false when the stream could not be written.
  bool Finish();

 private:
  void Key(const std::string& key);

  std::ostream& out_;
  bool firstField_ = true;
  bool firstElement_ = true;
};

}  // namespace velmora::cli
