#pragma once
// Where the program's own data files (cols.fcd, the sample spheres, plane.png,
// position.txt) are found: the current directory first, as the file formats have always
// said, then the installed share/velmora folder, then the build's data folder. A program
// started from a desktop launcher (current directory = home) still finds them.

#include <string>
#include <vector>

namespace velmora {

// The folders searched after the current directory, in order. Set once at start-up.
void SetDataFolders(std::vector<std::string> folders);
const std::vector<std::string>& DataFolders();

// The share/velmora folder of an installation whose programs are in exeDir (P/bin ->
// P/share/velmora), then the build's data folder beside the executable's folder.
std::vector<std::string> DefaultDataFolders(const std::string& exeDir);

// The folder of the running executable (from /proc/self/exe); empty when unknown.
std::string ExecutableDir();

// The path under which name is read: name itself when it exists in the current directory
// or is a path, else the first data folder holding it. When no folder holds it, name is
// returned unchanged (the reader then reports it as it always has) and one line on stderr
// names the folders searched.
std::string FindDataFile(const std::string& name);

}  // namespace velmora
