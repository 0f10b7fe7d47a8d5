// The generated data set: formats as the program's readers expect them, sphere meshes
// that are closed and wound outward, a PNG that decodes, and demo image points that the
// camera model reconstructs back into the model.

#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_map>

#include "tests/TestSupport.h"
#include "tools/DataGen.h"

namespace velmora::datagen {
namespace {

using test::TempDir;
using test::Vec3Near;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Lines of a text that must end with a line feed; no carriage returns allowed.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitOnBlanks(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t blank = line.find(' ', start);
    fields.push_back(line.substr(start, blank - start));
    if (blank == std::string::npos) return fields;
    start = blank + 1;
  }
}

// A plain decimal number as atof reads it, with nothing left over.
bool ParseDecimal(const std::string& text, double& value) {
  if (text.empty() || text.find_first_of("eEnNxX") != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

bool ParseInt(const std::string& text, int base, int& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  char* end = nullptr;
  value = static_cast<int>(std::strtol(text.c_str(), &end, base));
  return *end == '\0';
}

// Strict reading of a one-block FST file: every separator is a single blank, every
// field is read whole. Fails the current test on any deviation.
Mesh ParseFst(const std::string& text) {
  Mesh mesh;
  const std::vector<std::string> lines = Lines(text);
  if (lines.size() < 6) {
    ADD_FAILURE() << "only " << lines.size() << " lines";
    return mesh;
  }
  EXPECT_EQ(lines[0], "1 FSTShape");
  EXPECT_EQ(lines[1], "1");
  mesh.name = lines[2];
  int points = 0, faces = 0;
  EXPECT_TRUE(ParseInt(lines[3], 10, points)) << lines[3];
  const std::vector<std::string> coords = SplitOnBlanks(lines[4]);
  EXPECT_EQ(coords.size(), static_cast<size_t>(3 * points));
  for (size_t i = 0; i + 2 < coords.size(); i += 3) {
    Vec3 v;
    EXPECT_TRUE(ParseDecimal(coords[i], v.x) && ParseDecimal(coords[i + 1], v.y) &&
                ParseDecimal(coords[i + 2], v.z))
        << "vertex " << i / 3;
    mesh.vertices.push_back(v);
  }
  EXPECT_TRUE(ParseInt(lines[5], 10, faces)) << lines[5];
  EXPECT_EQ(lines.size(), static_cast<size_t>(6 + faces));
  for (size_t j = 6; j < lines.size(); ++j) {
    const std::vector<std::string> fields = SplitOnBlanks(lines[j]);
    MeshFace face;
    int count = -1;
    EXPECT_TRUE(fields.size() >= 2 && ParseInt(fields[0], 16, face.colorIndex) &&
                ParseInt(fields[1], 10, count) && fields.size() == static_cast<size_t>(2 + count))
        << "face line " << lines[j];
    EXPECT_TRUE(face.colorIndex >= 0 && face.colorIndex <= 255) << lines[j];
    for (size_t k = 2; k < fields.size(); ++k) {
      int index = -1;
      EXPECT_TRUE(ParseInt(fields[k], 10, index) && index >= 0 && index < points) << lines[j];
      face.vertexIndices.push_back(index);
    }
    mesh.faces.push_back(face);
  }
  return mesh;
}

Vec3 Sub(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A closed triangle mesh about the origin, wound counter-clockwise from outside:
// every directed edge once, its reverse once, each normal pointing away from the origin,
// and every vertex in use.
void ExpectClosedOutwardTriangles(const Mesh& mesh) {
  const size_t n = mesh.vertices.size();
  std::unordered_map<std::uint64_t, int> edges;
  std::vector<bool> used(n, false);
  int inward = 0, notTriangles = 0;
  for (const MeshFace& f : mesh.faces) {
    if (f.vertexIndices.size() != 3) {
      ++notTriangles;
      continue;
    }
    const int a = f.vertexIndices[0], b = f.vertexIndices[1], c = f.vertexIndices[2];
    for (int k = 0; k < 3; ++k) {
      const std::uint64_t from = f.vertexIndices[k], to = f.vertexIndices[(k + 1) % 3];
      ++edges[from << 32 | to];
      used[from] = true;
    }
    const Vec3& pa = mesh.vertices[a];
    const Vec3 normal = Cross(Sub(mesh.vertices[b], pa), Sub(mesh.vertices[c], pa));
    if (Dot(normal, pa) <= 0) ++inward;
  }
  EXPECT_EQ(notTriangles, 0);
  EXPECT_EQ(inward, 0) << "faces wound inward";
  int unpaired = 0;
  for (const auto& [edge, count] : edges) {
    const std::uint64_t reverse = (edge & 0xffffffffu) << 32 | edge >> 32;
    auto it = edges.find(reverse);
    if (count != 1 || it == edges.end() || it->second != 1) ++unpaired;
  }
  EXPECT_EQ(unpaired, 0) << "edges not shared by exactly two opposite faces";
  EXPECT_EQ(std::count(used.begin(), used.end(), false), 0) << "vertices in no face";
}

// One generated data set shared by the tests of this file.
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
  static std::string Read(const std::string& name) { return ReadFile(dir_->path() / name); }
  static TempDir* dir_;
};
TempDir* GeneratedData::dir_ = nullptr;

class SphereFiles : public GeneratedData, public testing::WithParamInterface<SphereFile> {};

TEST_P(SphereFiles, AreClosedOutwardHullsOfTheNominalSize) {
  const SphereFile file = GetParam();
  const Mesh mesh = ParseFst(Read(file.fileName));
  ASSERT_EQ(mesh.vertices.size(), static_cast<size_t>(file.vertexCount));
  ASSERT_EQ(mesh.faces.size(), static_cast<size_t>(2 * file.vertexCount - 4));
  ExpectClosedOutwardTriangles(mesh);
  int offSphere = 0, otherColour = 0;
  for (const Vec3& v : mesh.vertices)
    if (std::abs(std::sqrt(Dot(v, v)) - kSphereRadius) > 1e-5) ++offSphere;
  for (const MeshFace& f : mesh.faces)
    if (f.colorIndex != kSphereColorIndex) ++otherColour;
  EXPECT_EQ(offSphere, 0);
  EXPECT_EQ(otherColour, 0);
}

INSTANTIATE_TEST_SUITE_P(AllSizes, SphereFiles, testing::ValuesIn(kSphereFiles),
                         [](const testing::TestParamInfo<SphereFile>& info) {
                           return "N" + std::to_string(info.param.vertexCount);
                         });

TEST(SphereMesh, SmallCountsAreStillClosedHulls) {
  for (int count : {4, 5, 7, 12, 33}) {
    SCOPED_TRACE(count);
    const Mesh mesh = SphereMesh(count, 2.5, 3);
    EXPECT_EQ(mesh.vertices.size(), static_cast<size_t>(count));
    EXPECT_EQ(mesh.faces.size(), static_cast<size_t>(2 * count - 4));
    ExpectClosedOutwardTriangles(mesh);
  }
  EXPECT_THROW(SphereMesh(3, 1.0, 0), std::runtime_error);
}

TEST(AppendNumber, PrintsPlainDecimalsThatReadBackExactly) {
  const double values[] = {0.0,
                           1.0,
                           -0.2,
                           0.6,
                           100.0,
                           -99.999999,
                           1e-6,
                           -3e-6,
                           1e-20,
                           1.0 / 3.0,
                           -2.0 / 7.0 * 1e5,
                           4.096,
                           1e15,
                           -1e-300,
                           12345.678901234567};
  for (double v : values) {
    std::string text;
    AppendNumber(text, v);
    double back = 0;
    EXPECT_TRUE(ParseDecimal(text, back)) << text;
    EXPECT_EQ(back, v) << text;
  }
}

TEST(SnapToGrid, KeepsCoordinatesShortAndWithoutNegativeZero) {
  const double values[] = {-1e-9, 0.1234565, -37.4918477391930, 99.9999999, 1.0 / 3.0};
  for (double v : values) {
    const double snapped = SnapToGrid(v);
    EXPECT_NEAR(snapped, v, 5e-7 + 1e-15);
    std::string text;
    AppendNumber(text, snapped);
    if (snapped == 0) {
      EXPECT_EQ(text, "0");
    }
    const size_t point = text.find('.');
    if (point != std::string::npos) {
      EXPECT_LE(text.size() - point - 1, 6u) << text;
    }
    EXPECT_EQ(std::atof(text.c_str()), snapped) << text;
  }
}

TEST_F(GeneratedData, ColourTableHoldsThePaletteIn256HexEntries) {
  const std::vector<std::string> lines = Lines(Read("cols.fcd"));
  ASSERT_EQ(lines.size(), 257u);
  EXPECT_EQ(lines[0], "256");
  const std::array<Rgb, 256> palette = Palette();
  for (int i = 0; i < 256; ++i) {
    const std::string& line = lines[i + 1];
    const size_t blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    int index = -1;
    EXPECT_TRUE(ParseInt(line.substr(0, blank), 10, index)) << line;
    EXPECT_EQ(index, i);
    std::vector<int> rgb;
    std::stringstream parts(line.substr(blank + 1));
    for (std::string part; std::getline(parts, part, ',');) {
      int c = -1;
      EXPECT_TRUE(ParseInt(part, 16, c) && c >= 0 && c <= 255) << line;
      rgb.push_back(c);
    }
    ASSERT_EQ(rgb.size(), 3u) << line;
    EXPECT_EQ(rgb[0], palette[i].r) << line;
    EXPECT_EQ(rgb[1], palette[i].g) << line;
    EXPECT_EQ(rgb[2], palette[i].b) << line;
  }
}

TEST(Palette, EntriesAreDistinctAndBandsGrowLighter) {
  const std::array<Rgb, 256> palette = Palette();
  std::map<std::tuple<int, int, int>, int> seen;
  for (int i = 0; i < 256; ++i) {
    auto [it, fresh] = seen.emplace(std::tuple(palette[i].r, palette[i].g, palette[i].b), i);
    EXPECT_TRUE(fresh) << "entry " << i << " repeats entry " << it->second;
  }
  EXPECT_EQ(palette[0].r + palette[0].g + palette[0].b, 0);
  EXPECT_EQ(palette[31].r + palette[31].g + palette[31].b, 3 * 255);
  double previous = -1;
  for (int band = 1; band < 8; ++band) {
    double sum = 0;
    for (int hue = 0; hue < 32; ++hue) {
      const Rgb& c = palette[PaletteIndex(band, hue)];
      sum += 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
    }
    EXPECT_GT(sum, previous) << "band " << band;
    previous = sum;
  }
}

struct PngContents {
  int width = 0, height = 0, bitDepth = 0, colourType = 0, interlace = 0;
  std::string inflated;
};

std::uint32_t BigEndian(const std::string& s, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
         static_cast<unsigned char>(s[at + 3]);
}

// Walks the chunks, checks their CRCs and order, and inflates the image data.
PngContents ReadPng(const std::string& png) {
  PngContents out;
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string idat;
  std::vector<std::string> order;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = BigEndian(png, at);
    if (at + 12 + length > png.size()) break;
    const std::string type = png.substr(at + 4, 4);
    const std::string data = png.substr(at + 8, length);
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
    EXPECT_EQ(crc, BigEndian(png, at + 8 + length)) << type;
    order.push_back(type);
    if (type == "IHDR" && length == 13) {
      out.width = static_cast<int>(BigEndian(data, 0));
      out.height = static_cast<int>(BigEndian(data, 4));
      out.bitDepth = static_cast<unsigned char>(data[8]);
      out.colourType = static_cast<unsigned char>(data[9]);
      out.interlace = static_cast<unsigned char>(data[12]);
    }
    if (type == "IDAT") idat += data;
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size()) << "trailing or truncated chunk";
  EXPECT_THAT(order, testing::ElementsAre("IHDR", "IDAT", "IEND"));
  const size_t expected = static_cast<size_t>(out.height) * (1 + 3 * out.width);
  std::string inflated(expected + 16, '\0');  // room to notice extra bytes
  uLongf size = inflated.size();
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                       reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
            Z_OK);
  inflated.resize(size);
  out.inflated = inflated;
  return out;
}

// The pixels of unfiltered rows, as the encoder writes them.
std::vector<std::uint8_t> Unfilter(const PngContents& png) {
  std::vector<std::uint8_t> pixels;
  const size_t stride = 1 + 3 * static_cast<size_t>(png.width);
  for (size_t row = 0; row * stride < png.inflated.size(); ++row) {
    EXPECT_EQ(png.inflated[row * stride], 0) << "row " << row << " filter";
    pixels.insert(pixels.end(), png.inflated.begin() + row * stride + 1,
                  png.inflated.begin() + (row + 1) * stride);
  }
  return pixels;
}

TEST_F(GeneratedData, PlanePictureIsA24BitPngWithPaddedRows) {
  const PngContents png = ReadPng(Read("plane.png"));
  EXPECT_GT(png.width, 0);
  EXPECT_NE(png.width % 4, 0) << "rows would need no padding";
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, 2);
  EXPECT_EQ(png.interlace, 0);
  EXPECT_EQ(png.inflated.size(), static_cast<size_t>(png.height) * (1 + 3 * png.width));
  const RgbImage picture = PlanePicture();
  EXPECT_EQ(png.width, picture.width);
  EXPECT_EQ(png.height, picture.height);
  EXPECT_EQ(Unfilter(png), picture.pixels);
}

