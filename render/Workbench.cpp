#include "render/Workbench.h"

#include <new>

#include "base/Notify.h"
#include "camera/CameraTransitions.h"
#include "data/DataFiles.h"
#include "render/ErrorMaps.h"
#include "render/MapWatch.h"

namespace velmora {

namespace {
// How the map progress names the main sphere's map.
constexpr const char* kMainSphereStep = "Main sphere";
}  // namespace

Workbench::Workbench(CameraModel& first, CameraModel& second) : views_{&first, &second} {
  first.otherView = &second;
  second.otherView = &first;
}

int Workbench::LoadSampleSpheres(const std::function<void(int)>& announce, LoadProgress* progress) {
  for (FstShape*& slot : loadedSpheres) slot = nullptr;
  loadedSphereCount = 0;
  for (int k = 0; k < kSampleSphereCount; ++k) {
    FstShape& sphere = sampleSpheres[k];
    if (sphere.Load(FindDataFile(kSampleSpheres[k].fileName), progress) <= 0)
      continue;  // Load has said why
    if (announce) announce(kSampleSpheres[k].vertexCount);
    loadedSpheres[loadedSphereCount++] = &sphere;
    AllocateVertexColours(sphere);
    MapScoreOverPositions(sphere, Second(), nullptr, nullptr, mapSettings);
  }
  return loadedSphereCount;
}

int Workbench::LoadedPosition(int tableIndex) const {
  if (tableIndex < 0 || tableIndex >= kSampleSphereCount) return -1;
  for (int k = 0; k < loadedSphereCount; ++k)
    if (loadedSpheres[k] == &sampleSpheres[tableIndex]) return k;
  return -1;
}

void Workbench::LoadPointPairs(const VectorData& data) {
  // Both views' arrays are made before either view changes (this may throw).
  PointArrays first = MakePointArrays(data.count), second = MakePointArrays(data.count);
  StoreImagePoints(First(), std::move(first), data.firstX.data(), data.firstY.data());
  StoreImagePoints(Second(), std::move(second), data.secondX.data(), data.secondY.data());
  First().UpdateCamera(VIEW_ALL);
  Second().UpdateCamera(VIEW_ALL);
  pairColourStart = PairColoursDrawn();
  for (int i = 0; i < data.count; ++i) {
    const Vec3 colour = NextPairColor();
    const auto k = static_cast<std::size_t>(i);
    First().pointColors[k] = colour;
    Second().pointColors[k] = colour;
  }
}

bool Workbench::LoadDataFile(const std::string& path, bool* lowMemory) {
  VectorData data;
  bool low = false;
  bool loaded = ReadVectorData(path, data, &low);
  if (loaded) {
    try {
      LoadPointPairs(data);
    } catch (const std::bad_alloc&) {
      ShowMessage("Low memory!");
      loaded = false;
      low = true;
    }
  }
  if (lowMemory != nullptr) *lowMemory = low;
  return loaded;
}

void Workbench::ApplyPositionTargets(const double (&targets)[kPositionTargetCount],
                                     const std::function<void()>& showValues) {
  SetPositionValues(targets, First(), Second());
  if (showValues) showValues();
  First().UpdateCamera(VIEW_ALL);
  Second().UpdateCamera(VIEW_ALL);
}

void Workbench::RecolourAfterViewChange(int mask) {
  SetVerticesFromViews(fstObject, First(), Second());
  // Every map reads both views' whole poses (the position map scores the second view
  // against the first, a pan/tilt map turns one view and scores against the other), and
  // the mask does not say which view changed: any change remaps all, and the maps' memo
  // skips those whose inputs are as they were.
  if (mask == 0) return;
  MapSpheres(mainSphere);
}

void Workbench::MapShownPanTiltSpheres() {
  MapSpheres(nullptr);
}

void Workbench::MapSpheres(FstShape* main) {
  FstShape* panTilt[2] = {};
  for (int i = 0; i < 2; ++i)
    if (!showsPanTiltSphere || showsPanTiltSphere(i)) panTilt[i] = panTiltSpheres_[i];
  MapRun run(mapSettings.progress, {{kMainSphereStep, main},
                                    {"First view's Pan/Tilt sphere", panTilt[0]},
                                    {"Second view's Pan/Tilt sphere", panTilt[1]}});
  if (main != nullptr) {
    run.Enter(0);
    MapScoreOverPositions(*main, Second(), nullptr, MemoOf(main), mapSettings);
  }
  for (int i = 0; i < 2; ++i)
    if (panTilt[i] != nullptr) {
      run.Enter(1 + i);
      MapScoreOverDirections(*panTilt[i], View(i), Second(), nullptr, &panTiltMemos_[i],
                             mapSettings);
    }
}

void Workbench::SelectMainSphere(int index, bool on) {
  mainSphere = nullptr;
  if (!on || index < 0 || index >= loadedSphereCount) return;
  mainSphere = loadedSpheres[index];
  SetDistanceMode(distanceMode);
}

void Workbench::SetDistanceMode(bool on) {
  distanceMode = on;
  if (mainSphere == nullptr) return;
  MapRun run(mapSettings.progress, {{kMainSphereStep, mainSphere}});
  run.Enter(0);
  SetRadialScore(*mainSphere, distanceMode, Second(), MemoOf(mainSphere), mapSettings);
}

void Workbench::SetErrorKind(ErrorKind kind) {
  if (kind == mapSettings.error) return;
  mapSettings.error = kind;
  // The memos know the kind, so only the maps of the new kind are computed.
  RecolourAfterViewChange(VIEW_ALL);
}

int Workbench::MainSphereVertexCount() const {
  for (int k = 0; k < kSampleSphereCount; ++k)
    if (mainSphere == &sampleSpheres[k]) return kSampleSpheres[k].vertexCount;
  return 0;
}

bool Workbench::MainSphereScoreRange(double& min, double& max) const {
  const ErrorMapMemo* memo = MemoOf(mainSphere);
  double lo = 0, hi = 0;
  if (memo == nullptr || !memo->LastRange(lo, hi)) return false;
  min = lo;
  max = hi;
  return true;
}

ErrorMapMemo* Workbench::MemoOf(const FstShape* shape) {
  for (int k = 0; k < kSampleSphereCount; ++k)
    if (shape == &sampleSpheres[k]) return &sphereMemos_[k];
  return nullptr;  // not a sample sphere: computed every time
}

void SetVerticesFromViews(FstShape& shape, const CameraModel& first, const CameraModel& second) {
  const int n = first.imagePointCount;
  if (n < 1 || n != shape.pointCount || n != second.imagePointCount) return;
  if (shape.vertices.size() < 3 * static_cast<std::size_t>(n)) return;
  for (int i = 0; i < n; ++i) {
    Vec3 m{shape.vertices[3 * i], shape.vertices[3 * i + 1], shape.vertices[3 * i + 2]};
    first.GetMidpoint(i, m);  // leaves m alone where a pair has no ray points
    shape.vertices[3 * i] = m.x;
    shape.vertices[3 * i + 1] = m.y;
    shape.vertices[3 * i + 2] = m.z;
  }
}

}  // namespace velmora
