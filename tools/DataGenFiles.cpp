// Writes the whole data set into one folder.

#include <stdexcept>
#include <string>

#include "data/FileWrite.h"
#include "tools/DataGen.h"

namespace velmora::datagen {

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::string why;
  if (!WriteWholeFile(path.string(), content, why)) throw std::runtime_error(why);
}

}  // namespace

std::vector<std::string> OutputFileNames() {
  std::vector<std::string> names;
  for (const SampleSphere& s : kSampleSpheres) names.emplace_back(s.fileName);
  for (const char* name : {"cols.fcd", "plane.png", "demo.fsd", "demo.dtx", "position.txt"})
    names.emplace_back(name);
  return names;
}

void WriteAll(const std::filesystem::path& outDir) {
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  if (ec) throw std::runtime_error("cannot create " + outDir.string() + ": " + ec.message());

  for (const SampleSphere& s : kSampleSpheres)
    WriteFile(outDir / s.fileName,
              FormatFst(SphereMesh(s.vertexCount, kSphereRadius, kSphereColorIndex)));
  WriteFile(outDir / "cols.fcd", FormatColourTable(Palette()));
  WriteFile(outDir / "plane.png", EncodePng(PlanePicture()));

  const Mesh demo = DemoModel();
  const CameraParams first, second = DemoSecondView();
  WriteFile(outDir / "demo.fsd", FormatFst(demo));
  WriteFile(outDir / "demo.dtx", FormatVectorData(demo.vertices, first, second));
  // The first view's distance and the scale stay at their defaults.
  WriteFile(outDir / "position.txt", FormatPositionFile(first, second, 1.0));
}

}  // namespace velmora::datagen
