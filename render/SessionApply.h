#pragma once
// Saving and opening a session: the one sequence of steps that the main window, its script
// runner and velmora-cli render run, so that a session opens to the same frame wherever it
// is opened. Core code: no Qt, no OpenGL.

#include <string>
#include <vector>

#include "render/Session.h"
#include "render/Workbench.h"

namespace velmora {

// What opening a session asks of the program that shows the workbench.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // Loads the file as the program loads one; false when it did not load (the host or the
  // loader has said why).
  virtual bool LoadFst(const std::string& path) = 0;
  virtual bool LoadData(const std::string& path) = 0;
  // Both cameras hold the session's parameters and have been recomputed.
  virtual void ShowCameras() {}
  // Shows the frame; false when its main sphere did not load.
  virtual bool ShowFrame(const FrameState& frame) = 0;
  virtual void SetControlledView(int view) { (void)view; }
};

// The workbench as a session: the frame as shown, both cameras, "No s,t<0" (the first
// view's, which the box sets in both), the controlled view and each file named with the
// digest it has now. An empty path names no file.
Session CaptureSession(const Workbench& workbench, const FrameState& frame, int controlledView,
                       const std::string& fstPath, const std::string& dataPath);

// Every file the session names must be readable before anything changes: a missing one
// refuses the session with the reason in why. One whose digest differs is loaded, with a
// line in warnings. Then, in this order: the FST file, the data file, both cameras and
// "No s,t<0", the recolouring, the frame, the controlled view. A file the session does not
// name keeps what is loaded.
bool ApplySession(const Session& session, Workbench& workbench, SessionHost& host, std::string& why,
                  std::vector<std::string>& warnings);

// Reads a session file; paths in it that are relative are taken from the session file's
// folder. False with why (session untouched) when it cannot be read, is damaged or has a
// version this program does not read.
bool ReadSessionFile(const std::string& path, Session& session, std::string& why);
bool WriteSessionFile(const std::string& path, const Session& session, std::string& why);

// ReadSessionFile then ApplySession: a damaged file or an unknown version changes nothing.
bool OpenSessionFile(const std::string& path, Workbench& workbench, SessionHost& host,
                     std::string& why, std::vector<std::string>& warnings);

}  // namespace velmora
