#include "data/DataFiles.h"

#include <errno.h>  // program_invocation_short_name

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace velmora {
namespace {

std::vector<std::string>& Folders() {
  static std::vector<std::string> folders;
  return folders;
}

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

void SetDataFolders(std::vector<std::string> folders) {
  Folders() = std::move(folders);
}

const std::vector<std::string>& DataFolders() {
  return Folders();
}

std::vector<std::string> DefaultDataFolders(const std::string& exeDir) {
  if (exeDir.empty()) return {};
  const std::filesystem::path up = std::filesystem::path(exeDir) / "..";
  // Installed: P/bin/velmora reads P/share/velmora. Built: build/app/velmora and
  // build/cli/velmora-cli read build/velmora-data, where the generator writes.
  return {(up / "share" / "velmora").lexically_normal().string(),
          (up / "velmora-data").lexically_normal().string()};
}

std::string ExecutableDir() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string FindDataFile(const std::string& name) {
  const std::filesystem::path path(name);
  // A path the user chose, or a file here: the current directory comes first.
  if (name.empty() || path.has_parent_path() || Exists(path)) return name;
  for (const std::string& folder : Folders()) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / path;
    if (Exists(candidate)) return candidate.string();
  }
  std::string searched = ".";
  for (const std::string& folder : Folders()) searched += ", " + folder;
  std::fprintf(stderr, "%s: %s not found in %s\n", program_invocation_short_name, name.c_str(),
               searched.c_str());
  return name;
}

}  // namespace velmora
