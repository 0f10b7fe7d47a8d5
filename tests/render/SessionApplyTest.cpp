#include "render/SessionApply.h"

#include <filesystem>
#include <string>
#include <vector>

#include "data/VectorData.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

// Loads as the programs do and keeps what it was asked for.
struct RecordingHost final : SessionHost {
  explicit RecordingHost(Workbench& w) : workbench(w) {}
  bool LoadFst(const std::string& path) override {
    loaded.push_back(path);
    return workbench.fstObject.Load(path, nullptr) > 0;
  }
  bool LoadData(const std::string& path) override {
    loaded.push_back(path);
    return workbench.LoadDataFile(path);
  }
  bool ShowFrame(const FrameState& frame) override {
    shown.push_back(frame);
    return true;
  }
  void SetControlledView(int view) override { controlled = view; }
  Workbench& workbench;
  std::vector<std::string> loaded;
  std::vector<FrameState> shown;
  int controlled = -1;
};

// A session file beside its data file, named relatively: opened, changed underneath, gone.
TEST(SessionApply, OpensFromTheSessionsFolderWarnsOfChangesAndRefusesMissingFiles) {
  test::TempDir dir;
  const std::string data = dir.Write("pairs.dtx", "1 2\n3 4\n-1 2\n-3 4\n");
  CameraModel first, second;
  Workbench workbench(first, second);
  Session session;
  session.cameras[0].azimuth = -0.25;
  session.cameras[1] = {0.5, -0.1, 0.02, 12, 40, 0.01, -0.01};
  session.skipNegative = true;
  session.controlledView = 0;
  session.frame.observer.distance = 123;
  session.dataFile = {"pairs.dtx", FileDigest(data)};
  session.pairColourStart = 5;
  const std::string path = (dir.path() / "kept.json").string();
  std::string why;
  ASSERT_TRUE(WriteSessionFile(path, session, why)) << why;

  RecordingHost host(workbench);
  std::vector<std::string> warnings;
  ASSERT_TRUE(OpenSessionFile(path, workbench, host, why, warnings)) << why;
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(host.loaded, std::vector<std::string>{data});
  EXPECT_EQ(first.GetPointCount(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(workbench.View(i).GetParams(), session.cameras[i]) << i;
    EXPECT_TRUE(workbench.View(i).skipNegativeST) << i;
  }
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown[0], session.frame);
  EXPECT_EQ(host.controlled, 0);
  // The pairs take the colours that follow the five drawn before them.
  RestartPairColours(5);
  const Vec3 colour = NextPairColor();
  EXPECT_EQ(first.pointColors[0].x, colour.x);
  EXPECT_EQ(second.pointColors[0].z, colour.z);
  EXPECT_EQ(CaptureSession(workbench, session.frame, 0, "", data).pairColourStart, 5);

  dir.Write("pairs.dtx", "1 2\n3 5\n-1 2\n-3 4\n");
  ASSERT_TRUE(OpenSessionFile(path, workbench, host, why, warnings)) << why;
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], data + " has changed since the session was saved");

  std::filesystem::remove(data);
  first.SetParams({});
  host.loaded.clear();
  EXPECT_FALSE(OpenSessionFile(path, workbench, host, why, warnings));
  EXPECT_EQ(why, "cannot read the session's data file " + data);
  EXPECT_TRUE(host.loaded.empty());
  EXPECT_EQ(first.GetParams(), CameraParams{});
}

}  // namespace
}  // namespace velmora
