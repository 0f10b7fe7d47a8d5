#include "camera/CameraTransitions.h"

#include <chrono>
#include <cmath>

#include "camera/PositionFile.h"

namespace velmora {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kPi = 3.14159265358979323846;

// Process-wide: one transition runs, one more may wait behind it.
std::atomic_flag g_transitionBusy = ATOMIC_FLAG_INIT;
std::atomic_flag g_transitionWaiting = ATOMIC_FLAG_INIT;

bool IsAngle(int field) {
  return field == POSE_ANGLE_X || field == POSE_ANGLE_Y || field == POSE_ANGLE_Z;
}

// Midpoints 0 .. n-1 asked of one view; a pair the view cannot answer stays at the origin.
std::vector<Vec3> Midpoints(const CameraModel& view, int n) {
  std::vector<Vec3> points(n > 0 ? static_cast<std::size_t>(n) : 0);
  for (std::size_t i = 0; i < points.size(); ++i) view.GetMidpoint(static_cast<int>(i), points[i]);
  return points;
}

Vec3 CameraPosition(const CameraModel& view) {
  Vec3 p;
  view.GetCameraPosition(p.x, p.y, p.z);
  return p;
}

// Where a fly-out ends: looking from distancePosition's distance and from
// directionPosition's direction at the centre of the midpoints.
void FlyOutTargets(const std::vector<Vec3>& midpoints, const Vec3& distancePosition,
                   const Vec3& directionPosition, double zoomFactor,
                   double (&targets)[kObserverPoseSize]) {
  const Vec3 c = FlyOutCentre(midpoints);
  double azimuth = 0, altitude = 0;
  LookAngles(directionPosition, c, azimuth, altitude);
  targets[POSE_DISTANCE] = LookDistance(distancePosition, c) * zoomFactor;
  targets[POSE_OFFSET_X] = c.x;
  targets[POSE_OFFSET_Y] = c.y;
  targets[POSE_OFFSET_Z] = c.z;
  targets[POSE_ANGLE_X] = altitude;
  targets[POSE_ANGLE_Y] = azimuth;
  targets[POSE_ANGLE_Z] = 0;
}

// The overview pose: close to the first view's first midpoint, seen from a fixed angle.
void OverviewTargets(const CameraModel& first, double (&targets)[kObserverPoseSize]) {
  Vec3 p;
  first.GetMidpoint(0, p);
  targets[POSE_DISTANCE] = 5.0;
  targets[POSE_OFFSET_X] = -p.x;
  targets[POSE_OFFSET_Y] = -p.y;
  targets[POSE_OFFSET_Z] = -p.z;
  targets[POSE_ANGLE_X] = -20;
  targets[POSE_ANGLE_Y] = 135;
  targets[POSE_ANGLE_Z] = 0;
}

// A fly-out of owner's kind, or the way back when that kind is the one out. The pose is
// saved only when leaving home, so a chain of fly-outs returns to where the first began.
void FlyOutOrBack(SavedPoseOwner owner, const double (&pose)[kObserverPoseSize],
                  const CameraModel& first, const CameraModel& second, TransitionState& state,
                  double (&targets)[kObserverPoseSize]) {
  if (state.savedPoseOwner == owner) {
    for (int i = 0; i < kObserverPoseSize; ++i) targets[i] = state.savedPose[i];
    state.savedPoseOwner = OWNER_HOME;
    return;
  }
  if (state.savedPoseOwner == OWNER_HOME)
    for (int i = 0; i < kObserverPoseSize; ++i) state.savedPose[i] = pose[i];
  state.savedPoseOwner = owner;
  switch (owner) {
    case OWNER_FIRST_VIEW:
      FlyOutTargets(Midpoints(first, first.GetPointCount()), CameraPosition(first),
                    CameraPosition(first), state.zoomFactor, targets);
      break;
    case OWNER_SECOND_VIEW:
      FlyOutTargets(Midpoints(second, second.GetPointCount()), CameraPosition(first),
                    CameraPosition(second), state.zoomFactor, targets);
      break;
    default:
      OverviewTargets(first, targets);
      break;
  }
}

// Toggles the zoom of a view's fly-out: only the distance moves. False, with the state
// untouched, when no view's fly-out is in effect.
bool ZoomTargets(const double (&pose)[kObserverPoseSize], const CameraModel& first,
                 const CameraModel& second, TransitionState& state,
                 double (&targets)[kObserverPoseSize]) {
  if (state.savedPoseOwner != OWNER_FIRST_VIEW && state.savedPoseOwner != OWNER_SECOND_VIEW)
    return false;
  state.zoomFactor = state.zoomFactor == kZoomFar ? kZoomNear : kZoomFar;
  for (int i = 0; i < kObserverPoseSize; ++i) targets[i] = pose[i];
  const Vec3 c = FlyOutCentre(Midpoints(first, second.GetPointCount()));
  targets[POSE_DISTANCE] = LookDistance(CameraPosition(first), c) * state.zoomFactor;
  return true;
}

// Where an observer kind ends, moving the saved-pose state; false when the kind moves no
// observer now.
bool ObserverTargets(int kind, const double (&pose)[kObserverPoseSize], const CameraModel& first,
                     const CameraModel& second, TransitionState& state,
                     double (&targets)[kObserverPoseSize]) {
  switch (kind) {
    case TRANSITION_FIRST_VIEW:
      FlyOutOrBack(OWNER_FIRST_VIEW, pose, first, second, state, targets);
      return true;
    case TRANSITION_SECOND_VIEW:
      FlyOutOrBack(OWNER_SECOND_VIEW, pose, first, second, state, targets);
      return true;
    case TRANSITION_OVERVIEW:
      FlyOutOrBack(OWNER_OVERVIEW, pose, first, second, state, targets);
      return true;
    case TRANSITION_ZOOM:
      return ZoomTargets(pose, first, second, state, targets);
    default:
      return false;
  }
}

// The glide of the position kind: the nine values are set outright from where they are.
void PlanGlide(const CameraModel& first, const CameraModel& second,
               const double (&positionTargets)[kMaxAnimatedValues], double perUnit,
               TransitionPlan& plan) {
  plan.count = kMaxAnimatedValues;
  ReadPositionValues(first, second, plan.start);
  for (int i = 0; i < kMaxAnimatedValues; ++i) {
    plan.targets[i] = positionTargets[i];
    // From a value that is not finite (a typed "inf" scale) there is no way to glide:
    // every frame would hold NaN. The value takes its target at once instead.
    if (std::isfinite(positionTargets[i]) && !std::isfinite(positionTargets[i] - plan.start[i]))
      plan.start[i] = positionTargets[i];
    plan.increments[i] = (positionTargets[i] - plan.start[i]) * perUnit;
  }
}

// The increments of an observer flight from pose to targets. False when a target is not
// finite: points far out or not numbers (a data file may hold "nan" or 1e308) give such
// targets, and the increments, added to the observer, would keep the NaN for good.
bool PlanFlight(const double (&pose)[kObserverPoseSize], const double (&targets)[kObserverPoseSize],
                double perUnit, TransitionPlan& plan) {
  for (int i = 0; i < kObserverPoseSize; ++i)
    if (!std::isfinite(targets[i] - pose[i])) return false;
  plan.count = kObserverPoseSize;
  for (int i = 0; i < kObserverPoseSize; ++i) {
    plan.start[i] = pose[i];
    // Angles turn the short way, at most half a turn.
    const double change = IsAngle(i) ? NormalizeAngle(targets[i] - pose[i]) : targets[i] - pose[i];
    plan.targets[i] = pose[i] + change;
    plan.increments[i] = change * perUnit;
  }
  return true;
}

}  // namespace

