#pragma once
// Writing a whole file so that a failure is seen and loses nothing: the bytes go to a
// temporary file beside the target, which replaces the target only after every write, the
// flush to the disk and the close succeeded. A full disk then leaves the old file whole.

#include <string>
#include <string_view>

namespace velmora {

// Writes bytes as path. False with "cannot write PATH: REASON" in why when any step fails;
// the temporary file is gone then and path is as it was. A new file gets the permissions
// the process's umask gives; a replaced one keeps its own. A path that names something
// other than a regular file (a device such as /dev/full, a pipe) is written in place, and
// a symbolic link is followed, so that the link stays.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& why);

}  // namespace velmora
