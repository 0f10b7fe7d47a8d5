#include "data/VectorData.h"

#include <fstream>
#include <string>
#include <vector>

#include "data/TextBuffer.h"
#include "tests/TestSupport.h"
#include "tests/data/SpecialFiles.h"

namespace velmora {
namespace {

TEST(VectorData, LineRules) {
  const struct {
    const char* name;
    std::string content;
    std::vector<double> firstX, firstY, secondX, secondY;
  } cases[] = {
      {"two pairs", "1.5 -2\n3 4\n5 6\n7 8\n", {1.5, 3}, {-2, 4}, {5, 7}, {6, 8}},
      {"odd last line ignored", "1 2\n3 4\n5 6\n7 8\n9 9\n", {1, 3}, {2, 4}, {5, 7}, {6, 8}},
      {"last line without a line feed", "1 2\n3 4", {1}, {2}, {3}, {4}},
      {"no blank: y is x", "3\n-4.5\n", {3}, {3}, {-4.5}, {-4.5}},
      {"tab is no separator", "1\t2\n3\t4 5\n", {1}, {1}, {3}, {5}},
      {"double blank", "1.5  7\n0 0\n", {1.5}, {7}, {0}, {0}},
      {"empty lines count", "\n\n1 2\n\n", {0, 0}, {0, 0}, {1, 0}, {2, 0}},
      {"only decimal numbers", "0x10 nan\ninfinity 1e1x\n", {0}, {0}, {0}, {10}},
      {"empty file", "", {}, {}, {}, {}},
      {"a final empty line after the feed does not count", "1 2\n3 4\n\n", {1}, {2}, {3}, {4}},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VectorData data;
    ASSERT_TRUE(ReadVectorData(dir.Write("points.dtx", c.content), data));
    EXPECT_EQ(data.count, static_cast<int>(c.firstX.size()));
    EXPECT_EQ(data.firstX, c.firstX);
    EXPECT_EQ(data.firstY, c.firstY);
    EXPECT_EQ(data.secondX, c.secondX);
    EXPECT_EQ(data.secondY, c.secondY);
  }
}

// A file larger than the memory left is refused with "Low memory!" and the points held
// stay. A file that grows while it is read (a writer that never stops) is read only as
// far as its size when opened.
TEST(VectorData, ReadsNoMoreThanFitsAndNoFurtherThanTheSizeWhenOpened) {
  test::TempDir dir;
  VectorData data;
  ASSERT_TRUE(ReadVectorData(dir.Write("small.dtx", "1 2\n3 4\n"), data));
  // Four million empty lines: 64 MB of points.
  const std::string big = dir.Write("big.dtx", std::string(std::size_t{4} << 20, '\n'));
  {
    test::ScopedMemoryCap cap(std::size_t{32} << 20);
    test::MessageRecorder messages;
    if (cap.active()) {
      EXPECT_FALSE(ReadVectorData(big, data));
      EXPECT_THAT(messages.texts, testing::ElementsAre("Low memory!"));
    }
  }
  EXPECT_EQ(data.count, 1);
  EXPECT_EQ(data.secondY, std::vector<double>{4});

  const std::string growing = dir.Write("growing.dtx", "1 2\n3 4\n");
  std::size_t size = 0;
  const int fd = OpenRegularFile(growing, &size);
  ASSERT_GE(fd, 0);
  std::ofstream(growing, std::ios::app) << "5 6\n7 8\n";
  TextBuffer text;
  ASSERT_TRUE(text.Read(fd, size));
  EXPECT_EQ(text.Size(), 8u);
  EXPECT_EQ(text.LinesLeft(), 2u);
}

}  // namespace
}  // namespace velmora
