#pragma once
// velmora-cli: the core's readers and camera model behind a command line, for scripts
// and quick checks. Results go out as JSON; anything wrong with the input goes to the
// error stream with exit status kExitBadInput and leaves the output stream empty; a fault of
// the tool itself exits with kExitInternal.

#include <iosfwd>
#include <optional>
#include <string>

#include "camera/CameraModel.h"
#include "cli/CliImport.h"

namespace velmora {

inline constexpr int kExitOk = 0;
inline constexpr int kExitInternal = 1;
inline constexpr int kExitBadInput = 2;

// Parses argv and runs the subcommand. Never touches std::cout or std::cerr.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

// Seven comma-separated numbers: azimuth, altitude, rotation, focal length, distance,
// pan, tilt. Anything else (fewer or more numbers, junk around a number, NaN, infinity,
// out of range) is refused with the reason in why.
bool ParseCameraParams(const std::string& text, CameraParams& params, std::string& why);

struct FstInfoOptions {
  std::string file;
  std::string dir;       // where cols.fcd is looked for first; empty for the current directory
  bool summary = false;  // counts and box only, without the palette and the lists
};

struct ReconstructOptions {
  std::string dataFile;
  CameraParams first, second;
  std::optional<std::string> positionFile;
  bool skipNegative = false;
  ErrorKind error = ErrorKind::kPlain;
  ImportSource import;  // instead of dataFile
};

struct ScoremapOptions {
  std::string sphereFile;
  std::string dataFile;
  std::string dir;          // where cols.fcd is looked for first; empty for the current directory
  bool directions = false;  // --map directions; positions otherwise
  bool secondTurns = true;  // --view: which view turns in the direction map
  bool distance = false;    // radial mode of the position map
  CameraParams first, second;
  bool skipNegative = false;
  ErrorKind error = ErrorKind::kPlain;
};

int RunFstInfo(const FstInfoOptions& options, std::ostream& out, std::ostream& err);
int RunReconstruct(const ReconstructOptions& options, std::ostream& out, std::ostream& err);
int RunScoremap(const ScoremapOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmora
