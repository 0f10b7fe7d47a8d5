// The generated data set: sphere meshes that are closed and consistently wound, files that the
// program's own readers load back exactly, and demo image points that the camera model
// reconstructs back into the model.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <unordered_map>

#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "data/FstShape.h"
#include "data/VectorData.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"
#include "tools/DataGen.h"

namespace velmora::datagen {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;
using test::Vec3Near;

// A closed triangle mesh: every directed edge once and its reverse once, so the faces are
// wound consistently and no edge is open or shared by more than two faces.
void ExpectClosedTriangles(const Mesh& mesh) {
  std::unordered_map<std::uint64_t, int> edges;
  for (const MeshFace& f : mesh.faces) {
    ASSERT_EQ(f.vertexIndices.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const std::uint64_t from = f.vertexIndices[k], to = f.vertexIndices[(k + 1) % 3];
      ++edges[from << 32 | to];
    }
  }
  int unpaired = 0;
  for (const auto& [edge, count] : edges) {
    const auto it = edges.find((edge & 0xffffffffu) << 32 | edge >> 32);
    if (count != 1 || it == edges.end() || it->second != 1) ++unpaired;
  }
  EXPECT_EQ(unpaired, 0) << "edges not shared by exactly two opposite faces";
}

// The program's reader loads the file as exactly the mesh it was written from.
void ExpectLoadsAs(const std::string& fileName, const Mesh& mesh) {
  SCOPED_TRACE(fileName);
  FstShape shape;
  ASSERT_EQ(shape.Load(fileName, nullptr), static_cast<int>(mesh.vertices.size()));
  std::vector<double> xyz;
  for (const Vec3& v : mesh.vertices) xyz.insert(xyz.end(), {v.x, v.y, v.z});
  EXPECT_TRUE(shape.sourceVertices == xyz) << "a vertex moved";
  ASSERT_EQ(shape.faces.size(), mesh.faces.size());
  int faceDiffers = 0;
  for (size_t j = 0; j < mesh.faces.size(); ++j)
    faceDiffers += shape.faces[j].colorIndex != mesh.faces[j].colorIndex ||
                   shape.faces[j].vertexIndices != mesh.faces[j].vertexIndices;
  EXPECT_EQ(faceDiffers, 0);
}

// One generated data set, and the current directory in it (the reader wants cols.fcd).
class GeneratedData : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    WriteAll(dir_->path());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static inline TempDir* dir_ = nullptr;
  ScopedCurrentDir cwd_{dir_->path()};
};

// Every file keeps its bytes: the tests, the demo and the README's figures are made from
// this data set, so a change to it must be deliberate (and these digests updated with it).
TEST_F(GeneratedData, EveryFileKeepsItsBytes) {
  const std::map<std::string, std::uint64_t> digests = {
      {"cols.fcd", 0xbc4bb839bed771f7ull},       {"demo.dtx", 0xf4423afdd3a2082aull},
      {"demo.fsd", 0xe32d1deef90ba0ecull},       {"plane.png", 0xf730ea7bd73716baull},
      {"position.txt", 0xfcd859faa4f46fb2ull},   {"sphere100.fsd", 0x99940b5902ce01edull},
      {"sphere100K.fsd", 0xba0c53dca863f308ull}, {"sphere10K.fsd", 0x3ddb08a9fb7c1a11ull},
      {"sphere1K.fsd", 0x4559524710b74266ull},   {"sphere5K.fsd", 0x1032a07107a715ebull},
  };
  for (const auto& [name, digest] : digests) {
    std::ifstream in(dir_->path() / name, std::ios::binary);
    std::uint64_t fnv = 0xcbf29ce484222325ull;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it)
      fnv = (fnv ^ static_cast<unsigned char>(*it)) * 0x100000001b3ull;
    EXPECT_EQ(fnv, digest) << name;
  }
}

