#include "data/DataFiles.h"

#include <gtest/gtest.h>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

TEST(DataFiles, CurrentDirectoryThenEachFolderInOrder) {
  test::TempDir here, installed, built;
  here.Write("cols.fcd", "here");
  installed.Write("cols.fcd", "installed");
  installed.Write("sphere1K.fsd", "installed");
  built.Write("sphere1K.fsd", "built");
  built.Write("plane.png", "built");
  const std::vector<std::string> saved = DataFolders();
  SetDataFolders({installed.path().string(), built.path().string()});
  test::ScopedCurrentDir cd(here.path());
  struct Row {
    const char* name;
    std::string expected;
  } rows[] = {
      {"cols.fcd", "cols.fcd"},
      {"sphere1K.fsd", (installed.path() / "sphere1K.fsd").string()},
      {"plane.png", (built.path() / "plane.png").string()},
      {"position.txt", "position.txt"},    // nowhere: the name as it was
      {"sub/plane.png", "sub/plane.png"},  // a path is the user's choice
  };
  for (const Row& row : rows) EXPECT_EQ(FindDataFile(row.name), row.expected) << row.name;
  SetDataFolders(saved);
}

}  // namespace
}  // namespace velmora
