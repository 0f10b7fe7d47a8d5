// FstShape::Load on a shape file and its colour table. The input holds both: the shape
// file up to the first line "%%cols.fcd", the colour table after it. Without that line
// there is no "cols.fcd" at all, which the load must report.

#include <cstdint>
#include <string_view>

#include "data/FstShape.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace velmora;
using fuzz::Check;

constexpr std::string_view kMarker = "\n%%cols.fcd\n";

// Checks that the display is shown first, hidden last, each exactly once, and used only
// while shown.
struct CheckingProgress : LoadProgress {
  void Show() override { Check(state++ == 0, "progress shown twice or after hiding"); }
  void Hide() override { Check(state++ == 1, "progress hidden twice or before showing"); }
  void SetRange(int, int) override { Open(); }
  void SetPos(int) override { Open(); }
  void SetStep(int) override { Open(); }
  void Step() override { Open(); }
  void SetCaption(const std::string&) override { Open(); }
  void Open() const { Check(state == 1, "progress used while hidden"); }
  int state = 0;  // 0 before Show, 1 shown, 2 hidden
};

// What a later reader relies on: sizes that agree and indices inside their arrays.
void CheckShape(const FstShape& shape) {
  Check(shape.pointCount >= 0 && shape.faceCount >= 0, "negative count kept");
  const auto points = static_cast<std::size_t>(shape.pointCount);
  const auto faces = static_cast<std::size_t>(shape.faceCount);
  Check(shape.vertices.size() == 3 * points, "vertices do not match the point count");
  Check(shape.sourceVertices.size() == 3 * points, "source vertices do not match");
  Check(shape.faces.size() == faces, "faces do not match the face count");
  Check(shape.faceDistance.size() == faces && shape.faceOrder.size() == faces,
        "sort arrays do not match the face count");
  for (const FstFace& face : shape.faces) {
    Check(face.colorIndex >= 0 && face.colorIndex <= 255, "colour index out of range");
    Check(face.vertexCount == static_cast<int>(face.vertexIndices.size()),
          "vertex count does not match its indices");
    for (int index : face.vertexIndices)
      Check(index >= 0 && index < shape.pointCount, "vertex index out of range");
  }
  Vec3 lo, hi;
  Check(shape.GetBoundingBox(lo, hi) == (points > 0), "bounding box disagrees with the points");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t marker = input.find(kMarker);
  const std::string path = fuzz::WriteFile(
      "shape.fsd", input.substr(0, marker == input.npos ? input.size() : marker + 1));
  if (marker == input.npos)
    fuzz::RemoveFile("cols.fcd");
  else
    fuzz::WriteFile("cols.fcd", input.substr(marker + kMarker.size()));

  fuzz::ClearMessages();
  FstShape shape;
  CheckingProgress progress;
  const int result = shape.Load(path, &progress);
  Check(progress.state == 2, "progress not shown and hidden once");
  Check(fuzz::Messages().size() <= 1, "more than one message for one load");
  CheckShape(shape);
  if (!fuzz::Messages().empty()) {
    // A rejected load changes nothing; this shape was empty before it.
    Check(result == 0 && shape.pointCount == 0 && shape.faces.empty() &&
              shape.NamedPaletteEntries().empty() && shape.paletteRed[0] == 0,
          "a rejected load changed the shape");
  } else {
    Check(result == shape.pointCount, "the result is not the point count");
  }
  return 0;
}
