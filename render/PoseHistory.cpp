#include "render/PoseHistory.h"

#include <cmath>
#include <cstdio>

#include "render/ObserverMath.h"

namespace velmora {

namespace {

constexpr double ObserverPose::*kObserver[] = {
    &ObserverPose::distance, &ObserverPose::offsetX, &ObserverPose::offsetY, &ObserverPose::offsetZ,
    &ObserverPose::angleX,   &ObserverPose::angleY,  &ObserverPose::angleZ};

double Between(double a, double b, double t) {
  return t >= 1 ? b : a + (b - a) * t;
}

}  // namespace

Pose CurrentPose(const Workbench& workbench, const ObserverPose& observer) {
  Pose pose;
  for (int i = 0; i < 2; ++i) pose.cameras[i] = workbench.View(i).GetParams();
  pose.observer = observer;
  return pose;
}

void SetCameras(Workbench& workbench, const CameraParams (&cameras)[2]) {
  // Both poses go in before either view recomputes: each reads the other.
  for (int i = 0; i < 2; ++i) workbench.View(i).SetParams(cameras[i]);
  for (int i = 0; i < 2; ++i) workbench.View(i).UpdateCamera(VIEW_ALL);
  workbench.RecolourAfterViewChange(VIEW_ALL);
}

Pose PoseBetween(const Pose& a, const Pose& b, double t) {
  Pose pose = b;
  for (int i = 0; i < 2; ++i)
    for (auto member : kCameraParamMembers)
      pose.cameras[i].*member = Between(a.cameras[i].*member, b.cameras[i].*member, t);
  for (auto member : kObserver)
    pose.observer.*member = Between(a.observer.*member, b.observer.*member, t);
  return pose;
}

PoseBookmark MarkPose(const Workbench& workbench, const ObserverPose& observer) {
  PoseBookmark mark;
  mark.stored = true;
  mark.pose = CurrentPose(workbench, observer);
  for (int i = 0; i < 2; ++i) mark.centres[i] = workbench.View(i).cameraPosition;
  mark.error = workbench.Error();
  return mark;
}

std::string BookmarkDifference(const Workbench& workbench, const PoseBookmark& mark,
                               const std::string& name) {
  if (!mark.stored) return {};
  std::string text = name + ":";
  char part[160];
  for (int i = 0; i < 2; ++i) {
    const CameraParams& now = workbench.View(i).GetParams();
    const CameraParams& then = mark.pose.cameras[i];
    if (now == then) continue;
    const Vec3 d = Sub(workbench.View(i).cameraPosition, mark.centres[i]);
    std::snprintf(part, sizeof part, " %s view %+.2f/%+.2f/%+.2f deg, centre %.3g off;",
                  i == 0 ? "first" : "second", (now.azimuth - then.azimuth) * kDegreesPerRadian,
                  (now.altitude - then.altitude) * kDegreesPerRadian,
                  (now.rotation - then.rotation) * kDegreesPerRadian, std::sqrt(Dot(d, d)));
    text += part;
  }
  std::snprintf(part, sizeof part, " error %.4f (there %.4f)", workbench.Error(), mark.error);
  return text + part;
}

void PoseHistory::Settle(const Pose& now) {
  if (!open_) return;
  open_ = false;
  if (undo_.back() == now)
    undo_.pop_back();
  else
    redo_.clear();
}

void PoseHistory::Begin(const Pose& now, int run, long long timeMs) {
  const bool continuesRun = open_ && run != 0 && run == run_ && timeMs - runTime_ <= kRunMs;
  run_ = run;
  runTime_ = timeMs;
  if (continuesRun) return;
  Settle(now);
  undo_.push_back(now);
  open_ = true;
  if (undo_.size() > limit_) undo_.pop_front();
}

bool PoseHistory::Undo(const Pose& now, Pose& back) {
  Settle(now);
  run_ = 0;
  if (undo_.empty()) return false;
  back = undo_.back();
  undo_.pop_back();
  redo_.push_back(now);
  return true;
}

bool PoseHistory::Redo(const Pose& now, Pose& forward) {
  Settle(now);
  run_ = 0;
  if (redo_.empty()) return false;
  forward = redo_.back();
  redo_.pop_back();
  undo_.push_back(now);
  return true;
}

std::size_t PoseHistory::UndoCount(const Pose& now) const {
  return undo_.size() - (open_ && undo_.back() == now ? 1 : 0);
}

}  // namespace velmora