TEST_F(GeneratedData, SpheresAreClosedHullsOnTheRadiusAndLoadBackExactly) {
  for (const SampleSphere& file : kSampleSpheres) {
    SCOPED_TRACE(file.fileName);
    const Mesh mesh = SphereMesh(file.vertexCount, kSphereRadius, kSphereColorIndex);
    ASSERT_EQ(mesh.faces.size(), static_cast<size_t>(2 * file.vertexCount - 4));
    ExpectClosedTriangles(mesh);
    int offSphere = 0;
    for (const Vec3& v : mesh.vertices)
      offSphere += std::abs(std::hypot(v.x, v.y, v.z) - kSphereRadius) > 1e-5;
    EXPECT_EQ(offSphere, 0);
    ExpectLoadsAs(file.fileName, mesh);
  }
  ExpectLoadsAs("demo.fsd", DemoModel());
}

TEST(FormatFst, WritesHexColoursAndSingleBlanks) {
  const Mesh mesh{"quad",
                  {{0, 0, 1.5}, {-2.25, 3, 0}, {1, 1, 1}, {0.5, 0, 0}},
                  {{31, {0, 1, 2, 3}}, {255, {2, 1, 0}}}};
  EXPECT_EQ(
      FormatFst(mesh),
      "1 FSTShape\n1\nquad\n4\n0 0 1.5 -2.25 3 0 1 1 1 0.5 0 0\n2\n1f 4 0 1 2 3\nff 3 2 1 0\n");
}

TEST_F(GeneratedData, ColourTableNamesAll256DistinctPaletteEntries) {
  FstShape shape;
  ASSERT_GT(shape.Load("sphere100.fsd", nullptr), 0);
  EXPECT_EQ(shape.NamedPaletteEntries().size(), 256u);
  const std::array<Rgb, 256> palette = Palette();
  std::map<std::tuple<int, int, int>, int> seen;
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(shape.paletteRed[i], palette[i].r) << i;
    EXPECT_EQ(shape.paletteGreen[i], palette[i].g) << i;
    EXPECT_EQ(shape.paletteBlue[i], palette[i].b) << i;
    EXPECT_TRUE(seen.emplace(std::tuple(palette[i].r, palette[i].g, palette[i].b), i).second)
        << "entry " << i << " repeats another";
  }
}

// At the true poses, and at the pose the position file glides to, every pair is in
// front of both cameras and its midpoint is the model's vertex.
TEST_F(GeneratedData, DemoDataReconstructsTheDemoShapeAtTheTruePoses) {
  FstShape shape;
  const int n = shape.Load("demo.fsd", nullptr);
  ASSERT_GT(n, 0);
  VectorData data;
  ASSERT_TRUE(ReadVectorData("demo.dtx", data));
  ASSERT_EQ(data.count, n);
  double targets[kPositionTargetCount];
  ASSERT_TRUE(LoadPositionFile("position.txt", targets));
  for (const bool fromPositionFile : {false, true}) {
    SCOPED_TRACE(fromPositionFile ? "position file" : "true poses");
    test::TwoViews v(CameraParams{}, DemoSecondView());
    if (fromPositionFile) SetPositionValues(targets, v.first, v.second);
    v.first.skipNegativeST = v.second.skipNegativeST = true;
    LoadImagePoints(v.first, data.firstX.data(), data.firstY.data(), n);
    LoadImagePoints(v.second, data.secondX.data(), data.secondY.data(), n);
    EXPECT_LT(v.second.ReconstructionError(), -20);
    for (int i = 0; i < n; ++i) {
      Vec3 mid{1e9, 1e9, 1e9};
      v.second.GetMidpoint(i, mid);
      const double* s = &shape.sourceVertices[3 * i];
      EXPECT_THAT(mid, Vec3Near(Vec3{s[0], s[1], s[2]}, 1e-6)) << "vertex " << i;
    }
  }
}

// The demo's image points come only from points both views see in front of their image planes.
TEST(FormatVectorData, RefusesPointsTheViewsCannotSee) {
  const CameraParams first, second = DemoSecondView();
  EXPECT_NO_THROW(FormatVectorData({{0, 0, 0}, {5, -5, 5}}, first, second));
  const Vec3 unseen[] = {
      {0, 0, 70},   // behind the first camera
      {0, 0, 55},   // between the first camera and its image plane
      {100, 0, 0},  // beside the image plane
      {0, 40, 0},   // above it
  };
  for (const Vec3& p : unseen)
    EXPECT_THROW(FormatVectorData({{0, 0, 0}, p}, first, second), std::runtime_error)
        << p.x << " " << p.y << " " << p.z;
}

}  // namespace
}  // namespace velmora::datagen