TEST(PlanePicture, ShowsItsOrientation) {
  // A picture equal to its own mirror or upside-down copy would hide a flipped upload.
  const RgbImage p = PlanePicture();
  auto at = [&p](int x, int y) {
    const std::uint8_t* q = &p.pixels[(static_cast<size_t>(y) * p.width + x) * 3];
    return std::tuple(q[0], q[1], q[2]);
  };
  int mirrorDiffers = 0, flipDiffers = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      mirrorDiffers += at(x, y) != at(p.width - 1 - x, y);
      flipDiffers += at(x, y) != at(x, p.height - 1 - y);
    }
  EXPECT_GT(mirrorDiffers, p.width * p.height / 10);
  EXPECT_GT(flipDiffers, p.width * p.height / 10);
}

TEST(EncodePng, SmallImagesDecodeToTheirPixels) {
  for (auto [w, h] : {std::pair(1, 1), std::pair(3, 2), std::pair(5, 7)}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    RgbImage image{w, h, {}};
    for (int i = 0; i < w * h * 3; ++i) image.pixels.push_back(static_cast<std::uint8_t>(i * 37));
    const PngContents png = ReadPng(EncodePng(image));
    EXPECT_EQ(png.width, w);
    EXPECT_EQ(png.height, h);
    EXPECT_EQ(Unfilter(png), image.pixels);
  }
  EXPECT_THROW(EncodePng(RgbImage{2, 2, std::vector<std::uint8_t>(11)}), std::runtime_error);
  EXPECT_THROW(EncodePng(RgbImage{0, 2, {}}), std::runtime_error);
}

