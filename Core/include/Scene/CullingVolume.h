#pragma once

#include <array>

#include "Common/BoundingSphere.h"
#include "Common/Intersect.h"
#include "Common/Vector3.h"

namespace qel {

class Camera;

/// The space a camera sees: the six planes of its frustum (left, right, bottom, top,
/// near, far) in the fixed frame. Each plane's unit normal points into the volume; a
/// point p is on the inner side of a plane when normal · p + distance ≥ 0 (metres).
class CullingVolume {
 public:
  struct Plane {
    Vector3<double> normal;
    double distance = 0.0;
  };

  /// A volume that holds everything (every plane's normal is zero). What a frame state
  /// starts with before its scene has built a frame.
  CullingVolume() noexcept = default;

  /// The frustum of `camera`: its pose, its field of view in both directions and its
  /// near and far distances. An empty viewport still gives the frustum of the last
  /// valid aspect ratio.
  static CullingVolume fromCamera(const Camera& camera);

  /// Where the sphere lies: `Inside` when it is on the inner side of every plane by at
  /// least its radius, `Outside` when it is farther than its radius beyond any plane,
  /// `Intersecting` otherwise. A point is a sphere of radius 0 (a point on a plane counts
  /// as inside). A sphere that is not finite, or has a negative radius, is `Outside`:
  /// there is nothing of it to see.
  Intersect computeVisibility(const BoundingSphere& sphere) const noexcept;

  const std::array<Plane, 6>& getPlanes() const noexcept { return planes_; }

 private:
  std::array<Plane, 6> planes_{};
};

}  // namespace qel
