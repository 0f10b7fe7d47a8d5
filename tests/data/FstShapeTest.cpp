#include "data/FstShape.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/VectorData.h"
#include "tests/TestSupport.h"
#include "tests/data/SpecialFiles.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::ScopedCurrentDir;
using test::TempDir;
using testing::ElementsAre;
using testing::HasSubstr;

// Records what a load tells the progress display, in order.
struct RecordingProgress : LoadProgress {
  void Show() override { events.push_back("show"); }
  void Hide() override { events.push_back("hide"); }
  void SetRange(int lo, int hi) override {
    events.push_back("range " + std::to_string(lo) + ".." + std::to_string(hi));
  }
  void SetPos(int p) override {
    events.push_back("pos " + std::to_string(p));
    pos = p;
  }
  void SetStep(int s) override { events.push_back("step size " + std::to_string(s)); }
  void Step() override {
    ++steps;
    ++pos;
  }
  void SetCaption(const std::string& c) override { events.push_back("caption " + c); }
  std::vector<std::string> events;
  int steps = 0;
  int pos = 0;
};

constexpr char kColours[] = "3\n0 ff,0,0\n1 0,80,ff\n2 10,20,30\n";

// Each test runs in a folder of its own that holds a "cols.fcd".
class FstShapeTest : public testing::Test {
 protected:
  FstShapeTest() : cwd_(dir_.path()) { dir_.Write("cols.fcd", kColours); }

  std::string Write(const std::string& content, const std::string& name = "shape.fsd") {
    return dir_.Write(name, content);
  }
  // Loads content, expecting no message.
  int LoadText(FstShape& shape, const std::string& content, LoadProgress* progress = nullptr) {
    return shape.Load(Write(content), progress);
  }

  TempDir dir_;
  ScopedCurrentDir cwd_;
};

// Geometry, faces and colour table as they were.
void ExpectUnchanged(const FstShape& shape, const FstShape& before) {
  EXPECT_EQ(shape.pointCount, before.pointCount);
  EXPECT_EQ(shape.faceCount, before.faceCount);
  EXPECT_EQ(shape.vertices, before.vertices);
  EXPECT_EQ(shape.sourceVertices, before.sourceVertices);
  ASSERT_EQ(shape.faces.size(), before.faces.size());
  for (std::size_t j = 0; j < shape.faces.size(); ++j)
    EXPECT_EQ(shape.faces[j].vertexIndices, before.faces[j].vertexIndices);
  EXPECT_EQ(shape.paletteRed[0], before.paletteRed[0]);
  EXPECT_EQ(shape.NamedPaletteEntries(), before.NamedPaletteEntries());
}

// A triangle and a quadrilateral over five vertices.
constexpr char kSmallShape[] =
    "1 FSTShape\n1\nobject\n5\n0 0 0 1 0 0 1 1 0 0 1 0 0.5 0.5 2\n2\n1 3 0 1 4\n"
    "2 4 0 1 2 3\n";

TEST_F(FstShapeTest, LoadsPointsFacesAndColours) {
  FstShape shape;
  EXPECT_EQ(LoadText(shape, kSmallShape), 5);
  EXPECT_EQ(shape.pointCount, 5);
  EXPECT_EQ(shape.faceCount, 2);
  EXPECT_EQ(shape.sourceVertices,
            (std::vector<double>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5, 0.5, 2}));
  EXPECT_EQ(shape.vertices, shape.sourceVertices);
  ASSERT_EQ(shape.faces.size(), 2u);
  EXPECT_EQ(shape.faces[0].colorIndex, 1);
  EXPECT_EQ(shape.faces[0].vertexCount, 3);
  EXPECT_THAT(shape.faces[0].vertexIndices, ElementsAre(0, 1, 4));
  EXPECT_EQ(shape.faces[1].colorIndex, 2);
  EXPECT_THAT(shape.faces[1].vertexIndices, ElementsAre(0, 1, 2, 3));
  EXPECT_EQ(shape.faceDistance.size() + shape.faceOrder.size(), 4u);
  EXPECT_EQ(shape.paletteRed[0], 255);
  EXPECT_EQ(shape.paletteGreen[1], 128);
  EXPECT_EQ(shape.paletteBlue[1], 255);
  EXPECT_EQ(shape.paletteRed[2], 16);
  EXPECT_THAT(shape.NamedPaletteEntries(), ElementsAre(0, 1, 2));
  Vec3 lo, hi;
  ASSERT_TRUE(shape.GetBoundingBox(lo, hi));
  EXPECT_THAT(lo, test::Vec3Near(Vec3{0, 0, 0}, 0));
  EXPECT_THAT(hi, test::Vec3Near(Vec3{1, 1, 2}, 0));
}

