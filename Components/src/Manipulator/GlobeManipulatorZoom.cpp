// Zoom toward a point, the distance setter of flights, and the per-frame terrain clearance.

#include <cmath>

#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"

namespace qel {

using namespace navigation;

double GlobeManipulatorImpl::calcZoomDistance(const Vector3<double>& target, const SceneImpl& scene) const {
  const double d = Vector3<double>::distance(target, position);
  if (isCameraUnderground()) {
    // Under the terrain every zoom unit is a short step near the eye.
    const double clamp = undergroundDepthClamp(scene);
    return d > clamp ? clamp : d;
  }
  return isZero(target.lengthSquared()) ? 0.0 : d;
}

void GlobeManipulatorImpl::collisionZoom(double amount, const Vector3<double>& target, const SceneImpl& scene,
                                         const Vector2<float>& mouse) {
  if (isZero(amount)) return;
  const Vector3<double> savedPosition = position;
  const Quaternion savedOrientation = orientation;
  const double distance = calcZoomDistance(target, scene);
  const double maxRadius = Ellipsoid::WGS84.getMaximumRadius();

  // Zooming out stops where the eye would pass the bound.
  if (amount < 0.0 && amount * distance + distance + maxRadius > maxZoomDistance) return;

  // Move in the camera's vertical plane only: no sideways drift toward an off-centre target.
  const double step = amount * distance;
  Vector3<double> u = (target - position).normalized();
  const Vector3<double> right = orientation * Vector3<double>(1.0, 0.0, 0.0);
  u = (u - right * right.dot(u)).normalized();
  position += u * step;

  if (Math::equalsEpsilon(static_cast<double>(mouse.x * mouse.x + mouse.y * mouse.y), 0.0, Math::EPSILON6)) return;

  // Keep the target under the pointer: aim the pick ray from the new eye, see where it
  // meets the target's sphere, and turn the globe to bring the target back there.
  Camera& camera = scene.getCamera();
  camera.setPosition(position);
  const Ray ray = camera.getPickRay(mouse);
  const double targetRadius = target.length();
  const double radius = targetRadius > 0.0 ? targetRadius : maxRadius;
  Vector3<double> p = target;
  const auto interval = IntersectionTests::intersects(ray, BoundingSphere{Vector3<double>(), radius});
  if (interval && interval->start > 0.0) p = ray.getPoint(interval->start);

  const Vector3<double> pHat = p.normalized();
  const Vector3<double> tHat = target.normalized();
  const double theta = unsignedAngle(pHat, tHat);
  const Vector3<double> n = tHat.cross(pHat).normalized();
  const Vector3<double> local = orientation.inverse() * position;
  orientation = Quaternion::fromAxisAngle(n, Radian(-theta)).normalized() * orientation;
  position = orientation * local;

  if (Vector3<double>::distance(position, target) < camera.getFrustum().near) {
    position = savedPosition;
    orientation = savedOrientation;
  }
}

void GlobeManipulatorImpl::setDistanceZ(double z, const SceneImpl& scene) {
  (void)scene;
  const double delta = z - distanceZ;
  distanceZ = z;
  position += orientation * Vector3<double>(0.0, 0.0, delta);
}

void GlobeManipulatorImpl::adjustHeight(const SceneImpl& scene) {
  (void)scene;
  if (undergroundAllowed || currentFlight || flightState.flying) return;
  const double eyeHeight = eyeCartographic.height;
  if (eyeHeight - terrainHeight < minHeightAboveTerrain) {
    position += position.normalized() * (terrainHeight + minHeightAboveTerrain - eyeHeight);
  }
}

}  // namespace qel
