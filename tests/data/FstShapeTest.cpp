#include "data/FstShape.h"

#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/data/SpecialFiles.h"

namespace velmora {
namespace {

using test::MessageRecorder;
using test::ScopedCurrentDir;
using test::TempDir;
using testing::ElementsAre;

// Entry 4 is not below the count and is skipped; entry 2 lacks its blue field.
constexpr char kColours[] = "4\n0 ff,0,0\n1 0,80,ff\n4 9,9,9\n2 10,20\n";

// A triangle and a quadrilateral over five vertices.
constexpr char kSmallShape[] =
    "1 FSTShape\n1\nobject\n5\n0 0 0 1 0 0 1 1 0 0 1 0 0.5 0.5 2\n2\n1 3 0 1 4\n"
    "2 4 0 1 2 3\n";

// Each test runs in a folder of its own that holds a "cols.fcd".
class FstShapeTest : public testing::Test {
 protected:
  FstShapeTest() : cwd_(dir_.path()) { dir_.Write("cols.fcd", kColours); }

  std::string Write(const std::string& content, const std::string& name = "shape.fsd") {
    return dir_.Write(name, content);
  }
  // Loads content, expecting no message.
  int LoadText(FstShape& shape, const std::string& content) {
    return shape.Load(Write(content), nullptr);
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

TEST_F(FstShapeTest, LoadsPointsFacesAndColours) {
  FstShape shape;
  EXPECT_EQ(LoadText(shape, kSmallShape), 5);
  EXPECT_EQ(shape.pointCount, 5);
  EXPECT_EQ(shape.faceCount, 2);
  EXPECT_EQ(shape.sourceVertices,
            (std::vector<double>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5, 0.5, 2}));
  ASSERT_EQ(shape.faces.size(), 2u);
  EXPECT_EQ(shape.faces[0].colorIndex, 1);
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
  EXPECT_FALSE(FstShape().GetBoundingBox(lo, hi));
}

// Also: a CRLF header is still the header.
TEST_F(FstShapeTest, OnlyTheLastObjectBlockStays) {
  FstShape shape;
  EXPECT_EQ(LoadText(shape,
                     "1 FSTShape\r\n2\nfirst\n4\n1 1 1 2 2 2 3 3 3 4 4 4\n1\n0 4 0 1 2 3\n"
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
      {"double blank repeats the next value", 2, "1  2 3 4 5 6", {1, 2, 2, 3, 4, 5}},
      {"short line repeats the last value", 2, "1 2 3.5", {1, 2, 3.5, 3.5, 3.5, 3.5}},
      {"text reads as zero", 1, "x 2e1 +.5", {0, 20, 0.5}},
      {"each blank of a run repeats", 2, "1 \t 2   3", {1, 2, 2, 3, 3, 3}},
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
      {"1f:z 1 2", 31, {2}},
      {"1 3  0 1", 1, {0, 0, 1}},       // a double blank reads the next index twice
      {"1 3 2", 1, {2, 2, 2}},          // too few indices repeat the last
      {"1 2", 1, {2, 2}},               // no indices: the count is read again
      {"1 4 \t 2 3", 1, {2, 2, 3, 3}},  // each blank of a run reads the next index again
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

TEST_F(FstShapeTest, ObjectCountZeroOrLessKeepsTheGeometryButReadsTheColours) {
  for (const char* count : {"0", "-3"}) {
    SCOPED_TRACE(count);
    FstShape shape;
    ASSERT_EQ(LoadText(shape, kSmallShape), 5);
    dir_.Write("cols.fcd", "1\n0 1,2,3\n");
    EXPECT_EQ(LoadText(shape, std::string("1 FSTShape\n") + count + "\n"), 5);
    EXPECT_EQ(shape.faces.size(), 2u);
    EXPECT_EQ(shape.paletteRed[0], 1);
  }
}

// Every rejected file shows its message, hides the progress display and leaves the shape
// exactly as it was, colour table included (the rows' cols.fcd would change entry 0). The
// memory cap makes a count that asks for gigabytes end the test instead of the machine.
TEST_F(FstShapeTest, RejectedFilesShowTheirMessageAndChangeNothing) {
  const std::string head = "1 FSTShape\n1\no\n";
  const std::string points = "3\n0 0 0 1 0 0 0 1 0\n";
  const std::string body = "1\nobject\n1\n1 2 3\n0\n";
  const std::string tooEarly = "File ~ ends too early: line ";
  const std::string negative = "File ~ has a negative count at line ";
  const std::string tooLarge = "File ~ has a count larger than the file can hold at line ";
  const std::string notInt = "File ~ has a count outside the range of a 32-bit integer at line ";
  const std::string badIndex = "File ~ has a vertex index outside the points at line ";
  const std::string noBlank = "File ~ has a face line without a blank at line 7!";
  const std::string badColour = "File ~ has a colour index outside 0..255 at line 7!";
  const std::string allFaces =
      "File ~ has more face vertices in all than the file can hold at line 8!";
  const struct {
    const char* name;
    std::string content;
    std::string message;                   // "~" stands for the file's path
    const char* colours = "1\n0 1,2,3\n";  // null: there is no cols.fcd
  } cases[] = {
      {"no cols.fcd", kSmallShape, "Cannot load cols.fcd file!", nullptr},
      {"header with two carriage returns", "1 FSTShape\r\r\n" + body, "File ~ is not FST file!"},
      {"no point count", head, tooEarly + "4 is missing!"},
      {"negative vertex count", head + points + "1\n0 -1 0\n", negative + "7!"},
      {"point count beyond the file", head + "1000\n1 2 3\n0\n", tooLarge + "4!"},
      // Blank lines would give zeros, but not three coordinates a point.
      {"point count beyond a third of the file", head + "1000\n" + std::string(2000, '\n'),
       tooLarge + "4!"},
      {"face count beyond half the file", head + points + "100\n" + std::string(150, ' ') + "\n",
       tooLarge + "6!"},
      {"point count beyond an int", head + "4294967299\n0 0 0 1 0 0 0 1 0\n0\n", notInt + "4!"},
      {"more vertex indices in all than the file's bytes",
       head + points + "3\n0 90 0\n0 90 0\n0 90 0\n" + std::string(100, ' ') + "\n", allFaces},
      {"face line without a blank", head + points + "1\n0\n", noBlank},
      {"colour index 256", head + points + "1\n100 3 0 1 2\n", badColour},
      {"vertex index equal to the count", head + points + "2\n0 3 0 1 2\n0 3 0 1 3\n",
       badIndex + "8!"},
  };
  FstShape shape;
  ASSERT_EQ(LoadText(shape, kSmallShape), 5);
  const FstShape before = shape;
  test::ScopedMemoryCap cap(std::size_t{512} << 20);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove("cols.fcd");
    if (c.colours) dir_.Write("cols.fcd", c.colours);
    MessageRecorder messages;
    test::CountingProgress progress;
    const std::string path = Write(c.content, "bad.fsd");
    std::string message = c.message;
    if (const auto at = message.find('~'); at != std::string::npos) message.replace(at, 1, path);
    EXPECT_EQ(shape.Load(path, &progress), 0);
    EXPECT_THAT(messages.texts, ElementsAre(message));
    EXPECT_EQ(progress.hidden, 1);
    ExpectUnchanged(shape, before);
  }

  // Two million points in a file of six million blanks: the counts fit the file, the
  // memory does not, when reading (48 MB) or when the points are copied to be drawn (48
  // MB more). "Low memory!" refuses the file and the session goes on.
  const std::string path =
      Write(head + "2000000\n" + std::string(6000000, ' ') + "\n0\n", "big.fsd");
  for (const std::size_t megabytes : {16, 80}) {
    SCOPED_TRACE(megabytes);
    test::ScopedMemoryCap tight(megabytes << 20);
    if (!tight.active()) break;  // no cap under sanitizers
    MessageRecorder messages;
    test::CountingProgress progress;
    EXPECT_EQ(shape.Load(path, &progress), 0);
    EXPECT_THAT(messages.texts, ElementsAre("Low memory!"));
    EXPECT_EQ(progress.hidden, 1);
    ExpectUnchanged(shape, before);
  }
}

}  // namespace
}  // namespace velmora
