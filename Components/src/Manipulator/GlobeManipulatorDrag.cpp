// Drag navigation: the elementary rotations, grab-and-pan with its horizon guard, the
// guarded turn and tilt, and the picks under the pointer.

#include <algorithm>
#include <cmath>

#include "Common/BoundingSphere.h"
#include "Common/IntersectionTests.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Manipulator/NavigationSettings.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"

namespace qel {

namespace {

using namespace navigation;

/// The horizon guard line makes this angle with the direction to the Earth's centre.
constexpr Degree kGuardAngle{82.0};
/// Above the guard line a pan turns at this fraction of the guard row's angle per pixel.
constexpr double kGuardRate = 0.4;
/// A flick's momentum never turns faster than this many pixels' worth per frame...
constexpr double kMomentumPixelCap = 256.0;
/// ...and runs at a fifth of the last drag step.
constexpr double kMomentumDivisor = 5.0;
/// Without a point under the pointer, the angular speed is scaled up by this factor.
constexpr double kNoTargetSpeedFactor = 10.0;
/// Above the terrain, the grab sphere stays at least this far under the eye (metres).
constexpr double kGrabSphereMargin = 10.0;
/// Underground depth clamp: short steps near the eye (metres).
constexpr double kShallowDepth = 20.0;
constexpr double kShallowReach = 10.0;
constexpr double kDeepReach = 100.0;
/// With underground allowed, tilts may go down to this height (metres).
constexpr double kUndergroundFloor = -10000.0;
/// A direct turn under the terrain pushes an eye within this depth down to about it.
constexpr double kUndergroundSkin = static_cast<double>(0.2f);

bool intersectSphere(const Ray& ray, double radius, Vector3<double>& point) {
  const auto interval = IntersectionTests::intersects(ray, BoundingSphere{Vector3<double>(), radius});
  if (!interval || !(interval->start > 0.0)) return false;
  point = ray.getPoint(interval->start);
  return true;
}

/// The fixed-rate pan used where pointer rays cannot be trusted (toward the horizon,
/// under the terrain): `from` becomes the camera's up axis at its old length and `to`
/// is it turned by the guard's rate for each pixel moved from `previous` to `current`.
void guardRotation(const Quaternion& orientation, const HorizonGuard& guard, const Vector2<float>& previous,
                   const Vector2<float>& current, Vector3<double>& from, Vector3<double>& to) {
  from = (orientation * Vector3<double>(0.0, 1.0, 0.0)) * from.length();
  const double k = guard.anglePerPixel * kGuardRate;
  const double alpha = static_cast<double>(current.x - previous.x) * k;
  const double beta = -static_cast<double>(previous.y - current.y) * k;
  const Quaternion q1 =
      Quaternion::fromAxisAngle(orientation * Vector3<double>(1.0, 0.0, 0.0), Radian(beta)).normalized();
  const Quaternion q2 =
      Quaternion::fromAxisAngle(orientation * Vector3<double>(0.0, 0.0, -1.0), Radian(alpha)).normalized();
  to = (q1 * q2) * from;
}

}  // namespace

void GlobeManipulatorImpl::cameraRotate(const Vector3<double>& axis, const Radian& angle) {
  orientation = Quaternion::fromAxisAngle(axis, angle).normalized() * orientation;
}

void GlobeManipulatorImpl::rotate(const Radian& angle, const Vector3<double>& axis, const SceneImpl& scene) {
  (void)scene;
  const Vector3<double> local = orientation.inverse() * position;
  cameraRotate(axis, angle);
  position = orientation * local;
}

void GlobeManipulatorImpl::cameraPitch(const Radian& angle) {
  if (topViewFixed) return;
  orientation =
      Quaternion::fromAxisAngle(orientation * Vector3<double>(1.0, 0.0, 0.0), angle).normalized() * orientation;
}

void GlobeManipulatorImpl::pitchPos(const Radian& angle, const Vector3<double>& pivot, const SceneImpl& scene) {
  (void)scene;
  // With the top view fixed the orbit cannot turn; leaving the pose untouched (rather
  // than round-tripping it through the pivot) keeps it bit-for-bit the same.
  if (topViewFixed) return;
  const Vector3<double> local = orientation.inverse() * (pivot - position);
  position = pivot;
  cameraPitch(angle);
  position += orientation * (-local);
}

void GlobeManipulatorImpl::pitchCenter(const Radian& angle, const SceneImpl& scene) {
  if (isZero(angle.value()) || !navCenterFound) return;
  pitchPos(angle, navCenter, scene);
}

double GlobeManipulatorImpl::surfaceHeight(const Cartographic& c, const SceneImpl& scene) const {
  return scene.getGlobe().getHeight(c).value_or(0.0);
}

double GlobeManipulatorImpl::undergroundDepthClamp(const SceneImpl& scene) const {
  const double depth = surfaceHeight(eyeCartographic, scene) - eyeCartographic.height;
  return depth <= kShallowDepth ? kShallowReach : std::min(depth, kDeepReach);
}

double GlobeManipulatorImpl::grabSphereRadius(const SceneImpl& scene) const {
  double r = leftPressPosition.length();
  if (isZero(r)) return kEarthRadius;
  if (!undergroundAllowed) return r;
  const double eyeRadius = eyeCartographic.height + kEarthRadius;
  if (isCameraUnderground()) {
    const double c = undergroundDepthClamp(scene);
    if (position.length() - r > c || r > position.length()) r = eyeRadius - kGrabSphereMargin;
  } else if (eyeRadius - r < kGrabSphereMargin) {
    r = eyeRadius - kGrabSphereMargin;
  }
  return r;
}

bool GlobeManipulatorImpl::naviHitTestSpace(const Vector2<float>& window, const SceneImpl& scene) {
  const Vector2<int> pixel(static_cast<int>(window.x), static_cast<int>(window.y));
  const auto hit = scene.pickPositionWorldCoordinates(pixel);
  if (!hit) {
    spaceHit = false;
    return false;
  }
  if (auto c = toCartographic(*hit)) spaceHitCartographic = *c;
  spaceHitPosition = *hit;
  spaceHit = true;
  return true;
}

GlobeManipulatorImpl::PointerHit GlobeManipulatorImpl::nearerPointerHit() const {
  if (spaceHit && mouseGlobeHit) {
    // The globe point wins a tie: it is the one the wheel and drags were built around.
    const double space = Vector3<double>::distanceSquared(spaceHitPosition, position);
    const double globe = Vector3<double>::distanceSquared(mouseGlobePosition, position);
    return space < globe ? PointerHit::Space : PointerHit::Globe;
  }
  if (spaceHit) return PointerHit::Space;
  if (mouseGlobeHit) return PointerHit::Globe;
  return PointerHit::None;
}

std::optional<Vector3<double>> GlobeManipulatorImpl::getNaviSpaceMouseIntersectPos() const {
  switch (nearerPointerHit()) {
    case PointerHit::Space: return spaceHitPosition;
    case PointerHit::Globe: return mouseGlobePosition;
    default: return std::nullopt;
  }
}

std::optional<Cartographic> GlobeManipulatorImpl::getNaviGeoMouseIntersectPos() const {
  switch (nearerPointerHit()) {
    case PointerHit::Space: return spaceHitCartographic;
    case PointerHit::Globe: return mouseCartographic;
    default: return std::nullopt;
  }
}

void GlobeManipulatorImpl::mouseLeftDrag(const Vector2<float>& previous, const Vector2<float>& current,
                                         const SceneImpl& scene) {
  const Camera& camera = scene.getCamera();
  const double r = grabSphereRadius(scene);
  Vector3<double> to;
  Vector3<double> from;
  const bool hits = intersectSphere(camera.getPickRay(current), r, to) &&
                    intersectSphere(camera.getPickRay(lastMousePosition), r, from);
  if (!hits) {
    to = Vector3<double>();
    from = Vector3<double>();
  } else {
    const Vector2<float> delta = current - lastMousePosition;
    const double dragPixels = static_cast<double>(delta.length());
    double speed = 0.0;
    if (const auto target = getNaviSpaceMouseIntersectPos()) {
      pixelLength = SceneTransforms::computeRealLengthOfOnePixel(
          scene, *target, Vector3<double>(static_cast<double>(delta.x), static_cast<double>(delta.y), 0.0));
      const double targetHeight = toCartographic(*target).value_or(Cartographic()).height;
      speed = dragPixels * pixelLength / (targetHeight + kEarthRadius);
    } else {
      speed = dragPixels * pixelLength / kEarthRadius * kNoTargetSpeedFactor;
    }

    const HorizonGuard& guard = horizonGuard();
    if (isCameraUnderground()) {
      const bool pressBelowGuard =
          static_cast<float>(guard.row) <= guard.pressMouse.y && !isZero(guard.pressPosition.lengthSquared());
      if (!pressBelowGuard) {
        // Under the terrain the pointer rays are unreliable: turn at the guard's fixed rate.
        guardRotation(orientation, guard, previous, current, from, to);
      }
    }

    const Vector3<double> axis = from.cross(to).normalized();
    if (!isZero(axis.lengthSquared())) {
      momentumAxis = axis;
      momentumAngle = Radian(std::min(speed, pixelLength * kMomentumPixelCap / globeRadius) / kMomentumDivisor);
    }
  }
  dragMouse = current;
  pan(to, from, scene, true);
}

void GlobeManipulatorImpl::pan(const Vector3<double>& to, const Vector3<double>& from, const SceneImpl& scene,
                               bool limit) {
  (void)scene;
  if (isZero(to.length()) || isZero(from.length())) return;
  const Vector3<double> local = orientation.inverse() * position;
  Vector3<double> u = from;
  Vector3<double> w = to;
  if (limit) limitSpeed(u, w);
  u = u.normalized();
  w = w.normalized();
  const double theta = unsignedAngle(u, w);
  const Vector3<double> n = u.cross(w).normalized();
  orientation = Quaternion::fromAxisAngle(n, Radian(-theta)).normalized() * orientation;
  position = orientation * local;
}

bool GlobeManipulatorImpl::calMouseSpeedLimitParam(const Vector3<double>& pressPoint, const Vector2<float>& pressMouse,
                                                   const SceneImpl& scene) {
  HorizonGuard& guard = horizonGuard();
  const Vector3<double> forward = orientation * Vector3<double>(0.0, 0.0, -1.0);
  const double a = unsignedAngle(forward, -position);
  const Vector3<double> right = orientation * Vector3<double>(1.0, 0.0, 0.0);
  const Vector3<double> guardDirection =
      (Quaternion::fromAxisAngle(right, Radian(kGuardAngle) - Radian(a)) * forward).normalized();

  const double pressRadius = pressPoint.length();
  const double radius = isZero(pressRadius) ? kEarthRadius : pressRadius;
  Vector3<double> g;
  if (intersectSphere(Ray{position, guardDirection}, radius, g)) {
    const auto window = SceneTransforms::wgs84ToWindowCoordinates(scene, g);
    const Viewport& viewport = scene.getCamera().getViewport();
    if (window && window->x >= viewport.x0 && window->x <= viewport.x1 && window->y >= viewport.y0 &&
        window->y <= viewport.y1) {
      guard.active = true;
      guard.anglePerPixel = calculateSpeed(Vector2<float>(static_cast<float>(window->x), static_cast<float>(window->y)),
                                           g, pressPoint, scene)
                                .value();
      guard.row = static_cast<std::int32_t>(window->y + 0.5);
      guard.pressPosition = pressPoint;
      guard.pressMouse = pressMouse;
      return true;
    }
  }
  guard.active = false;
  return false;
}

Radian GlobeManipulatorImpl::calculateSpeed(const Vector2<float>& window, const Vector3<double>& point,
                                            const Vector3<double>& pressPoint, const SceneImpl& scene) {
  (void)point;
  double r = pressPoint.length();
  if (isCameraUnderground()) {
    const double c = undergroundDepthClamp(scene);
    if (position.length() - r > c || r > position.length())
      r = eyeCartographic.height + kEarthRadius - kGrabSphereMargin;
  }
  const Camera& camera = scene.getCamera();
  const Vector2<float> a(window.x + 0.5f, window.y + 2.5f);
  const Vector2<float> b(window.x + 0.5f, window.y + 0.5f);
  Vector3<double> hitB;
  Vector3<double> hitA;
  if (intersectSphere(camera.getPickRay(b), r, hitB) && intersectSphere(camera.getPickRay(a), r, hitA)) {
    return Radian(unsignedAngle(hitA, hitB) / 2.0);
  }
  return Radian(0.0);
}

bool GlobeManipulatorImpl::limitSpeed(Vector3<double>& from, Vector3<double>& to) {
  const HorizonGuard& guard = horizonGuard();
  if (!guard.active) return false;
  const auto rowLimit = static_cast<float>(guard.row);
  if (rowLimit <= leftPressMouse.y && !isZero(guard.pressPosition.lengthSquared())) {
    // The press lies on or below the guard line: the pointer rays are trusted.
    if (lastMousePosition.y <= rowLimit) return true;
    return dragMouse.y <= rowLimit;
  }
  // The press lies toward the horizon (or on nothing): turn at a fixed rate per pixel.
  guardRotation(orientation, guard, lastMousePosition, dragMouse, from, to);
  return true;
}

void GlobeManipulatorImpl::collisionRoll(const Radian& angle, const Vector3<double>& axis, const SceneImpl& scene,
                                         bool momentum) {
  if (isZero(angle.value()) || isZero(axis.lengthSquared())) return;
  // A direct turn under the terrain runs the other way round.
  const Radian a = (!momentum && heightAboveTerrain < 0.0) ? -angle : angle;
  const double heightBefore = heightAboveTerrain;
  rotate(-a, axis, scene);
  if (undergroundAllowed && isCameraUnderground() && heightBefore > -kUndergroundSkin) {
    position += position.normalized() * (-std::abs(heightBefore + kUndergroundSkin));
  }
}

void GlobeManipulatorImpl::collisionPitchPos(const Radian& angle, const Vector3<double>& pivot,
                                             const SceneImpl& scene) {
  if (isZero(angle.value())) return;
  if (!settings().mouseTiltLessZeroEnable && tilt.value() < 0.0 && angle.value() < 0.0) return;

  Vector3<double> p = pivot;
  if (isCameraUnderground()) {
    const double c = undergroundDepthClamp(scene);
    if (Vector3<double>::distance(p, position) > c) p = position + (p - position).normalized() * c;
  }

  const Vector3<double> savedPosition = position;
  const Quaternion savedOrientation = orientation;
  pitchPos(angle, p, scene);

  const auto eye = toCartographic(position);
  if (!eye) {
    position = savedPosition;
    orientation = savedOrientation;
    return;
  }
  double floor = surfaceHeight(*eye, scene);
  if (undergroundAllowed) floor = std::min(floor, kUndergroundFloor);
  if (eye->height - floor < minHeightAboveTerrain) {
    position = savedPosition;
    orientation = savedOrientation;
  }
}

}  // namespace qel
