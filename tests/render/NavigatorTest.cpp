#include "render/Navigator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

constexpr char kDefaultCaption[] = "Left: move around, Right: zoom in/out";
constexpr char kCentreCaption[] =
    "Left: move around center X,Z, Right: move around center Y, F6 - center";
constexpr char kCtrlCaption[] = "Left: azimuth/altitude, Right: distance";
constexpr char kShiftCaption[] = "Left: pan/tilt, Right: focal length";
constexpr char kRotateCaption[] = "Left: rotate around principal ray";

std::string Text(const char* format, double a, double b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// Logs what the navigator asks of the program, in order, numbers to ten digits.
class RecordingHost final : public NavigatorHost {
 public:
  class FakeView final : public ViewDrags {
   public:
    FakeView(std::vector<std::string>& log, int index)
        : log_(log), name_("view " + std::to_string(index) + " ") {}
    void DragAzAlt(double a, double b) override { Log(Text("az/alt %.10g %.10g", a, b)); }
    void DragPanTilt(double a, double b) override { Log(Text("pan/tilt %.10g %.10g", a, b)); }
    void DragFocalLength(double d) override { Log(Text("focal length %.10g", d)); }
    void DragDistance(double d) override { Log(Text("distance %.10g", d)); }
    void DragRotation(double d) override { Log(Text("rotation %.10g", d)); }

   private:
    void Log(const std::string& what) { log_.push_back(name_ + what); }
    std::vector<std::string>& log_;
    std::string name_;
  };

  ViewDrags* View(int index) override { return &views_[index]; }
  void ShowControlPanel() override { log.push_back("show panel"); }
  void ToggleWireframe() override { log.push_back("wireframe"); }
  void StartTransition(TransitionKind kind) override {
    log.push_back("transition " + std::to_string(kind));
  }
  bool LoadPositionFile() override {
    log.push_back("position file");
    return positionFileReads;
  }
  void TogglePanelBox(PanelBox box) override {
    const char* names[] = {"FST object", "P/T plane", "main sphere"};
    log.push_back(std::string("panel ") + names[static_cast<int>(box)]);
  }
  void FlipViewBox(int view, ViewBox box) override {
    const char* names[] = {"rays", "az/alt", "mean ray"};
    log.push_back("flip " + std::to_string(view) + " " + names[static_cast<int>(box)]);
  }
  void PostRedraw() override { log.push_back("post redraw"); }
  void Invalidate() override { log.push_back("invalidate"); }
  void SetCaption(const std::string& text) override { caption = text; }

  // Returns what was logged and starts afresh.
  std::vector<std::string> Take() { return std::exchange(log, {}); }

  std::vector<std::string> log;
  std::string caption;
  bool positionFileReads = true;

 private:
  FakeView views_[2] = {{log, 0}, {log, 1}};
};

// A navigator over the window's state as it starts: the observer at home, centre mode off,
// no saved pose.
struct Bench {
  RecordingHost host;
  ObserverPose observer;
  bool centreMode = false;
  TransitionState flight;
  Navigator nav{host, observer, centreMode, flight};

  void Move(int x, int y, int buttons, bool shift = false, bool ctrl = false) {
    nav.OnMouseMove(MouseMove{x, y, buttons, shift, ctrl});
  }
  void Press(NavKey key, bool rightSide = false) { nav.OnKeyDown(KeyPress{key, rightSide}); }
};

void ExpectPoseChange(const ObserverPose& pose, const std::vector<double>& change) {
  const ObserverPose home;
  const double got[] = {pose.distance - home.distance, pose.offsetX - home.offsetX,
                        pose.offsetY - home.offsetY,   pose.offsetZ - home.offsetZ,
                        pose.angleX - home.angleX,     pose.angleY - home.angleY,
                        pose.angleZ - home.angleZ};
  for (int i = 0; i < 7; ++i) EXPECT_NEAR(got[i], change[i], 1e-12) << "pose field " << i;
}

// Every row of the drag table: a drag from (100, 100) by (20, 4), or by 10 down with the
// right button. The first event only records where the drag starts; a change posts one
// redraw after the views' drags, which go to the first view and then the second.
TEST(Navigator, DragTableMovesTheObserverOrTheViewsAndRecordsThePosition) {
  constexpr int L = BUTTON_LEFT, R = BUTTON_RIGHT;
  enum : int { SHIFT = 1, CTRL = 2, Z = 4, CENTRE = 8 };  // held keys and modes
  const std::vector<double> kStays(7, 0.0);
  const struct {
    int buttons, keys;
    const char* viewDrag;        // asked of each view; empty for none
    std::vector<double> change;  // distance, offsets x y z, angles x y z
    int lastX, lastY;
  } rows[] = {
      {L, 0, "", {0, 0, 0, 0, 4, 20, 0}, 120, 104},
      {L, Z, "", {0, 0, 0, 0, 0.2, 1, 0}, 120, 104},
      {L | R, 0, "", {0, 0, 0, 0, 4, 20, 0}, 120, 104},  // the left button wins
      {L, CTRL, "az/alt 0.125 0.025", kStays, 120, 104},
      {L, CTRL | Z, "az/alt 0.00625 0.00125", kStays, 120, 104},
      {L, SHIFT | Z, "pan/tilt -0.003125 -0.000625", kStays, 120, 104},
      {L, SHIFT | CTRL, "rotation -0.25", kStays, 120, -1},
      {L, SHIFT | CTRL | Z, "rotation -0.0125", kStays, 120, -1},
      {L, CENTRE | SHIFT | CTRL, "", {0, 20, 0, 4, 0, 0, 0}, 120, 104},
      {L, CENTRE | Z, "", {0, 1, 0, 0.2, 0, 0, 0}, 120, 104},
      {R, 0, "", {20, 0, 0, 0, 0, 0, 0}, -1, 110},
      {R, Z, "", {1, 0, 0, 0, 0, 0, 0}, -1, 110},
      {R, SHIFT | Z, "focal length 0.05", kStays, -1, 110},
      {R, SHIFT | CTRL, "focal length 1", kStays, -1, 110},
      {R, CTRL, "distance 1", kStays, -1, 110},
      {R, CTRL | Z, "distance 0.05", kStays, -1, 110},
      {R, CENTRE | SHIFT | Z, "", {0, 0, -0.5, 0, 0, 0, 0}, -1, 110},
  };
  int i = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << i++);
    Bench b;
    b.centreMode = row.keys & CENTRE;
    if (row.keys & Z) b.Press(NavKey::Z);
    const bool shift = row.keys & SHIFT, ctrl = row.keys & CTRL;
    b.Move(100, 100, row.buttons, shift, ctrl);
    EXPECT_TRUE(b.host.Take().empty()) << "the first event only records";
    ExpectPoseChange(b.observer, kStays);
    const bool right = row.buttons == R;
    b.Move(right ? 130 : 120, right ? 110 : 104, row.buttons, shift, ctrl);
    std::vector<std::string> expected;
    if (*row.viewDrag != 0)
      expected = {std::string("view 0 ") + row.viewDrag, std::string("view 1 ") + row.viewDrag};
    expected.push_back("post redraw");
    EXPECT_EQ(b.host.Take(), expected);
    ExpectPoseChange(b.observer, row.change);
    EXPECT_EQ(b.nav.LastX(), row.lastX);
    EXPECT_EQ(b.nav.LastY(), row.lastY);
    b.Move(5, 5, 0);
    EXPECT_EQ(b.nav.LastX(), -1) << "a move without a button ends the drag";
    EXPECT_EQ(b.nav.LastY(), -1);
    EXPECT_TRUE(b.host.Take().empty());
  }
}

