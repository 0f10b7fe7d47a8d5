#include "cli/CliSupport.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "camera/PositionFile.h"
#include "cli/Cli.h"
#include "data/TextBuffer.h"
#include "data/VectorData.h"

namespace velmora::cli {

bool IsReadableFile(const std::string& path) {
  // Only a regular file: a named pipe would block here and a device never end.
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool EnterDataDir(const std::string& dir, const std::vector<std::string*>& paths,
                  CurrentDirChange& change, const std::string& prefix, std::ostream& err) {
  if (dir.empty()) return true;
  for (std::string* path : paths) *path = std::filesystem::absolute(*path).string();
  std::error_code ec;
  if (change.Enter(dir, ec)) return true;
  err << prefix << "cannot use directory " << dir << ": " << ec.message() << "\n";
  return false;
}

std::string ReadFailure(const std::string& path) {
  return velmora::ReadFailure(path);
}

int OutputFailed(const std::string& prefix, std::ostream& err) {
  err << prefix << "cannot write the output\n";
  return kExitBadInput;
}

namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool ParseNumberList(const std::string& text, int count, const std::string& fieldNames,
                     double* values, std::string& why) {
  std::vector<std::string_view> fields;
  std::string_view rest(text);
  for (;;) {
    const std::size_t comma = rest.find(',');
    fields.push_back(Trim(rest.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (fields.size() != static_cast<std::size_t>(count)) {
    why = "expected " + std::to_string(count) + " comma-separated numbers (" + fieldNames +
          "), got " + std::to_string(fields.size()) + " field" + (fields.size() == 1 ? "" : "s");
    return false;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::string_view field = fields[i];
    // from_chars takes no plus sign; a script may well write one.
    if (field.size() > 1 && field.front() == '+' && field[1] != '-') field.remove_prefix(1);
    const char* end = field.data() + field.size();
    const auto [stop, ec] = std::from_chars(field.data(), end, values[i]);
    const std::string quoted = "'" + std::string(fields[i]) + "'";
    if (!field.empty() && stop == end && ec == std::errc::result_out_of_range) {
      why = quoted + " is out of range";  // too large for a double, or too small not to be 0
      return false;
    }
    if (field.empty() || ec != std::errc{} || stop != end) {
      why = quoted + " is not a number";
      return false;
    }
    if (!std::isfinite(values[i])) {
      why = quoted + " is not a finite number";
      return false;
    }
  }
  return true;
}

bool ParseErrorOption(const std::string& text, ErrorKind& kind, std::string& why) {
  if (ParseErrorKind(text, kind)) return true;
  why = "--error: '" + text + "' is not plain or baseline";
  return false;
}

bool LoadViews(const std::string& dataFile, const CameraParams& firstPose,
               const CameraParams& secondPose, const std::optional<std::string>& positionFile,
               bool skipNegative, const std::string& prefix, std::ostream& err, ViewPair& views) {
  VectorData data;
  if (!ReadVectorData(dataFile, data)) {
    err << prefix << "cannot read data file " << dataFile << ": " << ReadFailure(dataFile) << "\n";
    return false;
  }
  views.first.SetParams(firstPose);
  views.second.SetParams(secondPose);
  if (positionFile) {
    double targets[kPositionTargetCount];
    // The workbench falls back to a fixed pose here; a script asked for this file.
    if (!LoadPositionFile(*positionFile, targets)) {
      err << prefix << "cannot read position file " << *positionFile << ": "
          << ReadFailure(*positionFile) << "\n";
      return false;
    }
    views.workbench.ApplyPositionTargets(targets);
  }
  views.first.skipNegativeST = views.second.skipNegativeST = skipNegative;
  // The reader splits the lines in halves, so both views get the same count.
  views.pairs = data.count;
  views.workbench.LoadPointPairs(data);
  return true;
}

}  // namespace velmora::cli
