#include "render/ErrorMapMemo.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/Digest.h"

namespace velmora {

namespace {

// The cameras a map can read: the moving one, the score's view and their other views.
int InvolvedCameras(const CameraModel& moving, const CameraModel& second,
                    const CameraModel* (&cameras)[4]) {
  int count = 0;
  for (const CameraModel* c : {&moving, static_cast<const CameraModel*>(moving.otherView), &second,
                               static_cast<const CameraModel*>(second.otherView)})
    if (c != nullptr && std::find(cameras, cameras + count, c) == cameras + count)
      cameras[count++] = c;
  return count;
}

void AddCamera(Digest& d, const CameraModel& c, bool withRays) {
  d.Add(static_cast<const void*>(&c));
  d.Add(static_cast<const void*>(c.otherView));
  const CameraParams& p = c.GetParams();
  for (double v : {p.azimuth, p.altitude, p.rotation, p.focalLength, p.distance, p.pan, p.tilt,
                   c.GetOrbitRadius(), static_cast<double>(c.GetScale())})
    d.Add(v);
  d.Add(static_cast<std::uint64_t>(c.imagePointCount));
  d.Add(static_cast<std::uint64_t>(c.skipNegativeST));
  for (int r = 0; r < 3; ++r)
    for (int col = 0; col < 3; ++col) d.Add(c.orbitMatrix[r][col]), d.Add(c.lookMatrix[r][col]);
  d.Add(c.cameraPosition.x), d.Add(c.cameraPosition.y), d.Add(c.cameraPosition.z);
  d.Add(c.imageX);
  d.Add(c.imageY);
  d.Add(c.planePoints);
  if (withRays)
    d.Add(c.rayPoints);
  else
    d.Add(static_cast<std::uint64_t>(c.rayPoints.size()));
}

}  // namespace

MemoisedMap::MemoisedMap(ErrorMapMemo* memo, const FstShape& shape, bool directions,
                         CameraModel& moving, const CameraModel& second, ErrorKind error)
    : memo_(memo),
      shape_(shape),
      directions_(directions),
      error_(error),
      moving_(moving),
      second_(second),
      sourceDigest_(memo != nullptr ? Digest::Of(shape.sourceVertices) : 0) {}

bool MemoisedMap::SkipIfUnchanged() {
  if (memo_ == nullptr || !memo_->valid_ || memo_->digest_ != StateDigest(!memo_->raysAside_))
    return false;
  if (memo_->raysAside_) {
    std::copy(memo_->movingRays_.begin(), memo_->movingRays_.end(), moving_.rayPoints.begin());
    std::copy(memo_->fixedRays_.begin(), memo_->fixedRays_.end(),
              moving_.otherView->rayPoints.begin());
  }
  return true;
}

void MemoisedMap::Start(bool regular) {
  regular_ = regular;
  const bool settled = regular && !moving_.skipNegativeST;
  raysBefore_ = memo_ == nullptr || settled ? 0 : RaysDigest();
}

void MemoisedMap::Record(bool ranged, double min, double max, std::optional<std::size_t> written) {
  if (memo_ == nullptr) return;
  ErrorMapMemo& m = *memo_;
  m.ranged_ = ranged, m.min_ = min, m.max_ = max;
  // A rejected trial scores kRejectedScore or more whatever the rays held, so in the
  // position map they never reach a colour.
  const bool settled = regular_ && !moving_.skipNegativeST;
  const bool raysAside = regular_ && moving_.skipNegativeST && !directions_ && written.has_value();
  const bool repeatable = settled || raysAside || RaysDigest() == raysBefore_;
  m.valid_ = repeatable;
  m.raysAside_ = raysAside;
  m.movingRays_.clear();
  m.fixedRays_.clear();
  if (raysAside) {
    const auto leading = static_cast<std::ptrdiff_t>(*written);
    m.movingRays_.assign(moving_.rayPoints.begin(), moving_.rayPoints.begin() + leading);
    m.fixedRays_.assign(moving_.otherView->rayPoints.begin(),
                        moving_.otherView->rayPoints.begin() + leading);
  }
  if (repeatable) m.digest_ = StateDigest(!raysAside);
}

std::uint64_t MemoisedMap::RaysDigest() const {
  const CameraModel* cameras[4];
  const int count = InvolvedCameras(moving_, second_, cameras);
  Digest d;
  for (int k = 0; k < count; ++k) d.Add(cameras[k]->rayPoints);
  return d.value();
}

std::uint64_t MemoisedMap::StateDigest(bool withRays) const {
  Digest d;
  d.Add(static_cast<std::uint64_t>(directions_));
  d.Add(static_cast<std::uint64_t>(error_));
  d.Add(static_cast<const void*>(&shape_));
  d.Add(static_cast<const void*>(&moving_));
  d.Add(static_cast<const void*>(&second_));
  const CameraModel* cameras[4];
  const int count = InvolvedCameras(moving_, second_, cameras);
  for (int k = 0; k < count; ++k) AddCamera(d, *cameras[k], withRays);
  d.Add(static_cast<std::uint64_t>(shape_.pointCount));
  d.Add(static_cast<std::uint64_t>(shape_.radialScore));
  d.Add(sourceDigest_);
  d.Add(shape_.vertexColours);
  if (shape_.radialScore)
    d.Add(shape_.vertices);
  else
    d.Add(static_cast<std::uint64_t>(shape_.vertices.size()));
  return d.value();
}

}  // namespace velmora
