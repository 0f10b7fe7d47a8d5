#pragma once
// What the last map of one shape left behind, so that mapping the same state again can be
// skipped, and the map's side of it. Core code: no OpenGL.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/Vec3.h"
#include "camera/CameraModel.h"
#include "data/FstShape.h"

namespace velmora {

// The owner of a shape keeps one next to it and passes it to every map of that shape (one
// map at a time: a memo is not shared between threads).
class ErrorMapMemo {
 public:
  // Forgets the last map: the next map with this memo computes.
  void Clear() { valid_ = false; }
  // The score range the last map coloured by (see ScoreRange); false when that map had
  // none or there was no map yet.
  bool LastRange(double& min, double& max) const {
    if (!ranged_) return false;
    min = min_;
    max = max_;
    return true;
  }

 private:
  friend class MemoisedMap;
  bool valid_ = false;
  std::uint64_t digest_ = 0;
  // Position map with rejections: the leading pairs of the rays the map leaves, which its
  // digest leaves out.
  bool raysAside_ = false;
  std::vector<Vec3> movingRays_, fixedRays_;
  bool ranged_ = false;
  double min_ = 0, max_ = 0;
};

// One map as its memo (none: every map computes) sees it. The map asks SkipIfUnchanged first;
// unless it is skipped, it calls Start once it runs and Record once it has coloured.
class MemoisedMap {
 public:
  MemoisedMap(ErrorMapMemo* memo, const FstShape& shape, bool directions, CameraModel& moving,
              const CameraModel& second, ErrorKind error = ErrorKind::kPlain);
  // True when the memo's last map left exactly the state this map starts from, so that
  // mapping it again would change nothing: the map is skipped, and the rays that map set
  // aside are put back.
  bool SkipIfUnchanged();
  // regular: the moving view triangulates against its other view in the maps' regular
  // state (all pairs of both views, the score read from the same pair).
  void Start(bool regular);
  // The range the map coloured by, and how many leading pairs its trials wrote when that
  // is known.
  void Record(bool ranged, double min, double max, std::optional<std::size_t> written);

 private:
  std::uint64_t StateDigest(bool withRays) const;
  std::uint64_t RaysDigest() const;

  ErrorMapMemo* const memo_;
  const FstShape& shape_;
  const bool directions_;
  const ErrorKind error_;
  CameraModel& moving_;
  const CameraModel& second_;
  std::uint64_t sourceDigest_ = 0;  // of shape.sourceVertices, which no map changes
  bool regular_ = false;
  std::uint64_t raysBefore_ = 0;
};

}  // namespace velmora
