#pragma once
// Animated camera transitions: the observer flies to a view's viewpoint, to the overview
// pose or changes its zoom, or the second view glides to the values of the position file.
//
// The arithmetic (step profile, targets, saved-pose state) is pure and lives here with the
// worker that paces the frames. The worker never touches a window: it asks its host to
// plan a transition and to apply each frame, and the host does both on its own thread
// (the main window hands them to the user-interface thread), so a paint never sees half a
// frame.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "camera/CameraModel.h"
#include "camera/PositionFile.h"

namespace velmora {

inline constexpr int kStepTableSize = 22;
inline constexpr int kDefaultFrameBudget = 25;
inline constexpr int kObserverPoseSize = 7;
inline constexpr int kMaxAnimatedValues = 9;

enum TransitionKind : int {
  TRANSITION_FIRST_VIEW = 1,   // fly to the first view's viewpoint and back
  TRANSITION_SECOND_VIEW = 2,  // fly to the second view's viewpoint and back
  TRANSITION_POSITION = 3,     // glide the second view to the position file's values
  TRANSITION_ZOOM = 4,         // toggle the zoom of a fly-out
  TRANSITION_OVERVIEW = 5,     // fly to the overview pose and back
};

// Who owns the saved observer pose.
enum SavedPoseOwner : int {
  OWNER_HOME = 0,
  OWNER_FIRST_VIEW = 1,
  OWNER_SECOND_VIEW = 2,
  OWNER_OVERVIEW = 3,
};

// The observer pose in the order it is saved.
enum PoseField : int {
  POSE_DISTANCE = 0,
  POSE_OFFSET_X,
  POSE_OFFSET_Y,
  POSE_OFFSET_Z,
  POSE_ANGLE_X,
  POSE_ANGLE_Y,
  POSE_ANGLE_Z,
};

inline constexpr double kZoomNear = 0.84;
inline constexpr double kZoomFar = 0.9999;

// Brings an angle in degrees into [-180, 180]; both ends are kept as they are.
double NormalizeAngle(double degrees);

// Entry i is 0.02 * (1 + 1.07 + ... + 1.07^i).
void FillStepTable(double (&table)[kStepTableSize]);

// The stages of a transition's pace.
enum StepPhase : int {
  PHASE_EASE_IN = 0,   // up the step table
  PHASE_CRUISE = 1,    // equal steps over what the ease-out will not cover
  PHASE_EASE_OUT = 2,  // back down the table, then small constant steps
};

// The pace of one transition: ease-in along the table, cruise, ease-out back down it.
struct StepProfile {
  const double* table = nullptr;  // kStepTableSize entries
  int budget = kDefaultFrameBudget;
  double currentStep = 0, progress = 0;
  int stepIndex = 0, cruiseCount = 0;
  StepPhase phase = PHASE_EASE_IN;