double NormalizeAngle(double degrees) {
  // Subtracting 360 at a time would never finish for huge or infinite angles.
  if (!std::isfinite(degrees)) return 0.0;
  if (std::abs(degrees) > 1e6) degrees = std::remainder(degrees, 360.0);
  while (degrees > 180) degrees -= 360;
  while (degrees < -180) degrees += 360;
  return degrees;
}

void FillStepTable(double (&table)[kStepTableSize]) {
  double value = 0.02, increment = 0.02;
  for (double& step : table) {
    step = value;
    increment *= 1.07;
    value += increment;
  }
}

void StepProfile::Begin() {
  currentStep = table[0];
  progress = 0;
  stepIndex = 1;
  cruiseCount = 0;
  phase = PHASE_EASE_IN;
}

double StepProfile::TakeStep() {
  if (currentStep + progress > budget) currentStep = budget - progress;
  progress += currentStep;
  return currentStep;
}

void StepProfile::AdvanceAnimationStep() {
  switch (phase) {
    case PHASE_EASE_IN: {
      if (stepIndex < kStepTableSize) {
        currentStep = table[stepIndex];
        ++stepIndex;
        break;
      }
      // Cruise over what the ease-out will not cover.
      const double c = budget - progress - progress - 0.12;
      cruiseCount = static_cast<int>(c);
      if (cruiseCount < 1) {
        // A budget too small for a cruise: ease out at once instead of dividing by 0.
        phase = PHASE_EASE_OUT;
      } else {
        currentStep = c / cruiseCount;
        phase = PHASE_CRUISE;
      }
      break;
    }
    case PHASE_CRUISE:
      if (--cruiseCount < 2) phase = PHASE_EASE_OUT;
      break;
    case PHASE_EASE_OUT:
      --stepIndex;
      if (stepIndex > 0)
        currentStep = table[stepIndex];
      else if (stepIndex >= -3)
        currentStep = 0.02;
      else if (stepIndex >= -7)
        currentStep = 0.01;
      else
        currentStep = 0.005;
      break;
  }
}