// The principal-ray rotation records only x: switching to Ctrl alone in the same drag
// measures dy from the y recorded before the rotation began, or from -1.
TEST(Navigator, RotationDragLeavesYWhereTheDragLeftIt) {
  for (const bool startWithCtrl : {true, false}) {
    SCOPED_TRACE(startWithCtrl ? "started with Ctrl" : "started rotating");
    Bench b;
    b.Move(100, 100, BUTTON_LEFT, /*shift=*/!startWithCtrl, /*ctrl=*/true);
    b.Move(110, 130, BUTTON_LEFT, true, true);
    b.Move(120, 140, BUTTON_LEFT, false, true);
    const double dy = startWithCtrl ? 40 : 141;
    const std::string azAlt = Text("az/alt %.10g %.10g", 10 * 0.00625, dy * 0.00625);
    EXPECT_EQ(b.host.Take(), (std::vector<std::string>{
                                 "view 0 rotation -0.125", "view 1 rotation -0.125", "post redraw",
                                 "view 0 " + azAlt, "view 1 " + azAlt, "post redraw"}));
  }
}

// Any event with a button held forgets the saved pose, the first one of a drag included, so
// the next fly-to saves the pose afresh; moves without a button leave it.
TEST(Navigator, EveryHeldButtonForgetsTheSavedPose) {
  const struct {
    int buttons;
    int owner;
  } rows[] = {{0, OWNER_SECOND_VIEW}, {BUTTON_LEFT, OWNER_HOME}, {BUTTON_RIGHT, OWNER_HOME}};
  for (const auto& row : rows) {
    Bench b;
    b.flight.savedPoseOwner = OWNER_SECOND_VIEW;
    b.flight.zoomFactor = 0.5;
    b.Move(100, 100, row.buttons);
    EXPECT_EQ(b.flight.savedPoseOwner, row.owner) << row.buttons;
    EXPECT_EQ(b.flight.zoomFactor, 0.5) << "only the owner";
  }
}