  void Begin();
  // The step of the coming frame, cut so that the last one lands exactly on the budget;
  // adds it to the progress.
  double TakeStep();
  // Chooses the step of the next frame.
  void AdvanceAnimationStep();
  bool Finished() const { return progress >= budget; }
};

// The centre a fly-out looks at: the mean of the midpoints with its z negated. With no
// points it is the origin (a mean of nothing would put NaN into the observer for good).
Vec3 FlyOutCentre(const std::vector<Vec3>& midpoints);
double LookDistance(const Vec3& cameraPosition, const Vec3& centre);
// Observer azimuth and altitude, in degrees, that look from a camera at the centre.
void LookAngles(const Vec3& cameraPosition, const Vec3& centre, double& azimuth, double& altitude);

// The scale the views and the Scale box get: the value itself, 0 included (the views draw
// 0 at scale 1, as the scene does). A value that is not finite (1e39 in the position file
// is infinite as a float) cannot be drawn and counts as 0.
float ViewScale(float scale);

// Where a glide to the position file puts the views: the nine values on the parameters
// they drive, the scale as ViewScale gives it. Stores only; the caller recomputes.
void SetPositionValues(const double (&values)[kPositionTargetCount], CameraModel& first,
                       CameraModel& second);

// The saved-pose state of the main window; planning a transition moves it.
struct TransitionState {
  int savedPoseOwner = OWNER_HOME;
  double savedPose[kObserverPoseSize] = {};
  double zoomFactor = kZoomNear;
};

// What one transition animates. Observer kinds move the seven pose fields by increments
// added to whatever the fields hold (a drag during the flight adds to it); the position
// kind sets the nine values of the position file absolutely.
struct TransitionPlan {
  int kind = 0;
  int count = 0;  // animated values: 7 for the observer, 9 for the position
  double start[kMaxAnimatedValues] = {};
  double targets[kMaxAnimatedValues] = {};
  double increments[kMaxAnimatedValues] = {};  // per unit of progress
  double stepTable[kStepTableSize] = {};
  int budget = kDefaultFrameBudget;
  bool ObserverKind() const { return kind != TRANSITION_POSITION; }
};

// The current values the position kind glides from, in the order of the position file.
void ReadPositionValues(const CameraModel& first, const CameraModel& second,
                        double (&values)[kMaxAnimatedValues]);

// Decides what a transition of this kind does from the current observer pose and views,
// and moves the saved-pose state. False when it does nothing (unknown kind, the zoom with
// no fly-out in effect, or an observer target that is not finite; the state is then left
// as it was). budget and stepTable are copied into the plan.
bool PlanTransition(int kind, const double (&pose)[kObserverPoseSize], const CameraModel& first,
                    const CameraModel& second, const double (&positionTargets)[kMaxAnimatedValues],
                    const double (&stepTable)[kStepTableSize], int budget, TransitionState& state,
                    TransitionPlan& plan);

// One frame handed to the host.
struct TransitionFrame {
  int kind = 0;
  int count = 0;
  // Observer kinds: this frame's change of each pose field. Position kind: the values.
  double values[kMaxAnimatedValues] = {};
};

// Runs transitions on worker threads: at most one runs and one waits behind it; a request
// made while one waits is dropped. The hooks are called on the worker thread; the host
// decides where their work happens.
class CameraTransitionWorker {
 public:
  struct Hooks {
    // Plans the transition when it starts (so a waiting request runs the kind stored
    // last). False: nothing to animate.
    std::function<bool(TransitionPlan&)> prepare;
    // Applies one frame and repaints.
    std::function<void(const TransitionFrame&)> apply;
  };

  explicit CameraTransitionWorker(Hooks hooks);
  ~CameraTransitionWorker();
  CameraTransitionWorker(const CameraTransitionWorker&) = delete;
  CameraTransitionWorker& operator=(const CameraTransitionWorker&) = delete;

  // Starts a worker and returns at once.
  void StartCameraAnimation();
  // Ends running and waiting transitions and joins their threads. whileWaiting runs
  // between short waits: a host whose hooks block until another thread serves them must
  // serve them there, or the two would wait for each other.
  void Stop(const std::function<void()>& whileWaiting = {});
  bool Stopping() const { return stop_.load(); }
  // No worker is alive.
  bool Idle() const { return live_.load() == 0; }
  // A transition runs; one waits behind it (process-wide).
  static bool Busy();
  static bool Waiting();
  // The pause after each frame is 1000 / budget ms; a value of 0 or more set before the
  // first start replaces it (tests of the pacing-free logic).
  int fixedPauseMs = -1;

 private:
  struct Thread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  unsigned CameraAnimationThread();
  void RunCameraAnimation();
  // Sleeps; false when asked to stop meanwhile.
  bool Pause(int ms);
  void JoinFinished();

  Hooks hooks_;
  std::atomic<bool> stop_{false};
  std::atomic<int> live_{0};
  std::mutex pauseMutex_;
  std::condition_variable pauseWake_;
  std::vector<Thread> threads_;  // touched by the starting thread only
};

}  // namespace velmora