Vec3 FlyOutCentre(const std::vector<Vec3>& midpoints) {
  if (midpoints.empty()) return {};
  Vec3 sum;
  for (const Vec3& m : midpoints) sum.x += m.x, sum.y += m.y, sum.z += m.z;
  const double n = static_cast<double>(midpoints.size());
  return {sum.x / n, sum.y / n, -sum.z / n};
}

double LookDistance(const Vec3& p, const Vec3& c) {
  const double dx = p.x - c.x, dy = p.y - c.y, dz = p.z - c.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void LookAngles(const Vec3& q, const Vec3& c, double& azimuth, double& altitude) {
  const double dx = -q.x - c.x, dy = -q.y - c.y, dz = -q.z - c.z;
  azimuth = (kPi - std::atan2(dx, dz)) * kDegreesPerRadian;
  altitude = std::atan2(-dy, std::sqrt(dx * dx + dz * dz)) * kDegreesPerRadian;
}

float ViewScale(float scale) {
  return std::isfinite(scale) ? scale : 0.0f;
}

void SetPositionValues(const double (&v)[kPositionTargetCount], CameraModel& first,
                       CameraModel& second) {
  second.SetAzAlt(v[POS_AZIMUTH], v[POS_ALTITUDE]);
  second.SetRotation(v[POS_ROTATION]);
  second.SetFocalLength(v[POS_FOCAL_LENGTH]);
  first.SetDistance(v[POS_FIRST_DISTANCE]);
  second.SetDistance(v[POS_SECOND_DISTANCE]);
  second.SetPanTilt(v[POS_PAN], v[POS_TILT]);
  const float scale = ViewScale(static_cast<float>(v[POS_SCALE]));
  first.SetScale(scale);
  second.SetScale(scale);
}

void ReadPositionValues(const CameraModel& first, const CameraModel& second,
                        double (&values)[kMaxAnimatedValues]) {
  second.GetAzAlt(values[POS_AZIMUTH], values[POS_ALTITUDE]);
  values[POS_ROTATION] = second.GetRotation();
  values[POS_FOCAL_LENGTH] = second.GetFocalLength();
  values[POS_FIRST_DISTANCE] = first.GetDistance();
  values[POS_SECOND_DISTANCE] = second.GetDistance();
  second.GetPanTilt(values[POS_PAN], values[POS_TILT]);
  values[POS_SCALE] = second.GetScale();
}

bool PlanTransition(int kind, const double (&pose)[kObserverPoseSize], const CameraModel& first,
                    const CameraModel& second, const double (&positionTargets)[kMaxAnimatedValues],
                    const double (&stepTable)[kStepTableSize], int budget, TransitionState& state,
                    TransitionPlan& plan) {
  plan = TransitionPlan{};
  plan.kind = kind;
  plan.budget = budget;
  for (int i = 0; i < kStepTableSize; ++i) plan.stepTable[i] = stepTable[i];
  // With no budget there are no frames; the increments stay 0 rather than infinite.
  const double perUnit = budget > 0 ? 1.0 / budget : 0.0;

  if (kind == TRANSITION_POSITION) {
    PlanGlide(first, second, positionTargets, perUnit, plan);
    return true;
  }
  // Restored when the targets turn out unusable, so that nothing has changed then.
  const TransitionState stateBefore = state;
  double targets[kObserverPoseSize] = {};
  if (!ObserverTargets(kind, pose, first, second, state, targets)) return false;
  if (!PlanFlight(pose, targets, perUnit, plan)) {
    state = stateBefore;
    plan = TransitionPlan{};
    return false;
  }
  return true;
}

CameraTransitionWorker::CameraTransitionWorker(Hooks hooks) : hooks_(std::move(hooks)) {}

CameraTransitionWorker::~CameraTransitionWorker() {
  Stop();
}

void CameraTransitionWorker::StartCameraAnimation() {
  JoinFinished();
  auto done = std::make_shared<std::atomic<bool>>(false);
  ++live_;
  threads_.push_back({std::thread([this, done] {
                        CameraAnimationThread();
                        // Nothing of this object is touched after this point.
                        done->store(true);
                        --live_;
                      }),
                      done});
}

bool CameraTransitionWorker::Busy() {
  return g_transitionBusy.test();
}

bool CameraTransitionWorker::Waiting() {
  return g_transitionWaiting.test();
}

unsigned CameraTransitionWorker::CameraAnimationThread() {
  if (g_transitionWaiting.test()) return 0;  // one already waits: this request is dropped
  if (g_transitionBusy.test_and_set()) {
    if (g_transitionWaiting.test_and_set()) return 0;
    while (g_transitionBusy.test_and_set()) {
      if (stop_) {
        g_transitionWaiting.clear();
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    g_transitionWaiting.clear();
  }
  RunCameraAnimation();
  g_transitionBusy.clear();
  return 0;
}

void CameraTransitionWorker::RunCameraAnimation() {
  TransitionPlan plan;
  if (stop_ || !hooks_.prepare || !hooks_.prepare(plan)) return;
  if (plan.budget <= 0 || plan.count <= 0 || plan.count > kMaxAnimatedValues) return;
  const int pause = fixedPauseMs >= 0 ? fixedPauseMs : 1000 / plan.budget;

  StepProfile profile;
  profile.table = plan.stepTable;
  profile.budget = plan.budget;
  profile.Begin();
  TransitionFrame frame;
  frame.kind = plan.kind;
  frame.count = plan.count;
  double running[kMaxAnimatedValues];
  for (int i = 0; i < plan.count; ++i) running[i] = plan.start[i];
  const bool absolute = !plan.ObserverKind();

  do {
    if (stop_) return;
    const double step = profile.TakeStep();
    for (int i = 0; i < plan.count; ++i) {
      const double change = plan.increments[i] * step;
      running[i] += change;
      frame.values[i] = absolute ? running[i] : change;
    }
    profile.AdvanceAnimationStep();
    // The values set outright land on their targets, not a rounding error away (a scale
    // of 1e-17 instead of 0 would blow the image plane up).
    if (absolute && profile.Finished())
      for (int i = 0; i < plan.count; ++i) frame.values[i] = plan.targets[i];
    if (hooks_.apply) hooks_.apply(frame);
    if (!Pause(pause)) return;
  } while (!profile.Finished());
}

bool CameraTransitionWorker::Pause(int ms) {
  std::unique_lock lock(pauseMutex_);
  return !pauseWake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

void CameraTransitionWorker::Stop(const std::function<void()>& whileWaiting) {
  {
    std::lock_guard lock(pauseMutex_);
    stop_ = true;
  }
  pauseWake_.notify_all();
  while (live_.load() > 0) {
    if (whileWaiting) whileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (Thread& t : threads_) t.thread.join();
  threads_.clear();
  stop_ = false;
}

void CameraTransitionWorker::JoinFinished() {
  for (auto it = threads_.begin(); it != threads_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = threads_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace velmora
