#pragma once
// A polygon shape read from an FST file: vertices, palette-coloured faces and the colour
// table of "cols.fcd". The fields are public because the renderer sorts and draws the
// faces and the error maps overwrite the working vertices and their colours.
//
// Load checks what the file format leaves open, so that no later reader can go out of
// bounds: a negative count, a count the rest of the file cannot hold, a missing line, a
// face line without a blank, a colour index outside 0..255 and a vertex index outside
// the block's points all reject the file with a message naming it. A rejected or failed
// load leaves every field as it was, the colour table included, also when memory runs out.

#include <bitset>
#include <cstddef>
#include <string>
#include <vector>

#include "base/Vec3.h"
#include "data/LoadProgress.h"

namespace velmora {

struct FstFace {
  int colorIndex = 0;              // 0..255 into the palette arrays
  int vertexCount = 0;             // k, equal to vertexIndices.size()
  std::vector<int> vertexIndices;  // k indices into the shape's vertices
};

class FstShape {
 public:
  FstShape() = default;
  virtual ~FstShape() = default;

  // Reads path (and "cols.fcd" from the current directory). Returns pointCount after the
  // load, or 0 when the FST file cannot be read (no message), "cols.fcd" cannot be read,
  // the header is not "1 FSTShape", the file is rejected or what it holds does not fit in
  // memory ("Low memory!"), each with a message.
  // An object count of 0 or less keeps the geometry and returns the current pointCount.
  // progress may be null.
  int Load(const std::string& path, LoadProgress* progress);

  int GetPointCount() const { return pointCount; }
  int GetFaceCount() const { return faceCount; }
  // Palette entries that some "cols.fcd" line has set; the others are still 0.
  std::vector<int> NamedPaletteEntries() const;
  // Smallest and largest coordinates of the vertices as read; false with no vertices.
  bool GetBoundingBox(Vec3& lo, Vec3& hi) const;

  int paletteRed[256] = {};
  int paletteGreen[256] = {};
  int paletteBlue[256] = {};
  int pointCount = 0;
  int faceCount = 0;
  std::vector<FstFace> faces;
  std::vector<double> vertices;        // 3 per vertex; what is drawn
  std::vector<double> vertexColours;   // 3 per vertex; filled by the per-point colouring
  std::vector<double> sourceVertices;  // 3 per vertex, as read
  bool radialScore = false;
  std::vector<double> faceDistance;  // faceCount sort keys, written by the renderer
  std::vector<int> faceOrder;        // faceCount drawing order, written by the renderer

 private:
  // Load without the progress display, throwing std::bad_alloc when memory runs out.
  int LoadChecked(const std::string& path, LoadProgress* progress);

  std::bitset<256> namedEntries_;
};

}  // namespace velmora
