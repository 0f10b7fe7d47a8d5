#include "render/SessionApply.h"

#include <unistd.h>

#include <algorithm>

#include "data/FileWrite.h"
#include "data/TextBuffer.h"
#include "data/VectorData.h"
#include "render/PoseHistory.h"

namespace velmora {

namespace {

// A session is a page of text; anything far larger is not one.
constexpr std::size_t kMaxSessionBytes = 1 << 20;

// Relative paths in a session are the session file's neighbours.
std::string FromFolderOf(const std::string& sessionPath, const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  const std::size_t slash = sessionPath.rfind('/');
  return slash == std::string::npos ? path : sessionPath.substr(0, slash + 1) + path;
}

SessionFile Named(const std::string& path) {
  return path.empty() ? SessionFile{} : SessionFile{path, FileDigest(path)};
}

}  // namespace

Session CaptureSession(const Workbench& workbench, const FrameState& frame, int controlledView,
                       const std::string& fstPath, const std::string& dataPath) {
  Session session;
  session.frame = frame;
  for (int i = 0; i < 2; ++i) session.cameras[i] = workbench.View(i).GetParams();
  session.controlledView = controlledView == 0 ? 0 : 1;
  session.skipNegative = workbench.First().skipNegativeST;
  session.fstFile = Named(fstPath);
  session.dataFile = Named(dataPath);
  if (!dataPath.empty()) session.pairColourStart = workbench.pairColourStart;
  return session;
}

bool ApplySession(const Session& session, Workbench& workbench, SessionHost& host, std::string& why,
                  std::vector<std::string>& warnings) {
  const std::pair<const SessionFile*, const char*> files[] = {{&session.fstFile, "FST file"},
                                                              {&session.dataFile, "data file"}};
  for (const auto& [file, kind] : files) {
    if (file->path.empty()) continue;
    const std::string digest = FileDigest(file->path);
    if (digest.empty()) {
      why = std::string("cannot read the session's ") + kind + " " + file->path;
      return false;
    }
    if (digest != file->digest)
      warnings.push_back(file->path + " has changed since the session was saved");
  }
  if (!session.fstFile.path.empty() && !host.LoadFst(session.fstFile.path)) {
    why = "the session's FST file " + session.fstFile.path + " did not load";
    return false;
  }
  if (!session.dataFile.path.empty()) {
    RestartPairColours(session.pairColourStart);
    if (!host.LoadData(session.dataFile.path)) {
      why = "the session's data file " + session.dataFile.path + " did not load";
      return false;
    }
  }
  for (int i = 0; i < 2; ++i) workbench.View(i).skipNegativeST = session.skipNegative;
  SetCameras(workbench, session.cameras);
  host.ShowCameras();
  if (!host.ShowFrame(session.frame))
    warnings.push_back("the session's main sphere (" +
                       std::to_string(session.frame.display.mainSphereSize) +
                       " vertices) did not load");
  host.SetControlledView(session.controlledView);
  return true;
}

bool ReadSessionFile(const std::string& path, Session& session, std::string& why) {
  std::size_t size = 0;
  const int fd = OpenRegularFile(path, &size);
  if (fd < 0) {
    why = "cannot read " + path;
    return false;
  }
  std::string text(std::min(size, kMaxSessionBytes + 1), '\0');
  const long read = ReadUpTo(fd, text.data(), text.size());
  ::close(fd);
  if (read < 0 || static_cast<std::size_t>(read) > kMaxSessionBytes) {
    why = read < 0 ? "cannot read " + path : path + " is too large for a session file";
    return false;
  }
  text.resize(static_cast<std::size_t>(read));
  Session parsed = session;
  if (!ParseSessionText(text, parsed, why)) {
    why = path + ": " + why;
    return false;
  }
  parsed.fstFile.path = FromFolderOf(path, parsed.fstFile.path);
  parsed.dataFile.path = FromFolderOf(path, parsed.dataFile.path);
  session = parsed;
  return true;
}

bool WriteSessionFile(const std::string& path, const Session& session, std::string& why) {
  return WriteWholeFile(path, SessionText(session), why);
}

bool OpenSessionFile(const std::string& path, Workbench& workbench, SessionHost& host,
                     std::string& why, std::vector<std::string>& warnings) {
  Session session;
  return ReadSessionFile(path, session, why) &&
         ApplySession(session, workbench, host, why, warnings);
}

}  // namespace velmora
