#pragma once
// A kept state of the workbench, so that a user comes back to the same frame: what the
// frame shows, both cameras' seven parameters, which view the mouse steers, "No s,t<0",
// and the FST and vector data files with a digest of each, to tell when a file changed
// since. Written as versioned JSON; core code: no Qt, no OpenGL.

#include <string>

#include "camera/CameraModel.h"
#include "render/FrameState.h"

namespace velmora {

inline constexpr int kSessionVersion = 1;

// A file the session loads: its path as given, and the digest of its bytes when saved.
struct SessionFile {
  std::string path;    // empty: no such file in the session
  std::string digest;  // FileDigest of the file when the session was saved
  bool operator==(const SessionFile&) const = default;
};

struct Session {
  FrameState frame;
  CameraParams cameras[2];
  int controlledView = 1;  // 0 the first view, 1 the second
  bool skipNegative = false;
  SessionFile fstFile, dataFile;
  // The pair colours drawn before the data file's (PairColoursDrawn): its pairs get the
  // same colours again.
  long long pairColourStart = 0;
  bool operator==(const Session&) const = default;
};

// A 64-bit digest of the file's bytes as 16 hexadecimal digits; empty when the file
// cannot be read as a regular file.
std::string FileDigest(const std::string& path);

// The session as JSON text; numbers are written so that they read back exactly.
std::string SessionText(const Session& session);

// Reads what SessionText writes. A damaged file (not JSON, a field missing or of the wrong
// kind, a number that is not finite), another format or a version this program does not
// know is refused with the reason in why, and session is left as it was.
bool ParseSessionText(const std::string& text, Session& session, std::string& why);

}  // namespace velmora
