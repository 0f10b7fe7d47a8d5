#pragma once
// render: the main window's frame, drawn by the workbench's own Scene into an offscreen
// OpenGL context and saved as a PNG, with no display server needed.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliImport.h"

namespace CLI {
class App;
}

namespace velmora {

struct RenderOptions {
  std::string out;
  std::string size;                // "WxH"; empty for the main window's start-up size
  std::vector<std::string> files;  // .fsd, .dtx and .txt, in command-line order
  std::string dir;  // where the data files are looked for first; empty for the current one
  std::optional<std::string> first, second;  // seven camera parameters each
  std::optional<std::string> position;       // position file, applied as a finished glide
  std::optional<std::string> observer;       // distance, offsets x y z, angles x y z
  bool noAxes = false, noFst = false, frontOnly = false, distanceMode = false;
  bool plane = false, white = false, legend = false;
  std::optional<std::string> mainSphere;  // 100, 1K, 5K, 10K or 100K
  std::optional<std::string> alpha;       // 0.5 when unset
  std::optional<std::string> scale;       // the Scale value; unset keeps 1.0 or the position file's
  std::optional<std::string> firstBoxes, secondBoxes;  // camera,rays,meanray,azalt,pantilt
  std::optional<std::string> error;                    // plain or baseline
  std::optional<std::string> session;  // a saved session: its files, cameras and frame
  ImportSource import;                 // real data, loaded after the files
};

// Adds the subcommand and its options to app; the values land in options on parsing.
CLI::App* AddRenderSubcommand(CLI::App& app, RenderOptions& options);

// Draws and saves the frame. On success prints one JSON object (the file, its size and
// the error written on it). Bad input, an unwritable output or no OpenGL context: a
// plain message on err and kExitBadInput.
int RunRender(const RenderOptions& options, std::ostream& out, std::ostream& err);

// The picture of a profile or slice (velmora-cli profile --png) written to path; false
// with the reason in why.
struct LandscapeFigure;
bool WriteLandscapePng(const LandscapeFigure& figure, const std::string& path, std::string& why);

// The main window's size when it opens, the default of --size: its template in dialog
// units, in the default font. Needs a Qt GUI application.
void MainWindowStartUpSize(int& width, int& height);

// "WxH" with both between 1 and kMaxRenderSize.
inline constexpr int kMaxRenderSize = 8192;
bool ParseRenderSize(const std::string& text, int& width, int& height, std::string& why);

}  // namespace velmora
