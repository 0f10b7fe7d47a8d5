#pragma once
// Pieces the subcommands share: catching the core's messages, running with another
// current directory for a while, reading number lists and loading two views' points.

#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>

#include "base/Notify.h"
#include "camera/CameraModel.h"
#include "render/Workbench.h"

namespace velmora::cli {

inline constexpr const char* kProgram = "velmora-cli";

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
      err_ << kProgram << ": " << text << std::endl;
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

// A regular file (or pipe) that opens for reading; a directory opens on Linux but is no
// file to read.
bool IsReadableFile(const std::string& path);

// count comma-separated finite numbers; blanks and tabs around a number and a leading
// plus sign are allowed. Otherwise false with the reason in why; fieldNames (the fields
// in order) goes into the reason when the count is wrong.
bool ParseNumberList(const std::string& text, int count, const std::string& fieldNames,
                     double* values, std::string& why);

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
