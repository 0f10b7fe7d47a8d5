// A session file gives back exactly the state it was saved from, and a damaged or foreign
// one is refused with a reason and changes nothing.

#include <gtest/gtest.h>

#include <fstream>

#include "render/Session.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

Session OddSession() {
  Session s;
  s.frame.observer = {350.5, -1e-300, 2, 3, 1.0 / 3, -31.25, 7};
  s.frame.display = {false, false, true, true, true, true, 5000, 0.8, 0.3f, true, true, true};
  s.frame.views[0] = {false, true, true, false, true};
  s.cameras[0] = {-1.0 / 3, 1e300, 0.25, 8, 55, -0.125, 0.1};
  s.cameras[1].azimuth = 0.6;
  s.controlledView = 0;
  s.skipNegative = true;
  s.fstFile = {"/data/it's a house.fsd", "00000000deadbeef"};
  return s;
}

TEST(Session, TextReadsBackExactlyAndDigestsTellChangedFiles) {
  const Session odd = OddSession();
  Session read;
  std::string why;
  ASSERT_TRUE(ParseSessionText(SessionText(odd), read, why)) << why;
  EXPECT_EQ(read, odd) << SessionText(read);

  test::TempDir dir;
  const std::string path = dir.Write("demo.dtx", "1 2\n3 4\n");
  const std::string digest = FileDigest(path);
  EXPECT_EQ(digest.size(), 16u);
  dir.Write("demo.dtx", "1 2\n3 5\n");
  EXPECT_NE(FileDigest(path), digest);
  EXPECT_EQ(FileDigest(dir.path().string()), "");
}

TEST(Session, DamagedOrForeignFilesAreRefusedAndChangeNothing) {
  const Session odd = OddSession();
  const std::string good = SessionText(odd);
  auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::pair<std::string, std::string> rows[] = {
      {"{\"format\": ", "damaged session file: the JSON breaks off at byte 12"},
      {"[1, 2]", "not a session file: not a JSON object"},
      {replaced("velmora-session", "other"),
       "not a session file: the format is not \"velmora-session\""},
      {replaced("\"version\": 1", "\"version\": 2"),
       "session version 2 is not one this program reads (1)"},
      {replaced("\"azimuth\": 0.6", "\"azimuth\": \"0.6\""),
       "damaged session file: second camera's azimuth is not a finite number"},
      {replaced("\"skipNegative\": true,", ""),
       "damaged session file: the field \"skipNegative\" is missing"},
      {replaced("\"controlledView\": \"first\"", "\"controlledView\": \"third\""),
       "damaged session file: \"controlledView\" is neither \"first\" nor \"second\""},
      {replaced("\"axes\": 0.0", "\"zoom\": 2"), "the frame: line 2: unknown name \"zoom\""},
      {replaced("\"axes\": 0.0", "\"axes\": 3"),
       "the frame: line 2: axes takes 1 finite number of its kind"},
      {replaced("\"scale\": 0.30000001192092896", "\"scale\": 1e39"),
       "the frame: line 10: scale takes 1 finite number of its kind"},
      {replaced("\"rays,meanray,azalt\"", "\"camera,lens\""),
       "the frame: line 14: first-view: unknown box 'lens' (camera, rays, meanray, azalt, "
       "pantilt, or none)"},
  };
  for (const auto& [text, reason] : rows) {
    Session kept = odd;
    std::string why;
    EXPECT_FALSE(ParseSessionText(text, kept, why)) << text;
    EXPECT_EQ(why, reason);
    EXPECT_EQ(kept, odd);
  }
}

}  // namespace
}  // namespace velmora
