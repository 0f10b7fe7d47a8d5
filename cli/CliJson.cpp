#include "cli/CliJson.h"

namespace velmora::cli {

std::string JsonText(const Json& value, int indent) {
  std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
  if (indent == 0) return text;
  const std::string newline = "\n" + std::string(static_cast<std::size_t>(indent), ' ');
  std::string shifted;
  shifted.reserve(text.size());
  // Strings carry their line breaks escaped, so every raw one is the layout's.
  for (char c : text) {
    if (c == '\n')
      shifted += newline;
    else
      shifted += c;
  }
  return shifted;
}

void JsonObjectWriter::Key(const std::string& key) {
  out_ << (firstField_ ? "{\n  " : ",\n  ") << JsonText(Json(key), 0) << ": ";
  firstField_ = false;
}

void JsonObjectWriter::Field(const std::string& key, const Json& value) {
  Key(key);
  out_ << JsonText(value, 2);
}

void JsonObjectWriter::BeginArray(const std::string& key) {
  Key(key);
  out_ << "[";
  firstElement_ = true;
}

bool JsonObjectWriter::Element(const Json& value) {
  out_ << (firstElement_ ? "\n    " : ",\n    ") << JsonText(value, 4);
  firstElement_ = false;
  return !out_.fail();
}

void JsonObjectWriter::EndArray() {
  out_ << (firstElement_ ? "]" : "\n  ]");
}

bool JsonObjectWriter::Finish() {
  out_ << (firstField_ ? "{}\n" : "\n}\n");
  out_.flush();
  return !out_.fail();
}

}  // namespace velmora::cli
