#pragma once
// Shared helpers of the tests: recording message boxes, temporary files, vector matchers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Notify.h"
#include "camera/CameraModel.h"
#include "data/LoadProgress.h"

namespace velmora::test {

// Records every message box while it lives, instead of showing it.
class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ = SetMessageSink([this](const std::string& text) { texts.push_back(text); });
  }
  ~MessageRecorder() { SetMessageSink(std::move(previous_)); }
  std::vector<std::string> texts;

 private:
  MessageSink previous_;
};

// A fresh directory removed with the object; handy for malformed files.
class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("velmora-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string Write(const std::string& name, const std::string& content) const {
    auto file = path_ / name;
    std::ofstream(file, std::ios::binary) << content;
    return file.string();
  }

 private:
  std::filesystem::path path_;
  static inline int counter_ = 0;
};

// Runs the body with the process's current directory set to dir.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDir() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

// Counts how often a load shows and hides its progress display.
struct CountingProgress : LoadProgress {
  void Show() override { ++shown; }
  void Hide() override { ++hidden; }
  void SetRange(int, int) override {}
  void SetPos(int) override {}
  void SetStep(int) override {}
  void Step() override {}
  void SetCaption(const std::string&) override {}
  int shown = 0, hidden = 0;
};

MATCHER_P2(Vec3Near, expected, tolerance, "") {
  const double dx = arg.x - expected.x, dy = arg.y - expected.y, dz = arg.z - expected.z;
  const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
  *result_listener << "(" << arg.x << ", " << arg.y << ", " << arg.z << ") is " << d << " away";
  return d <= tolerance;
}

}  // namespace velmora::test