TEST_F(FstShapeTest, HeaderMustMatchExactly) {
  const struct {
    std::string header;
    bool accepted;
  } cases[] = {{"1 FSTShape\n", true},      {"1 FSTShape\r\n", true},
               {"1 FSTShape \n", false},    {"1 fstshape\n", false},
               {" 1 FSTShape\n", false},    {"1  FSTShape\n", false},
               {"1 FSTShap\n", false},      {"1 FSTShape\t\n", false},
               {"1 FSTShape\r\r\n", false}, {"", false}};  // an empty file
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    MessageRecorder messages;
    FstShape shape;
    const std::string path = Write(c.header.empty() ? "" : c.header + "1\nobject\n1\n1 2 3\n0\n");
    EXPECT_EQ(shape.Load(path, nullptr), c.accepted ? 1 : 0);
    if (c.accepted)
      EXPECT_TRUE(messages.texts.empty());
    else
      EXPECT_THAT(messages.texts, ElementsAre("File " + path + " is not FST file!"));
  }
}

TEST_F(FstShapeTest, OnlyTheLastObjectBlockStays) {
  FstShape shape;
  EXPECT_EQ(LoadText(shape,
                     "1 FSTShape\n2\nfirst\n4\n1 1 1 2 2 2 3 3 3 4 4 4\n1\n0 4 0 1 2 3\n"
                     "second\n2\n7 8 9 10 11 12\n1\n1 2 1 0\n"),
            2);
  EXPECT_EQ(shape.sourceVertices, (std::vector<double>{7, 8, 9, 10, 11, 12}));
  ASSERT_EQ(shape.faceCount, 1);
  EXPECT_THAT(shape.faces[0].vertexIndices, ElementsAre(1, 0));
}

