#include "Scene/CullingVolume.h"

#include <cmath>

#include "Renderer/Camera.h"

namespace qel {

CullingVolume CullingVolume::fromCamera(const Camera& camera) {
  const Vector3<double> eye = camera.getPosition();
  const Quaternion orientation = camera.getOrientation();
  const PerspectiveFrustum& frustum = camera.getFrustum();
  // The same half-angle tangents as the pick rays, so that a point is inside exactly
  // when its pick ray passes through the window.
  const double tx = frustum.getHalfTangentX();
  const double ty = frustum.getHalfTangentY();
  // Camera space: the eye looks along −Z; a point at depth d = −z is seen when
  // |x| ≤ tx·d, |y| ≤ ty·d and near ≤ d ≤ far. The side planes pass through the eye.
  const std::array<Vector3<double>, 4> sides{Vector3<double>(1.0, 0.0, -tx), Vector3<double>(-1.0, 0.0, -tx),
                                             Vector3<double>(0.0, 1.0, -ty), Vector3<double>(0.0, -1.0, -ty)};
  CullingVolume volume;
  for (std::size_t i = 0; i < sides.size(); ++i) {
    const Vector3<double> normal = (orientation * sides[i].normalized()).normalized();
    volume.planes_[i] = {normal, -normal.dot(eye)};
  }
  const Vector3<double> forward = (orientation * Vector3<double>(0.0, 0.0, -1.0)).normalized();
  volume.planes_[4] = {forward, -forward.dot(eye) - frustum.near};
  volume.planes_[5] = {-forward, forward.dot(eye) + frustum.far};
  return volume;
}

Intersect CullingVolume::computeVisibility(const BoundingSphere& sphere) const noexcept {
  if (!sphere.center.isFinite() || !std::isfinite(sphere.radius) || sphere.radius < 0.0) return Intersect::Outside;
  bool intersecting = false;
  for (const Plane& plane : planes_) {
    const double signedDistance = plane.normal.dot(sphere.center) + plane.distance;
    if (signedDistance < -sphere.radius) return Intersect::Outside;
    if (signedDistance < sphere.radius) intersecting = true;
  }
  return intersecting ? Intersect::Intersecting : Intersect::Inside;
}

}  // namespace qel
