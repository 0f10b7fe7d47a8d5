#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera/CameraTransitions.h"
#include "camera/PositionFile.h"
#include "tests/TestSupport.h"
#include "tests/TwoViews.h"

namespace velmora {
namespace {

using test::Vec3Near;
using testing::DoubleNear;
using testing::Pointwise;

struct Table {
  double steps[kStepTableSize];
  Table() { FillStepTable(steps); }
};

// Every step of one transition, in order.
std::vector<double> RunProfile(int budget) {
  static const Table table;
  StepProfile profile;
  profile.table = table.steps;
  profile.budget = budget;
  profile.Begin();
  std::vector<double> steps;
  do {
    steps.push_back(profile.TakeStep());
    profile.AdvanceAnimationStep();
  } while (!profile.Finished() && steps.size() < 10000);
  return steps;
}

TEST(StepProfile, TwentyFiveTakesSixtyTwoFramesEasingInCruisingAndOut) {
  const Table table;
  const std::vector<double> steps = RunProfile(25);
  ASSERT_EQ(steps.size(), 62u);

  double sum = 0;
  for (double s : steps) sum += s;
  EXPECT_DOUBLE_EQ(sum, 25.0);

  // Ease-in along the table; seven equal cruise steps covering what the ease-out leaves
  // over; the table backwards down to entry 1; then the small constant steps.
  double easeIn = 0;
  for (double t : table.steps) easeIn += t;
  const double cruise = (25.0 - 2 * easeIn - 0.12) / 7;
  for (int i = 0; i < 62; ++i) {
    const double expected = i < 22   ? table.steps[i]
                            : i < 29 ? cruise
                            : i < 50 ? table.steps[50 - i]
                            : i < 54 ? 0.02
                            : i < 58 ? 0.01
                                     : 0.005;
    EXPECT_NEAR(steps[i], expected, 1e-12) << "frame " << i;
  }
}

TEST(NormalizeAngle, TurnsTheShortWayAndKeepsTheEnds) {
  const struct {
    double in, out;
  } cases[] = {
      {-170.0 - 170.0, 20},  // from 170 to -170: +20, not -340
      {170.0 - -170.0, -20}, {180, 180}, {-180, -180}, {181, -179}, {-181, 179}, {540, 180},
      {-540, -180},          {725, 5},   {0, 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NormalizeAngle(c.in), c.out) << c.in;
  // Huge or infinite angles end too, inside the half turn.
  EXPECT_LE(std::abs(NormalizeAngle(1e20)), 180.0);
  EXPECT_EQ(NormalizeAngle(INFINITY), 0.0);
  EXPECT_EQ(NormalizeAngle(NAN), 0.0);
}

TEST(FlyOutGeometry, CentreNegatesZAndTheAnglesLookAtIt) {
  EXPECT_THAT(FlyOutCentre({{1, 2, 3}, {3, 4, 5}}), Vec3Near(Vec3{2, 3, -4}, 1e-12));
  EXPECT_THAT(FlyOutCentre({}), Vec3Near(Vec3{0, 0, 0}, 0)) << "no points: the origin, not NaN";
  EXPECT_DOUBLE_EQ(LookDistance({4, 6, 3}, {1, 2, 3}), 5.0);

  const struct {
    Vec3 camera, centre;
    double azimuth, altitude;
  } cases[] = {
      {{-1, 0, -1}, {0, 0, 0}, 135, 0},   // direction (1, 0, 1)
      {{-2, -2, -3}, {1, 2, 3}, 90, 0},   // direction (1, 0, 0)
      {{0, -1, -1}, {0, 0, 0}, 180, -45}  // direction (0, 1, 1)
  };
  for (const auto& c : cases) {
    double azimuth = -1, altitude = -1;
    LookAngles(c.camera, c.centre, azimuth, altitude);
    // Whole turns do not matter (a -0 direction gives 360 for 0): the flight turns the
    // short way.
    EXPECT_NEAR(NormalizeAngle(azimuth - c.azimuth), 0, 1e-12) << azimuth;
    EXPECT_NEAR(altitude, c.altitude, 1e-12);
  }
}

constexpr double kHome[kObserverPoseSize] = {400, 0, 0, 0, 1, -1, 0};

// The worked triangulation example's views, whose one scene point is (2, 4, 40).
struct Planner {
  Planner() {
    test::TwoViews::Example(views);
    std::copy(std::begin(kHome), std::end(kHome), pose);
  }
  test::TwoViews views;
  Table table;
  TransitionState state;
  double pose[kObserverPoseSize];
  double positionTargets[kMaxAnimatedValues] = {};
  // Plans a transition and, when there is one, lets the observer arrive at its targets.
  bool Run(int kind, TransitionPlan& plan) {
    const bool any = PlanTransition(kind, pose, views.first, views.second, positionTargets,
                                    table.steps, kDefaultFrameBudget, state, plan);
    if (any && plan.ObserverKind())
      for (int i = 0; i < kObserverPoseSize; ++i) pose[i] += plan.increments[i] * 25;
    return any;
  }
};

// The observer part of a pose or of a plan's values.
std::vector<double> Pose(const double* p) {
  return {p, p + kObserverPoseSize};
}

TEST(PlanTransition, FlyOutTargetsOfEachKind) {
  Planner p;
  TransitionPlan plan;
  // First view: centre (2, 4, -40), looked at from the first camera at (0, 0, 60).
  ASSERT_TRUE(p.Run(TRANSITION_FIRST_VIEW, plan));
  const double lookAtCentre = std::sqrt(2.0 * 2 + 4 * 4 + 100 * 100);
  EXPECT_EQ(plan.count, kObserverPoseSize);
  EXPECT_NEAR(plan.targets[POSE_DISTANCE], lookAtCentre * 0.84, 1e-9);
  EXPECT_NEAR(plan.targets[POSE_OFFSET_X], 2, 1e-9);
  EXPECT_NEAR(plan.targets[POSE_OFFSET_Y], 4, 1e-9);
  EXPECT_NEAR(plan.targets[POSE_OFFSET_Z], -40, 1e-9);
  for (int i = 0; i < kObserverPoseSize; ++i)
    EXPECT_NEAR(plan.increments[i], (plan.targets[i] - kHome[i]) / 25, 1e-12) << i;

  // Overview: distance 5 at the negated first midpoint, fixed angles.
  Planner q;
  ASSERT_TRUE(q.Run(TRANSITION_OVERVIEW, plan));
  EXPECT_THAT(Pose(plan.targets),
              Pointwise(DoubleNear(1e-9), std::vector<double>{5, -2, -4, -40, -20, 135, 0}));

  // Second view without points: the centre is the origin; the distance is measured from
  // the first camera, the direction from the second at (60, 0, 0), which is azimuth 270:
  // from -1 the short way is -89 degrees, ending at -90.
  Planner r;
  r.views.first.AllocatePoints(0);
  r.views.second.AllocatePoints(0);
  ASSERT_TRUE(r.Run(TRANSITION_SECOND_VIEW, plan));
  EXPECT_NEAR(plan.targets[POSE_DISTANCE], 60 * 0.84, 1e-9);
  EXPECT_NEAR(plan.increments[POSE_ANGLE_Y] * 25, -89, 1e-9);
}

TEST(PlanTransition, SavedPoseStateMachine) {
  const struct {
    const char* name;
    std::vector<int> kinds;
    std::vector<bool> started;
    std::vector<int> owners;
    bool endsAtHome;
  } cases[] = {
      {"out and back", {1, 1}, {true, true}, {1, 0}, true},
      {"first then second, back from second", {1, 2, 2}, {true, true, true}, {1, 2, 0}, true},
      {"overview then first view, back", {5, 1, 1}, {true, true, true}, {3, 1, 0}, true},
      {"zoom at home does nothing", {4}, {false}, {0}, true},
      {"zoom on the overview does nothing", {5, 4}, {true, false}, {3, 3}, false},
      {"position leaves the owner", {1, 3}, {true, true}, {1, 1}, false},
      {"unknown kinds do nothing", {0, 6, -1}, {false, false, false}, {0, 0, 0}, true},
  };
  for (const auto& c : cases) {
    Planner p;
    for (size_t i = 0; i < c.kinds.size(); ++i) {
      TransitionPlan plan;
      EXPECT_EQ(p.Run(c.kinds[i], plan), c.started[i]) << c.name << " step " << i;
      EXPECT_EQ(p.state.savedPoseOwner, c.owners[i]) << c.name << " step " << i;
    }
    if (c.endsAtHome) {
      EXPECT_THAT(Pose(p.pose), Pointwise(DoubleNear(1e-9), Pose(kHome))) << c.name;
    }
  }
}

}  // namespace
}  // namespace velmora
