// The generated data set: every file pinned byte for byte, and demo image points made only
// from points both views can see.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>

#include "tests/TestSupport.h"
#include "tools/DataGen.h"

namespace velmora::datagen {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;

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
