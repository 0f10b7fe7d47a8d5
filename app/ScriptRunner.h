#pragma once
// A scripting hook for end-to-end tests: when the environment variable VELMORA_SCRIPT
// names a file, its commands run once the main window is up and the files of the command
// line are loaded. The commands act through the same key events and boxes a user works
// with; the grabs are what the main window shows.
//
// One command a line; blank lines and lines starting with '#' are skipped:
//   key NAME          press and release a key in the main window (F6, M, ...)
//   wait-idle         wait until no camera transition runs or waits
//   check "TEXT"      tick the check box labelled TEXT (unique among the open windows)
//   uncheck "TEXT"    clear it
//   grab FILE         save the main window's frame, text included, as FILE
//   print-error       print "error TEXT" with the error text the window shows
//   save-session FILE save the session (files, cameras, frame) as FILE
//   open-session FILE open the session FILE; a damaged one fails the script
//   quit              close the main window
// A command that fails is reported on stderr, the main window closes and the program
// exits with kScriptFailed.

namespace velmora {

inline constexpr int kScriptFailed = 3;

// Reads VELMORA_SCRIPT and schedules the script; does nothing when it is not set. Call
// with the application object made, before the main window runs.
void StartScriptFromEnvironment();

// 0, or kScriptFailed when the script could not be read or a command failed.
int ScriptExitStatus();

}  // namespace velmora