// The caption follows the left Ctrl and Shift keys, Z and the centre mode; the right-hand
// keys set nothing, while either side's release clears.
TEST(Navigator, CaptionFollowsTheLeftModifierKeysZAndCentreMode) {
  Bench b;
  const struct {
    bool down;
    NavKey key;
    bool rightSide;
    const char* caption;
  } steps[] = {
      {true, NavKey::Ctrl, false, kCtrlCaption},
      {true, NavKey::Z, false, "Left: azimuth/altitude, Right: distance x20 slower"},
      {false, NavKey::Z, false, kCtrlCaption},
      {true, NavKey::Shift, false, kRotateCaption},
      {false, NavKey::Ctrl, true, kShiftCaption},
      {true, NavKey::Ctrl, true, kShiftCaption},
      {true, NavKey::Shift, true, kShiftCaption},
      {false, NavKey::Shift, false, kDefaultCaption},
      // Centre mode wins over the modifiers.
      {true, NavKey::F7, false, kCentreCaption},
      {true, NavKey::Ctrl, false, kCentreCaption},
      {true, NavKey::Z, false,
       "Left: move around center X,Z, Right: move around center Y, F6 - center x20 slower"},
      {false, NavKey::Z, false, kCentreCaption},
      {true, NavKey::F7, false, kCtrlCaption},
      {false, NavKey::Ctrl, false, kDefaultCaption},
      {true, NavKey::Z, false, "Left: move around, Right: zoom in/out x20 slower"},
      {false, NavKey::Z, false, kDefaultCaption},
  };
  int i = 0;
  for (const auto& step : steps) {
    if (step.down)
      b.Press(step.key, step.rightSide);
    else
      b.nav.OnKeyUp(step.key);
    EXPECT_EQ(b.host.caption, step.caption) << "step " << i;
    EXPECT_EQ(Navigator::MouseModeCaption(b.nav.KeyFlags()), step.caption) << "step " << i++;
  }
  EXPECT_EQ(b.nav.KeyFlags(), 0);
  EXPECT_FALSE(b.centreMode);
}

// What each key asks for; an auto-repeat or a press with Alt held asks for nothing.
TEST(Navigator, KeysActOnTheirFirstPressOnly) {
  using Log = std::vector<std::string>;
  const struct {
    NavKey key;
    Log log;
  } rows[] = {
      {NavKey::F4, {"show panel"}},
      {NavKey::F5, {"wireframe", "invalidate"}},
      {NavKey::F6, {"position file", "transition 3"}},
      {NavKey::F7, {"invalidate"}},
      {NavKey::F8, {"transition 1"}},
      {NavKey::F9, {"transition 2"}},
      {NavKey::F10, {}},
      {NavKey::F11, {"transition 4"}},
      {NavKey::F12, {"transition 5"}},
      {NavKey::F, {"panel FST object"}},
      {NavKey::P, {"panel P/T plane"}},
      {NavKey::M, {"panel main sphere"}},
      {NavKey::R, {"flip 0 rays", "flip 1 rays"}},
      {NavKey::A, {"flip 1 az/alt"}},
      {NavKey::N, {"flip 0 mean ray", "flip 1 mean ray"}},
      {NavKey::Other, {}},
  };
  for (const auto& row : rows) {
    Bench b;
    b.nav.OnKeyDown(KeyPress{row.key, false, /*repeat=*/true});
    b.nav.OnKeyDown(KeyPress{row.key, false, false, /*alt=*/true});
    EXPECT_TRUE(b.host.Take().empty()) << static_cast<int>(row.key);
    b.Press(row.key);
    EXPECT_EQ(b.host.Take(), row.log) << static_cast<int>(row.key);
    EXPECT_EQ(b.centreMode, row.key == NavKey::F7);
    b.nav.OnKeyUp(row.key);
    EXPECT_TRUE(b.host.Take().empty()) << "a release acts only for the mode keys";
  }
  Bench b;
  b.host.positionFileReads = false;
  b.Press(NavKey::F6);
  EXPECT_EQ(b.host.Take(), Log{"position file"}) << "nothing to glide to without the file";
  for (NavKey mode : {NavKey::Ctrl, NavKey::Shift, NavKey::Z}) {
    b.nav.OnKeyDown(KeyPress{mode, false, true});
    EXPECT_EQ(b.nav.KeyFlags(), 0) << "a repeat sets no mode";
  }
}

// F6 in centre mode puts the centre back at the origin, the turns kept, without a redraw
// (the change shows at the next one) and without a glide.
TEST(Navigator, F6InCentreModeCentresTheScene) {
  Bench b;
  b.Press(NavKey::F7);
  ASSERT_TRUE(b.centreMode);
  b.observer.offsetX = 10, b.observer.offsetY = -4, b.observer.offsetZ = 5;
  b.observer.angleY = 29;
  b.host.Take();
  b.Press(NavKey::F6);
  EXPECT_TRUE(b.host.Take().empty());
  ExpectPoseChange(b.observer, {0, 0, 0, 0, 0, 30, 0});
}

}  // namespace
}  // namespace velmora
