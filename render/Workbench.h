#pragma once
// What ties the two views, the FST object and the sample spheres together, and the steps
// that must happen in one order wherever they are started: the Controls window, the main
// window, navigation and every velmora-cli subcommand. Core code: no Qt, no OpenGL. It
// knows no windows: the messages around these steps come from the callers and from the
// views' own change callbacks (onViewsChanged).

#include <functional>
#include <string>

#include "camera/CameraModel.h"
#include "camera/PositionFile.h"
#include "data/FstShape.h"
#include "data/LoadProgress.h"
#include "data/SampleSpheres.h"
#include "data/VectorData.h"
#include "render/ErrorMaps.h"

namespace velmora {

// When both views hold n >= 1 points and n equals the shape's pointCount, vertex i becomes
// the midpoint of the views' ray points i. Otherwise nothing changes.
void SetVerticesFromViews(FstShape& shape, const CameraModel& first, const CameraModel& second);

class Workbench {
 public:
  // The views' camera models stay with their owners (the view panels, or a caller's own
  // pair); the workbench links them to each other.
  Workbench(CameraModel& first, CameraModel& second);
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  CameraModel& First() const { return *views_[0]; }
  CameraModel& Second() const { return *views_[1]; }
  CameraModel& View(int i) const { return *views_[i]; }

  // A view's own pan/tilt sphere, or null when it did not load; recoloured after a change.
  void SetPanTiltSphere(int view, FstShape* sphere) { panTiltSpheres_[view] = sphere; }
  const FstShape* PanTiltSphere(int view) const { return panTiltSpheres_[view]; }

  // Reads the table's spheres from the current directory and packs the loaded ones into
  // loadedSpheres, announcing each with its vertex count, allocating its colours and
  // mapping it over the second view's positions. Each load goes through progress when
  // given. Returns loadedSphereCount.
  int LoadSampleSpheres(const std::function<void(int vertexCount)>& announce = {},
                        LoadProgress* progress = nullptr);
  // The position in loadedSpheres of the table's sphere tableIndex; -1 when it did not load.
  int LoadedPosition(int tableIndex) const;

  // Both halves go in before either view recomputes, so that no triangulation pairs new
  // points of one view with old points of the other; then the first view, the second, and
  // one colour per pair (NextPairColor) in both. Throws std::bad_alloc, both views
  // unchanged, when the points do not fit in memory.
  void LoadPointPairs(const VectorData& data);
  // PairColoursDrawn when the pairs loaded last took their colours: a session keeps it.
  long long pairColourStart = 0;
  // Reads path and loads it as above. False when it cannot be read, or after "Low memory!"
  // when its points do not fit (lowMemory, when given, tells which); nothing changes then.
  bool LoadDataFile(const std::string& path, bool* lowMemory = nullptr);

  // Where a glide to the position file ends: the nine targets set outright (both poses
  // and the views' scale), then showValues if given (the window shows the new values and
  // sets its scene's scale from targets[POS_SCALE]), then the first view recomputed, then
  // the second.
  void ApplyPositionTargets(const double (&targets)[kPositionTargetCount],
                            const std::function<void()>& showValues = {});

  // What a change of the views (mask of VIEW_ flags; 0 after a new FST object) makes
  // stale: the FST object's vertices always follow the midpoints; any change of a view
  // maps the main sphere and the shown pan/tilt spheres again (each reads both views).
  void RecolourAfterViewChange(int mask);
  // Whether a view's pan/tilt sphere is shown; a hidden one is not mapped until it shows
  // (with a million pairs each map costs seconds). Unset: both count as shown.
  std::function<bool(int view)> showsPanTiltSphere;
  // Maps the shown pan/tilt spheres that are stale; call when one starts to show.
  void MapShownPanTiltSpheres();

  // loadedSpheres[index] becomes the main sphere when on (radial or not, as the distance
  // mode says); none when off or index is out of range.
  void SelectMainSphere(int index, bool on);
  void SetDistanceMode(bool on);
  // The range the main sphere's last map coloured by; false (min and max untouched)
  // without a main sphere or a range.
  bool MainSphereScoreRange(double& min, double& max) const;

  FstShape fstObject;
  FstShape sampleSpheres[kSampleSphereCount];  // in table order, empty when not loaded
  FstShape* loadedSpheres[kSampleSphereCount] = {};
  int loadedSphereCount = 0;
  FstShape* mainSphere = nullptr;
  // The main sphere's vertex count as the size list names it; 0 for none.
  int MainSphereVertexCount() const;
  bool distanceMode = false;
  // Passed to every map the workbench draws (the windows set its watcher).
  MapSettings mapSettings;

  // The error the frame's text and every map show (mapSettings.error); a change maps the
  // main sphere and the pan/tilt spheres again.
  ErrorKind GetErrorKind() const { return mapSettings.error; }
  void SetErrorKind(ErrorKind kind);
  // The two views' error of that kind, as the frame's corner shows it.
  double Error() const { return Second().ReconstructionError(mapSettings.error); }

 private:
  // The memo of the map last drawn on a shape: a burst of change notifications with
  // nothing changed costs one map. One per sample sphere and per pan/tilt sphere.
  ErrorMapMemo* MemoOf(const FstShape* shape);
  const ErrorMapMemo* MemoOf(const FstShape* shape) const {
    return const_cast<Workbench*>(this)->MemoOf(shape);
  }

  // The main sphere (when given) and the shown pan/tilt spheres, as one run of maps.
  void MapSpheres(FstShape* main);

  CameraModel* views_[2];
  FstShape* panTiltSpheres_[2] = {};
  ErrorMapMemo sphereMemos_[kSampleSphereCount];
  ErrorMapMemo panTiltMemos_[2];
};

}  // namespace velmora
