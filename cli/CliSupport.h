#pragma once
// Pieces the subcommands share: catching the core's messages, running with another
// current directory for a while, reading number lists and loading two views' points.

#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/Notify.h"
#include "camera/CameraModel.h"
#include "render/Workbench.h"

namespace velmora::cli {

inline constexpr const char* kProgram = "velmora-cli";
// What fst-info and scoremap say of a shape file that loads no points.
inline constexpr const char* kNoPoints = "holds no points (no object, or an empty last one)";

// What "Low memory!" becomes in the tool: the allocation failure unwinds to RunCli, which
// exits with the input-error status instead of the workbench's exit(-1).
struct LowMemory : std::bad_alloc {
  const char* what() const noexcept override { return "Low memory!"; }
};

// Routes ShowMessage to the error stream while it lives. Each message is written at once.
// "Low memory!" on the thread that made the capture throws LowMemory before the core ends
// the process; on another thread it could not unwind, so the core's exit stands.
class MessageCapture {
 public:
  explicit MessageCapture(std::ostream& err) : err_(err) {
    previous_ = SetMessageSink([this](const std::string& text) {
      // Some texts end in a line break of their own.
      std::string_view line(text);
      while (!line.empty() && line.back() == '\n') line.remove_suffix(1);
      err_ << kProgram << ": " << line << std::endl;
      ++count_;
      if (text == "Low memory!" && std::this_thread::get_id() == thread_) throw LowMemory();
    });
  }
  ~MessageCapture() { SetMessageSink(std::move(previous_)); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  int count() const { return count_; }

 private:
  std::ostream& err_;
  MessageSink previous_;
  int count_ = 0;
  std::thread::id thread_ = std::this_thread::get_id();
};

// The output stream could not be written (a full disk, a closed pipe): the message on
// err, and the status of an input error, as for an unwritable --out.
int OutputFailed(const std::string& prefix, std::ostream& err);

// Changes the current directory and restores it when it goes out of scope.
class CurrentDirChange {
 public:
  CurrentDirChange() = default;
  ~CurrentDirChange() {
    if (!previous_.empty()) {
      std::error_code ec;
      std::filesystem::current_path(previous_, ec);
    }
  }
  CurrentDirChange(const CurrentDirChange&) = delete;
  CurrentDirChange& operator=(const CurrentDirChange&) = delete;

  bool Enter(const std::filesystem::path& dir, std::error_code& ec) {
    std::filesystem::path here = std::filesystem::current_path(ec);
    if (ec) return false;
    std::filesystem::current_path(dir, ec);
    if (ec) return false;
    previous_ = std::move(here);
    return true;
  }

 private:
  std::filesystem::path previous_;
};

// --dir: the folder in which the data files (cols.fcd, the sample spheres, plane.png) are
// looked for first, entered for the rest of the subcommand. Files named on the command
// line are named from where the tool started, so paths are made absolute first. Nothing
// to do for an empty dir; false with the message on err when it cannot be entered.
bool EnterDataDir(const std::string& dir, const std::vector<std::string*>& paths,
                  CurrentDirChange& change, const std::string& prefix, std::ostream& err);

// A regular file (or pipe) that opens for reading; a directory opens on Linux but is no
// file to read.
bool IsReadableFile(const std::string& path);
// Why path cannot be read, as the system says it ("No such file or directory").
std::string ReadFailure(const std::string& path);

// count comma-separated finite numbers; blanks and tabs around a number and a leading
// plus sign are allowed. Otherwise false with the reason in why; fieldNames (the fields
// in order) goes into the reason when the count is wrong.
bool ParseNumberList(const std::string& text, int count, const std::string& fieldNames,
                     double* values, std::string& why);

// --error's value: plain or baseline. Otherwise false with the reason in why.
bool ParseErrorOption(const std::string& text, ErrorKind& kind, std::string& why);
inline constexpr const char* kErrorHelp =
    "plain (ln of the root of the summed squared gaps, the default) or baseline (ln of the "
    "root mean squared gap per distance between the two centres)";

// Two views, tied by a workbench, with the point pairs of one vector data file.
struct ViewPair {
  CameraModel first, second;
  Workbench workbench{first, second};
  int pairs = 0;
};

// Reads dataFile, poses the views (then ends a glide to the position file, when one is
// given), sets the rejection flag and loads both halves as the Controls window does. A file
// that cannot be read: false, with prefix and the reason on err.
bool LoadViews(const std::string& dataFile, const CameraParams& firstPose,
               const CameraParams& secondPose, const std::optional<std::string>& positionFile,
               bool skipNegative, const std::string& prefix, std::ostream& err, ViewPair& views);

}  // namespace velmora::cli