TEST_F(GeneratedData, SecondRunWritesTheSameBytes) {
  TempDir again;
  WriteAll(again.path() / "nested");
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(dir_->path()))
    written.push_back(entry.path().filename().string());
  std::sort(written.begin(), written.end());
  std::vector<std::string> expected = OutputFileNames();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(written, expected);
  for (const std::string& name : OutputFileNames()) {
    const std::string first = Read(name);
    EXPECT_FALSE(first.empty()) << name;
    EXPECT_TRUE(first == ReadFile(again.path() / "nested" / name)) << name << " differs";
  }
}

std::vector<std::pair<double, double>> ParseVectorData(const std::string& text) {
  std::vector<std::pair<double, double>> points;
  for (const std::string& line : Lines(text)) {
    const std::vector<std::string> fields = SplitOnBlanks(line);
    double x = 0, y = 0;
    EXPECT_TRUE(fields.size() == 2 && ParseDecimal(fields[0], x) && ParseDecimal(fields[1], y))
        << line;
    points.emplace_back(x, y);
  }
  return points;
}

// Loads the two halves into a pair of linked cameras and triangulates. Pairs that meet
// behind an image plane are rejected, which would push the error to 50.
struct ViewPair {
  ViewPair(const CameraParams& firstPose, const CameraParams& secondPose,
           const std::vector<std::pair<double, double>>& points) {
    first.otherView = &second;
    second.otherView = &first;
    first.SetParams(firstPose);
    second.SetParams(secondPose);
    const int n = static_cast<int>(points.size() / 2);
    CameraModel* views[2] = {&first, &second};
    for (int v = 0; v < 2; ++v) {
      views[v]->skipNegativeST = true;
      views[v]->AllocatePoints(n);
      for (int i = 0; i < n; ++i) {
        views[v]->imageX[i] = points[v * n + i].first;
        views[v]->imageY[i] = points[v * n + i].second;
      }
    }
    first.UpdateCamera(VIEW_ALL);
    second.UpdateCamera(VIEW_ALL);
  }
  CameraModel first, second;
};

