#pragma once
// Undo and redo of what a user explores by: both cameras' seven parameters and the
// observer. One entry per gesture (a drag, a flight, a typed value, a run of wheel steps),
// bounded. Also the pose bookmarks. Core code: no Qt, no OpenGL.

#include <cstddef>
#include <deque>
#include <string>

#include "camera/CameraModel.h"
#include "render/FrameState.h"
#include "render/Workbench.h"

namespace velmora {

struct Pose {
  CameraParams cameras[2];
  ObserverPose observer;
  bool operator==(const Pose&) const = default;
};

// The workbench's cameras with the observer given.
Pose CurrentPose(const Workbench& workbench, const ObserverPose& observer);
// Both cameras take the parameters, are recomputed and what they make stale is recoloured;
// the observer is the caller's to set.
void SetCameras(Workbench& workbench, const CameraParams (&cameras)[2]);

// The pose a fraction t of the way from a to b (0: a, 1: b), every number straight
// between: a glide to a bookmark.
Pose PoseBetween(const Pose& a, const Pose& b, double t);

// A stored pose and what it showed: where both cameras stood and the error.
struct PoseBookmark {
  bool stored = false;
  Pose pose;
  Vec3 centres[2];
  double error = 0;
};
PoseBookmark MarkPose(const Workbench& workbench, const ObserverPose& observer);

// One line saying how the workbench differs from the bookmark named name: for each view
// whose camera differs, its azimuth, altitude and rotation in degrees and how far its
// centre moved; then the error now and the bookmark's. Empty when nothing is stored.
std::string BookmarkDifference(const Workbench& workbench, const PoseBookmark& mark,
                               const std::string& name);

class PoseHistory {
 public:
  explicit PoseHistory(std::size_t limit = 100) : limit_(limit) {}

  // A gesture starts at pose now. Gestures of one nonzero run, each starting within
  // kRunMs of the one before, make one entry (a run of wheel steps); 0 for a gesture of
  // its own. A gesture that ends where it began leaves no entry.
  static constexpr long long kRunMs = 800;
  void Begin(const Pose& now, int run = 0, long long timeMs = 0);
  // False when there is nothing to go back (forward) to; else the pose to show, with now
  // kept for the way back.
  bool Undo(const Pose& now, Pose& back);
  bool Redo(const Pose& now, Pose& forward);
  std::size_t UndoCount(const Pose& now) const;

 private:
  // Closes the open gesture: dropped when it changed nothing, else it ends what was undone.
  void Settle(const Pose& now);

  std::size_t limit_;
  std::deque<Pose> undo_, redo_;
  bool open_ = false;
  int run_ = 0;
  long long runTime_ = 0;
};

}  // namespace velmora
