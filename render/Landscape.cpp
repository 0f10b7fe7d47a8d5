#include "render/Landscape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include "base/Notify.h"
#include "render/MapKernel.h"
#include "render/MapThreads.h"
#include "render/MapTrials.h"
#include "render/MapWatch.h"

namespace velmora {

namespace {

constexpr const char* kParamNames[kCameraParamCount] = {"azimuth",  "altitude", "rotation", "focal",
                                                        "distance", "pan",      "tilt"};

// The ladder's rungs per decade, and its lowest and highest rung as shares of the range.
constexpr int kRungsPerDecade = 2;
constexpr int kLowestDecade = -6, kHighestDecade = -1;

// What a silent recomputation changes in a view; put back as it was.
struct ViewSnapshot {
  explicit ViewSnapshot(const CameraModel& v)
      : params(v.GetParams()),
        position(v.cameraPosition),
        planePoints(v.planePoints),
        rayPoints(v.rayPoints) {
    std::copy(&v.orbitMatrix[0][0], &v.orbitMatrix[0][0] + 9, orbit.begin());
    std::copy(&v.lookMatrix[0][0], &v.lookMatrix[0][0] + 9, look.begin());
  }
  void Restore(CameraModel& v) const {
    v.SetParams(params);
    std::copy(orbit.begin(), orbit.end(), &v.orbitMatrix[0][0]);
    std::copy(look.begin(), look.end(), &v.lookMatrix[0][0]);
    v.cameraPosition = position;
    v.planePoints = planePoints;
    v.rayPoints = rayPoints;
  }
  void RestoreRays(CameraModel& v) const {
    std::copy(rayPoints.begin(), rayPoints.end(), v.rayPoints.begin());
  }