TEST_F(GeneratedData, DemoImagePointsReconstructTheModel) {
  const Mesh model = ParseFst(Read("demo.fsd"));
  const size_t n = model.vertices.size();
  EXPECT_GE(n, 24u);
  EXPECT_LE(n, 400u);
  const std::vector<std::pair<double, double>> points = ParseVectorData(Read("demo.dtx"));
  ASSERT_EQ(points.size(), 2 * n);
  for (const auto& [x, y] : points) {
    EXPECT_LE(std::abs(x), 4.096);
    EXPECT_LE(std::abs(y), 3.072);
  }

  CameraParams secondPose;
  secondPose.azimuth = 0.6;
  secondPose.altitude = -0.2;
  ViewPair views(CameraParams{}, secondPose, points);
  EXPECT_LT(views.second.ReconstructionError(), -20);
  EXPECT_LT(views.first.ReconstructionError(), -20);
  for (size_t i = 0; i < n; ++i) {
    Vec3 mid{1e9, 1e9, 1e9};
    views.second.GetMidpoint(static_cast<int>(i), mid);
    EXPECT_THAT(mid, Vec3Near(model.vertices[i], 1e-6)) << "vertex " << i;
  }
}

TEST_F(GeneratedData, DemoModelSpansAComfortableShareOfTheViews) {
  const Mesh model = ParseFst(Read("demo.fsd"));
  Vec3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
  for (const Vec3& v : model.vertices) {
    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  const double across = std::sqrt(Dot(Sub(hi, lo), Sub(hi, lo)));
  EXPECT_GE(across, 20.0);
  EXPECT_LE(across, 40.0);
  EXPECT_LT(std::sqrt(Dot({lo.x + hi.x, lo.y + hi.y, lo.z + hi.z},
                          {lo.x + hi.x, lo.y + hi.y, lo.z + hi.z})) /
                2,
            3.0)
      << "not centred at the origin";
  std::map<int, int> colours;
  for (const MeshFace& f : model.faces) {
    EXPECT_GE(f.vertexIndices.size(), 3u);
    ++colours[f.colorIndex];
  }
  EXPECT_GE(colours.size(), 4u) << "the model should show several palette colours";
}

TEST_F(GeneratedData, PositionFileGlidesToThePoseOfTheDemoData) {
  const std::vector<std::string> lines = Lines(Read("position.txt"));
  ASSERT_EQ(lines.size(), 9u);
  double v[9];
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(ParseDecimal(lines[i], v[i])) << lines[i];
  // Lines: azimuth, altitude, rotation, focal length of the second view; distance of the
  // first; distance, pan, tilt of the second; the scale.
  CameraParams first, second;
  second.azimuth = v[0];
  second.altitude = v[1];
  second.rotation = v[2];
  second.focalLength = v[3];
  first.distance = v[4];
  second.distance = v[5];
  second.pan = v[6];
  second.tilt = v[7];
  EXPECT_EQ(v[8], 1.0);
  EXPECT_EQ(second.azimuth, DemoSecondView().azimuth);
  EXPECT_EQ(second.altitude, DemoSecondView().altitude);

  ViewPair views(first, second, ParseVectorData(Read("demo.dtx")));
  EXPECT_LT(views.second.ReconstructionError(), -20);
}

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

TEST(FormatFst, WritesHexColoursAndSingleBlanks) {
  Mesh mesh{"quad",
            {{0, 0, 1.5}, {-2.25, 3, 0}, {1, 1, 1}, {0.5, 0, 0}},
            {{31, {0, 1, 2, 3}}, {255, {2, 1, 0}}}};
  EXPECT_EQ(
      FormatFst(mesh),
      "1 FSTShape\n1\nquad\n4\n0 0 1.5 -2.25 3 0 1 1 1 0.5 0 0\n2\n1f 4 0 1 2 3\nff 3 2 1 0\n");
}

}  // namespace
}  // namespace velmora::datagen
