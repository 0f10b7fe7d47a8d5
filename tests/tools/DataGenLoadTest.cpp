// The generated files read by the program's own readers: every shape with its counts and
// exact coordinates, the colour table in full, and the demo data reconstructing the model.

#include "data/FstShape.h"
#include "data/VectorData.h"
#include "tests/TestSupport.h"
#include "tools/DataGen.h"

namespace velmora::datagen {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;
using test::Vec3Near;

class GeneratedFilesLoad : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    WriteAll(dir_->path());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static TempDir* dir_;
};
TempDir* GeneratedFilesLoad::dir_ = nullptr;

// Loads a file and compares it with the mesh it was written from.
void ExpectLoadsAs(const std::string& fileName, const Mesh& mesh) {
  SCOPED_TRACE(fileName);
  FstShape shape;
  ASSERT_EQ(shape.Load(fileName, nullptr), static_cast<int>(mesh.vertices.size()));
  ASSERT_EQ(shape.faceCount, static_cast<int>(mesh.faces.size()));
  ASSERT_EQ(shape.sourceVertices.size(), 3 * mesh.vertices.size());
  int moved = 0, faceDiffers = 0;
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const Vec3& v = mesh.vertices[i];
    // The text reads back to the very doubles the generator held.
    moved += shape.sourceVertices[3 * i] != v.x || shape.sourceVertices[3 * i + 1] != v.y ||
             shape.sourceVertices[3 * i + 2] != v.z;
  }
  for (size_t j = 0; j < mesh.faces.size(); ++j) {
    faceDiffers += shape.faces[j].colorIndex != mesh.faces[j].colorIndex ||
                   shape.faces[j].vertexIndices != mesh.faces[j].vertexIndices;
  }
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(faceDiffers, 0);
}

TEST_F(GeneratedFilesLoad, EveryShapeReadsBackWithItsCountsAndCoordinates) {
  ScopedCurrentDir cd(dir_->path());
  for (const SphereFile& file : kSphereFiles)
    ExpectLoadsAs(file.fileName, SphereMesh(file.vertexCount, kSphereRadius, kSphereColorIndex));
  ExpectLoadsAs("demo.fsd", DemoModel());
}

TEST_F(GeneratedFilesLoad, ColourTableSetsEveryEntry) {
  ScopedCurrentDir cd(dir_->path());
  FstShape shape;
  ASSERT_GT(shape.Load("sphere100.fsd", nullptr), 0);
  EXPECT_EQ(shape.NamedPaletteEntries().size(), 256u);
  const std::array<Rgb, 256> palette = Palette();
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(shape.paletteRed[i], palette[i].r) << i;
    EXPECT_EQ(shape.paletteGreen[i], palette[i].g) << i;
    EXPECT_EQ(shape.paletteBlue[i], palette[i].b) << i;
  }
}

TEST_F(GeneratedFilesLoad, DemoDataReconstructsTheDemoShape) {
  ScopedCurrentDir cd(dir_->path());
  FstShape shape;
  const int n = shape.Load("demo.fsd", nullptr);
  ASSERT_GT(n, 0);
  VectorData data;
  ASSERT_TRUE(ReadVectorData("demo.dtx", data));
  ASSERT_EQ(data.count, n);

  CameraModel first, second;
  first.otherView = &second;
  second.otherView = &first;
  second.SetParams(DemoSecondView());
  first.UpdateCamera(VIEW_ALL);
  second.UpdateCamera(VIEW_ALL);
  LoadImagePoints(first, data.firstX.data(), data.firstY.data(), n);
  LoadImagePoints(second, data.secondX.data(), data.secondY.data(), n);
  EXPECT_LT(second.ReconstructionError(), -20);
  for (int i = 0; i < n; ++i) {
    Vec3 mid;
    second.GetMidpoint(i, mid);
    const Vec3 vertex{shape.sourceVertices[3 * i], shape.sourceVertices[3 * i + 1],
                      shape.sourceVertices[3 * i + 2]};
    EXPECT_THAT(mid, Vec3Near(vertex, 1e-6)) << "vertex " << i;
  }
}

}  // namespace
}  // namespace velmora::datagen