  CameraParams params;
  std::array<double, 9> orbit, look;
  Vec3 position;
  std::vector<Vec3> planePoints, rayPoints;
};

// The pair loop applies when one view moves, the two are linked to each other with the same
// pairs, and no pair can be rejected (a rejection leaves later pairs as they were, which
// only the model's own recomputation reproduces).
bool FastPathApplies(const CameraModel& first, const CameraModel& second,
                     const std::vector<LandscapeAxis>& axes) {
  for (const LandscapeAxis& a : axes)
    if (a.view != axes.front().view) return false;
  const CameraModel& moving = axes.front().view == 0 ? first : second;
  if (first.otherView != &second || second.otherView != &first || moving.skipNegativeST)
    return false;
  const int count = first.imagePointCount;
  if (count <= 0 || second.imagePointCount != count) return false;
  const auto n = static_cast<std::size_t>(count);
  return HoldsPoints(first, n) && HoldsPoints(second, n);
}

// The parameters of view at one point: its own, with the point's offsets along its axes.
CameraParams ParamsAt(const CameraParams& current, int view, const std::vector<LandscapeAxis>& axes,
                      const double* point) {
  CameraParams p = current;
  for (std::size_t k = 0; k < axes.size(); ++k)
    if (axes[k].view == view)
      SetCameraParam(p, axes[k].param, GetCameraParam(current, axes[k].param) + point[k]);
  return p;
}

bool AllZero(const double* point, std::size_t count) {
  return std::all_of(point, point + count, [](double v) { return v == 0; });
}

void ScoreFast(const CameraModel& moving, const std::vector<LandscapeAxis>& axes,
               const std::vector<double>& offsets, ErrorKind kind, const MapSettings& settings,
               MapWatch& watch, std::vector<double>& errors) {
  // The direction map's table keeps the image points as they are and takes every rotation,
  // centre and focal length from the trial's frame, so it serves any of the parameters.
  PairTable t;
  BuildPairTable(MapKind::kDirections, moving, settings.kernel, t);
  const std::size_t dims = axes.size(), points = errors.size();
  std::vector<TrialWorker> workers(MapWorkerCount(settings.threads, points, t.n));
  for (TrialWorker& w : workers) w.CopyCamera(moving);
  const CameraParams current = moving.GetParams();
  const int view = axes.front().view;
  RunInBlocks(points, workers.size(), watch, [&](std::size_t worker, std::size_t i) {
    const double* point = &offsets[i * dims];
    if (AllZero(point, dims)) return;  // read from the cameras as they stand
    const TrialResult r = workers[worker].TrialWithParams(t, ParamsAt(current, view, axes, point));
    errors[i] = TrialError(t, kind, std::log(std::sqrt(r.sum)), r.baseline);
  });
}

void ScorePlainly(CameraModel* views[2], const std::vector<LandscapeAxis>& axes,
                  const std::vector<double>& offsets, ErrorKind kind, MapWatch& watch,
                  std::vector<double>& errors) {
  const ViewSnapshot saved[2] = {ViewSnapshot(*views[0]), ViewSnapshot(*views[1])};
  bool moves[2] = {false, false};
  for (const LandscapeAxis& a : axes) moves[a.view] = true;
  const bool rejects = views[0]->skipNegativeST || views[1]->skipNegativeST;
  const std::size_t dims = axes.size();
  for (std::size_t i = 0; i < errors.size() && !watch.Stopped(); watch.Tick(i++)) {
    const double* point = &offsets[i * dims];
    if (AllZero(point, dims)) continue;
    for (int v = 0; v < 2; ++v)
      if (moves[v]) views[v]->SetParams(ParamsAt(saved[v].params, v, axes, point));
    for (int v = 0; v < 2; ++v)
      if (moves[v]) views[v]->UpdateCamera(0);
    errors[i] = views[1]->ReconstructionError(kind);
    // After a rejection the later pairs keep what they held: every trial starts from the
    // rays as they stand.
    if (rejects)
      for (int v = 0; v < 2; ++v) saved[v].RestoreRays(*views[v]);
  }
  for (int v = 0; v < 2; ++v) saved[v].Restore(*views[v]);
}

}  // namespace

const char* CameraParamName(CameraParam param) {
  return kParamNames[static_cast<int>(param)];
}

bool ParseCameraParam(const std::string& text, CameraParam& param) {
  for (int k = 0; k < kCameraParamCount; ++k)
    if (text == kParamNames[k]) {
      param = static_cast<CameraParam>(k);
      return true;
    }
  return false;
}

double GetCameraParam(const CameraParams& p, CameraParam param) {
  return p.*kCameraParamMembers[static_cast<int>(param)];
}

void SetCameraParam(CameraParams& p, CameraParam param, double value) {
  p.*kCameraParamMembers[static_cast<int>(param)] = value;
}

std::vector<double> GridOffsets(double range, int steps) {
  std::vector<double> grid;
  if (steps == 1) grid.push_back(0);
  // Each point from its own index, so the middle one of an odd count is exactly 0.
  for (int i = 0; steps > 1 && i < steps; ++i)
    grid.push_back(range * (2.0 * i - (steps - 1)) / (steps - 1));
  return grid;
}

std::vector<double> ProfileOffsets(double range, int steps) {
  std::vector<double> offsets = GridOffsets(range, steps);
  offsets.push_back(0);
  for (int r = kLowestDecade * kRungsPerDecade; r <= kHighestDecade * kRungsPerDecade; ++r) {
    const double rung = range * std::pow(10.0, static_cast<double>(r) / kRungsPerDecade);
    offsets.push_back(rung);
    offsets.push_back(-rung);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  return offsets;
}

std::vector<double> ScoreLandscape(CameraModel& first, CameraModel& second,
                                   const std::vector<LandscapeAxis>& axes,
                                   const std::vector<double>& offsets, ErrorKind kind,
                                   const MapSettings& settings) {
  std::vector<double> errors;
  if (axes.empty()) return errors;
  ResizeOrDie(errors, offsets.size() / axes.size(), second.ReconstructionError(kind));
  CameraModel* views[2] = {&first, &second};
  MapWatch watch(settings.progress, errors.size(), second.imagePointCount);
  if (!watch.Ask(0)) return errors;
  ClearUpperVectorState();
  if (FastPathApplies(first, second, axes))
    ScoreFast(*views[axes.front().view], axes, offsets, kind, settings, watch, errors);
  else
    ScorePlainly(views, axes, offsets, kind, watch, errors);
  ClearUpperVectorState();
  return errors;
}

namespace {

std::vector<LandscapeSample> Samples(CameraModel& first, CameraModel& second,
                                     const std::vector<LandscapeAxis>& axes,
                                     const std::vector<double>& offsets, ErrorKind kind,
                                     const MapSettings& settings) {
  const std::vector<double> errors = ScoreLandscape(first, second, axes, offsets, kind, settings);
  CameraModel* views[2] = {&first, &second};
  std::vector<LandscapeSample> samples(errors.size());
  for (std::size_t i = 0; i < errors.size(); ++i) {
    LandscapeSample& s = samples[i];
    const double* point = &offsets[i * axes.size()];
    s.offset = point[0];
    s.value = GetCameraParam(views[axes[0].view]->GetParams(), axes[0].param) + s.offset;
    if (axes.size() > 1) {
      s.offset2 = point[1];
      s.value2 = GetCameraParam(views[axes[1].view]->GetParams(), axes[1].param) + s.offset2;
    }
    s.error = errors[i];
    s.rejected = errors[i] >= kRejectedScore;
  }
  return samples;
}

}  // namespace

const char* ViewLabel(int view) {
  return view == 0 ? "first view" : "second view";
}

LandscapeFigure DescribeLandscape(const CameraModel& first, const CameraModel& second,
                                  std::vector<LandscapeSample> samples, ErrorKind kind,
                                  const LandscapeAxis& axis, const LandscapeAxis* axis2) {
  const CameraModel* views[2] = {&first, &second};
  LandscapeFigure f;
  f.samples = std::move(samples);
  f.kind = kind;
  f.label = std::string(ViewLabel(axis.view)) + " " + CameraParamName(axis.param);
  f.current = GetCameraParam(views[axis.view]->GetParams(), axis.param);
  if (axis2 != nullptr) {
    f.slice = true;
    f.label2 = std::string(ViewLabel(axis2->view)) + " " + CameraParamName(axis2->param);
    f.current2 = GetCameraParam(views[axis2->view]->GetParams(), axis2->param);
    f.columns = std::max(axis.steps, 1);
    f.rows = std::max(axis2->steps, 1);
  }
  for (int v = 0; v < 2; ++v) {
    std::string line = std::string(ViewLabel(v)) + ":";
    for (int k = 0; k < kCameraParamCount; ++k) {
      const auto param = static_cast<CameraParam>(k);
      const bool moving = (axis.view == v && axis.param == param) ||
                          (axis2 != nullptr && axis2->view == v && axis2->param == param);
      if (moving) continue;
      char value[32];
      std::snprintf(value, sizeof value, "%.4g", GetCameraParam(views[v]->GetParams(), param));
      line += std::string(line.back() == ':' ? " " : ", ") + CameraParamName(param) + " " + value;
    }
    f.fixed.push_back(line);
  }
  return f;
}

std::vector<LandscapeSample> ComputeProfile(CameraModel& first, CameraModel& second,
                                            const LandscapeAxis& axis, ErrorKind kind,
                                            const MapSettings& settings) {
  return Samples(first, second, {axis}, ProfileOffsets(axis.range, axis.steps), kind, settings);
}

std::vector<LandscapeSample> ComputeSlice(CameraModel& first, CameraModel& second,
                                          const LandscapeAxis& axis, const LandscapeAxis& axis2,
                                          ErrorKind kind, const MapSettings& settings) {
  const std::vector<double> g1 = GridOffsets(axis.range, axis.steps);
  const std::vector<double> g2 = GridOffsets(axis2.range, axis2.steps);
  std::vector<double> offsets;
  offsets.reserve(2 * g1.size() * g2.size());
  for (double b : g2)
    for (double a : g1) offsets.push_back(a), offsets.push_back(b);
  return Samples(first, second, {axis, axis2}, offsets, kind, settings);
}

}  // namespace velmora