TEST_F(FstShapeTest, CoordinateLineRules) {
  const struct {
    const char* name;
    int points;
    std::string line;
    std::vector<double> expected;
  } cases[] = {
      {"single blanks", 2, "0 0 1.5 -2.25 3 0", {0, 0, 1.5, -2.25, 3, 0}},
      {"double blank repeats the next value", 2, "1  2 3 4 5 6", {1, 2, 2, 3, 4, 5}},
      {"short line repeats the last value", 2, "1 2 3.5", {1, 2, 3.5, 3.5, 3.5, 3.5}},
      {"empty line reads zeros", 1, "", {0, 0, 0}},
      {"tab is no separator", 1, "1\t2 3 4", {1, 3, 4}},
      {"blank then tab", 1, "1 \t2 3", {1, 2, 3}},
      {"trailing blank", 1, "1 2 ", {1, 2, 0}},
      {"text reads as zero", 1, "x 2e1 +.5", {0, 20, 0.5}},
      {"values beyond 3P are ignored", 1, "1 2 3 4 5", {1, 2, 3}},
      {"carriage return is not a value", 1, "1 2 3\r", {1, 2, 3}},
      {"each blank of a run repeats", 2, "1 \t 2   3", {1, 2, 2, 3, 3, 3}},
      {"a run before text", 2, "1   x 5", {1, 0, 0, 0, 5, 5}},
      {"hexadecimal, inf and nan read their decimal prefix",
       2,
       "0x10 -0x1p3 inf nan 1e1x 0X",
       {0, -0.0, 0, 0, 10, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FstShape shape;
    EXPECT_EQ(
        LoadText(shape, "1 FSTShape\n1\no\n" + std::to_string(c.points) + "\n" + c.line + "\n0\n"),
        c.points);
    EXPECT_EQ(shape.sourceVertices, c.expected);
    EXPECT_EQ(shape.vertices, c.expected);
  }
}

TEST_F(FstShapeTest, FaceLineRules) {
  const struct {
    const char* line;
    int colour;
    std::vector<int> indices;
  } cases[] = {
      {"a 3 0 1 2", 10, {0, 1, 2}},
      {"ff 0", 255, {}},
      {"1f 4 0 1 2 3", 31, {0, 1, 2, 3}},
      {"0x1F 1 3", 31, {3}},
      {"\t1f 1 3", 31, {3}},
      {"1f:z 1 2", 31, {2}},
      {"1 3  0 1", 1, {0, 0, 1}},  // a double blank reads the next index twice
      {"1 3 2", 1, {2, 2, 2}},     // too few indices repeat the last
      {"1 ", 1, {}},               // no vertex count reads as 0
      {"1 2 1 2 3", 1, {1, 2}},
      {"1 2", 1, {2, 2}},               // no indices: the count is read again
      {"1 4 \t 2 3", 1, {2, 2, 3, 3}},  // each blank of a run reads the next index again
      {"1 5   x 2", 1, {0, 0, 0, 2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    FstShape shape;
    EXPECT_EQ(LoadText(shape, std::string("1 FSTShape\n1\no\n4\n0 0 0 1 1 1 2 2 2 3 3 3\n1\n") +
                                  c.line + "\n"),
              4);
    ASSERT_EQ(shape.faces.size(), 1u);
    EXPECT_EQ(shape.faces[0].colorIndex, c.colour);
    EXPECT_EQ(shape.faces[0].vertexCount, static_cast<int>(c.indices.size()));
    EXPECT_EQ(shape.faces[0].vertexIndices, c.indices);
  }
}

TEST_F(FstShapeTest, ColourTableRules) {
  std::string table = "300\n";
  for (int i = 0; i < 256; ++i) table += std::to_string(i) + " 1,2,3\n";
  table += "5 aa,bb,cc\n";  // line 258: past the capped count, never read
  dir_.Write("cols.fcd", table);
  FstShape shape;
  ASSERT_EQ(LoadText(shape, kSmallShape), 5);
  EXPECT_EQ(shape.paletteRed[5], 1);
  EXPECT_EQ(shape.paletteBlue[255], 3);
  EXPECT_EQ(shape.NamedPaletteEntries().size(), 256u);

  dir_.Write("cols.fcd", "5\n7 10,20,ff\n5 9,9,9\n-1 9,9,9\n3 0x1f,A,b\n2 5\n1 6,7\n");
  FstShape fresh;
  fresh.paletteRed[5] = 55;
  fresh.paletteRed[1] = 11;
  ASSERT_EQ(LoadText(fresh, kSmallShape), 5);
  EXPECT_EQ(fresh.paletteRed[7], 0) << "index 7 is not below the count 5";
  EXPECT_EQ(fresh.paletteRed[5], 55) << "index equal to the count is skipped";
  EXPECT_EQ(fresh.paletteRed[3], 31);
  EXPECT_EQ(fresh.paletteGreen[3], 10);
  EXPECT_EQ(fresh.paletteBlue[3], 11);
  EXPECT_EQ(fresh.paletteRed[2], 5) << "fields after a missing comma read as 0";
  EXPECT_EQ(fresh.paletteGreen[2], 0);
  EXPECT_EQ(fresh.paletteBlue[2], 0);
  EXPECT_EQ(fresh.paletteRed[1], 11) << "the count ends the lines read";
  EXPECT_THAT(fresh.NamedPaletteEntries(), ElementsAre(2, 3));

  dir_.Write("cols.fcd", "8\n7 10,20,ff\n");  // the table ends before its count
  FstShape shortTable;
  ASSERT_EQ(LoadText(shortTable, kSmallShape), 5);
  EXPECT_EQ(shortTable.paletteBlue[7], 255);
  EXPECT_THAT(shortTable.NamedPaletteEntries(), ElementsAre(7));
}

TEST_F(FstShapeTest, ObjectCountZeroOrLessKeepsTheGeometry) {
  for (const char* count : {"0", "-3", "zero"}) {
    SCOPED_TRACE(count);
    FstShape shape;
    ASSERT_EQ(LoadText(shape, kSmallShape), 5);
    shape.faceDistance.clear();
    shape.faceOrder.clear();
    dir_.Write("cols.fcd", "1\n0 1,2,3\n");
    EXPECT_EQ(LoadText(shape, std::string("1 FSTShape\n") + count + "\n"), 5);
    EXPECT_EQ(shape.pointCount, 5);
    EXPECT_EQ(shape.faces.size() + shape.faceDistance.size() + shape.faceOrder.size(), 6u);
    EXPECT_EQ(shape.paletteRed[0], 1) << "the colour table is still read";
    dir_.Write("cols.fcd", kColours);
  }
  FstShape empty;
  EXPECT_EQ(LoadText(empty, "1 FSTShape\n0\n"), 0);
}

TEST_F(FstShapeTest, MissingFilesAndTheirMessages) {
  FstShape shape;
  ASSERT_EQ(LoadText(shape, kSmallShape), 5);
  const FstShape before = shape;
  {
    MessageRecorder messages;
    RecordingProgress progress;
    EXPECT_EQ(shape.Load((dir_.path() / "absent.fsd").string(), &progress), 0);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(progress.events.front(), "show");
    EXPECT_EQ(progress.events.back(), "hide");
  }
  std::filesystem::remove(dir_.path() / "cols.fcd");
  {
    MessageRecorder messages;
    RecordingProgress progress;
    EXPECT_EQ(shape.Load(Write(kSmallShape), &progress), 0);
    EXPECT_THAT(messages.texts, ElementsAre("Cannot load cols.fcd file!"));
    EXPECT_EQ(progress.events.back(), "hide");
  }
  ExpectUnchanged(shape, before);
}

// Every rejected file leaves the shape exactly as it was, colour table included.
TEST_F(FstShapeTest, MalformedFilesAreRejectedAndChangeNothing) {
  const std::string head = "1 FSTShape\n1\no\n";
  const std::string points = "3\n0 0 0 1 0 0 0 1 0\n";
  const struct {
    const char* name;
    std::string content;
    std::string message;  // what follows "File <path>"
  } cases[] = {
      {"wrong header", "1 FSTshape\n" + std::string(kSmallShape).substr(11), " is not FST file!"},
      {"no object count", "1 FSTShape\n", " ends too early: line 2 is missing!"},
      {"no object header", "1 FSTShape\n2\no\n1\n1 2 3\n0\n",
       " ends too early: line 7 is missing!"},
      {"no point count", head, " ends too early: line 4 is missing!"},
      {"no coordinate line", head + "1\n", " ends too early: line 5 is missing!"},
      {"no face count", head + points, " ends too early: line 6 is missing!"},
      {"face lines missing", head + points + "3\n0 3 0 1 2\n",
       " ends too early: line 8 is missing!"},
      {"negative point count", head + "-1\n\n0\n", " has a negative count at line 4!"},
      {"negative face count", head + points + "-2\n", " has a negative count at line 6!"},
      {"negative vertex count", head + points + "1\n0 -1 0\n", " has a negative count at line 7!"},
      {"point count beyond the file", head + "1000\n1 2 3\n0\n",
       " has a count larger than the file can hold at line 4!"},
      {"huge point count", head + "2147483647\n1\n0\n",
       " has a count larger than the file can hold at line 4!"},
      {"point count beyond an int", head + "4294967299\n0 0 0 1 0 0 0 1 0\n0\n",
       " has a count outside the range of a 32-bit integer at line 4!"},
      {"object count beyond an int", "1 FSTShape\n4294967297\no\n1\n1 2 3\n0\n",
       " has a count outside the range of a 32-bit integer at line 2!"},
      {"negative object count beyond an int", "1 FSTShape\n-4294967297\n",
       " has a count outside the range of a 32-bit integer at line 2!"},
      {"face count beyond an int", head + points + "4294967297\n0 3 0 1 2\n",
       " has a count outside the range of a 32-bit integer at line 6!"},
      {"vertex count beyond an int", head + points + "1\n0 4294967299 0 1 2\n",
       " has a count outside the range of a 32-bit integer at line 7!"},
      {"vertex index beyond an int", head + points + "1\n0 3 0 1 4294967297\n",
       " has a vertex index outside the points at line 7!"},
      {"more vertex indices in all than the file's bytes",
       head + points + "3\n0 90 0\n0 90 0\n0 90 0\n" + std::string(100, ' ') + "\n",
       " has more face vertices in all than the file can hold at line 8!"},
      {"face count beyond the file", head + points + "100\n0 3 0 1 2\n",
       " has a count larger than the file can hold at line 6!"},
      {"vertex count beyond the file", head + points + "1\n0 99 0 1 2\n",
       " has a count larger than the file can hold at line 7!"},
      {"face line without a blank", head + points + "1\n0\n",
       " has a face line without a blank at line 7!"},
      {"face line with a tab only", head + points + "1\n0\t3\t0\t1\t2\n",
       " has a face line without a blank at line 7!"},
      {"colour index 256", head + points + "1\n100 3 0 1 2\n",
       " has a colour index outside 0..255 at line 7!"},
      {"negative colour index", head + points + "1\n-1 3 0 1 2\n",
       " has a colour index outside 0..255 at line 7!"},
      {"vertex index equal to the count", head + points + "2\n0 3 0 1 2\n0 3 0 1 3\n",
       " has a vertex index outside the points at line 8!"},
      {"negative vertex index", head + points + "1\n0 3 0 -1 2\n",
       " has a vertex index outside the points at line 7!"},
      {"index valid only in an earlier block",
       "1 FSTShape\n2\na\n3\n0 0 0 1 1 1 2 2 2\n0\nb\n1\n5 5 5\n1\n0 1 2\n",
       " has a vertex index outside the points at line 11!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FstShape shape;
    ASSERT_EQ(LoadText(shape, kSmallShape), 5);
    const FstShape before = shape;
    dir_.Write("cols.fcd", "1\n0 1,2,3\n");
    MessageRecorder messages;
    RecordingProgress progress;
    const std::string path = Write(c.content, "bad.fsd");
    EXPECT_EQ(shape.Load(path, &progress), 0);
    EXPECT_THAT(messages.texts, ElementsAre("File " + path + c.message));
    EXPECT_EQ(progress.events.back(), "hide");
    ExpectUnchanged(shape, before);
    dir_.Write("cols.fcd", kColours);
  }
}

// Named pipes and devices are files that cannot be opened, for every reader here.
TEST_F(FstShapeTest, OnlyRegularFilesAreRead) {
  FstShape shape;
  ASSERT_EQ(LoadText(shape, kSmallShape), 5);
  const FstShape before = shape;
  VectorData data;
  ASSERT_TRUE(ReadVectorData(Write("1 2\n3 4\n", "points.dtx"), data));
  test::ScopedMemoryCap cap(std::size_t{512} << 20);
  for (const test::SpecialFile& file : test::MakeSpecialFiles(dir_.path() / "special")) {
    SCOPED_TRACE(file.kind);
    MessageRecorder messages;
    EXPECT_EQ(test::ReadWithoutHanging(file.path, [&] { return shape.Load(file.path, nullptr); }),
              0);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_FALSE(
        test::ReadWithoutHanging(file.path, [&] { return ReadVectorData(file.path, data); }));
    std::filesystem::remove("cols.fcd");
    std::filesystem::create_symlink(file.path, "cols.fcd");
    EXPECT_EQ(test::ReadWithoutHanging("cols.fcd",
                                       [&] { return shape.Load(Write(kSmallShape), nullptr); }),
              0);
    EXPECT_THAT(messages.texts, ElementsAre("Cannot load cols.fcd file!"));
    std::filesystem::remove("cols.fcd");
    dir_.Write("cols.fcd", kColours);
  }
  ExpectUnchanged(shape, before);
  EXPECT_EQ(data.secondY, std::vector<double>{4});
}

// Big reproducers, generated here: counts that ask for far more than the file holds are
// refused at once within a small memory cap, and long runs of blanks read in linear time.
TEST_F(FstShapeTest, HostileFilesAreBoundedByTheirSize) {
  const std::string head = "1 FSTShape\n1\no\n1\n0 0 0\n";
  const std::string blanks(1000000, ' ');
  auto repeat = [](const std::string& line, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += line;
    return out;
  };
  const struct {
    const char* name;
    std::string content;
    std::string message;  // what follows "File <path>", or empty when the file loads
  } cases[] = {
      {"20 000 faces of a million indices",
       head + "20000\n" + repeat("1 1000000 0\n", 20000) + blanks + "\n",
       " has more face vertices in all than the file can hold at line 8!"},
      {"500 faces of a million indices in 1 MB",
       head + "500\n" + repeat("1 1000000 0\n", 500) + blanks + "\n",
       " has more face vertices in all than the file can hold at line 8!"},
      {"runs of a million blanks",
       "1 FSTShape\n1\no\n100000\n1" + blanks + "2\n1\n0 100000" + blanks + "5\n", ""},
  };
  FstShape shape;
  ASSERT_EQ(LoadText(shape, kSmallShape), 5);
  const FstShape before = shape;
  test::ScopedMemoryCap cap(std::size_t{512} << 20);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MessageRecorder messages;
    const std::string path = Write(c.content, "big.fsd");
    if (!c.message.empty()) {
      EXPECT_EQ(shape.Load(path, nullptr), 0);
      EXPECT_THAT(messages.texts, ElementsAre("File " + path + c.message));
      ExpectUnchanged(shape, before);
      continue;
    }
    FstShape loaded;
    ASSERT_EQ(loaded.Load(path, nullptr), 100000);
    EXPECT_EQ(loaded.sourceVertices[0], 1);
    EXPECT_EQ(std::count(loaded.sourceVertices.begin(), loaded.sourceVertices.end(), 2.0),
              300000 - 1);
    EXPECT_EQ(loaded.faces[0].vertexIndices, std::vector<int>(100000, 5));
  }
}

TEST_F(FstShapeTest, ProgressOfASmallShape) {
  // 10 points: 30 values with step size 0, so the bar steps after every value but the
  // first; 5 faces step after every face but the first.
  std::string line;
  for (int i = 0; i < 30; ++i) {
    if (i) line += ' ';
    line += std::to_string(i);
  }
  std::string content = "1 FSTShape\n1\no\n10\n" + line + "\n5\n";
  for (int j = 0; j < 5; ++j) content += "0 3 0 1 2\n";
  FstShape shape;
  RecordingProgress progress;
  ASSERT_EQ(LoadText(shape, content, &progress), 10);
  EXPECT_THAT(progress.events, ElementsAre("show", "range 0..200", "pos 0", "step size 1",
                                           "caption Caching points..", "caption Loading points..",
                                           "pos 100", "hide"));
  EXPECT_EQ(progress.steps, 29 + 4);
  EXPECT_EQ(progress.pos, 104);
}

TEST_F(FstShapeTest, ProgressStepsAboutOncePerPercent) {
  std::string content = "1 FSTShape\n1\no\n1000\n1";
  for (int i = 1; i < 3000; ++i) content += " 1";
  content += "\n5000\n";
  for (int j = 0; j < 5000; ++j) content += "0 1 999\n";
  FstShape shape;
  RecordingProgress progress;
  ASSERT_EQ(LoadText(shape, content, &progress), 1000);
  EXPECT_THAT(progress.pos, testing::AllOf(testing::Ge(190), testing::Le(200)));
  EXPECT_THAT(progress.steps, testing::AllOf(testing::Ge(190), testing::Le(200)));
  // A short line still steps the bar through the values it repeats.
  RecordingProgress shortLine;
  ASSERT_EQ(LoadText(shape, "1 FSTShape\n1\no\n10\n1\n0 (no faces)\n", &shortLine), 10);
  EXPECT_EQ(shortLine.steps, 29);
}

// Random values printed with 17 digits (tiny ones too), hex colours and CRLF lines.
TEST_F(FstShapeTest, GeneratedShapeRoundTrips) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> coordinate(-1e3, 1e3);
  const int pointCount = 200, faceCount = 300;
  std::vector<double> coordinates(3 * pointCount);
  std::string content = "1 FSTShape\n1\ngenerated\n" + std::to_string(pointCount) + "\n";
  char number[40];
  for (int i = 0; i < 3 * pointCount; ++i) {
    coordinates[i] = coordinate(random) * (i % 7 ? 1 : 1e-300);
    std::snprintf(number, sizeof number, i ? " %.17g" : "%.17g", coordinates[i]);
    content += number;
  }
  content += "\n" + std::to_string(faceCount) + "\n";
  std::vector<FstFace> expected(faceCount);
  for (auto& face : expected) {
    face.colorIndex = static_cast<int>(random() % 256);
    face.vertexCount = static_cast<int>(random() % 6);
    std::snprintf(number, sizeof number, "%x %d", face.colorIndex, face.vertexCount);
    content += number;
    for (int m = 0; m < face.vertexCount; ++m) {
      face.vertexIndices.push_back(static_cast<int>(random() % pointCount));
      content += " " + std::to_string(face.vertexIndices.back());
    }
    content += "\r\n";
  }
  FstShape shape;
  ASSERT_EQ(LoadText(shape, content), pointCount);
  EXPECT_EQ(shape.sourceVertices, coordinates);
  ASSERT_EQ(shape.faces.size(), expected.size());
  for (int j = 0; j < faceCount && !HasFailure(); ++j) {
    EXPECT_EQ(shape.faces[j].colorIndex, expected[j].colorIndex) << j;
    EXPECT_EQ(shape.faces[j].vertexIndices, expected[j].vertexIndices) << j;
  }
}

}  // namespace
}  // namespace velmora
