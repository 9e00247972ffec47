// The globe manipulator's state: construction, settings, the per-frame derived
// navigation quantities, the camera hand-over and the viewpoint-changed event.

#include "Manipulator/GlobeManipulatorImpl.h"

#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Transforms.h"
#include "Common/Viewpose.h"
#include "Manipulator/NavigationMath.h"
#include "Manipulator/NavigationSettings.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/Tween.h"
#include "Scene/TweenCollection.h"

namespace qel {

namespace navigation {

Settings& settings() noexcept {
  static Settings values;
  return values;
}

HorizonGuard& horizonGuard() noexcept {
  static HorizonGuard guard;
  return guard;
}

}  // namespace navigation

namespace {

using namespace navigation;

/// The start pose: 20 000 km from the Earth's centre on the +X axis, looking at the
/// centre with north up (camera −Z → −X, +Y → +Z, +X → +Y).
constexpr Vector3<double> kInitialPosition{20000000.0, 0.0, 0.0};
constexpr Quaternion kInitialOrientation{0.5, 0.5, 0.5, 0.5};
/// Clearance kept above the terrain (metres).
constexpr double kMinHeightAboveTerrain = 1.0;
/// Flights' initial distance and the wheel's zoom-out bound, in largest WGS84 radii.
constexpr double kInitialDistanceZRadii = 4.0;
constexpr double kMaxZoomDistanceRadii = 6.0;
/// Under the terrain the view ray is first met with this sphere (metres, squared):
/// 6 368 637 m, about 10 km below the equatorial surface.
constexpr double kUndergroundCenterSphereRadiusSquared = 40559537237769.0;
/// How far beyond the largest radius the underground view segment reaches (× radius).
constexpr double kUndergroundSegmentRadii = 10.0;
/// Near the horizon the navigation centre is pulled toward the eye.
constexpr double kHorizonPitch = 1.4835298641951802;  // 85°
constexpr double kLowHeight = 50.0;                   // metres above terrain: "close to the ground"
constexpr double kHighReachFactor = 5.0;              // reach = 5 × height above terrain when higher
constexpr double kLowReach = 250.0;                   // reach when close to the ground (metres)

/// The parameter in [0, 1] where the segment from e along d first meets the sphere of
/// squared radius r2 about the origin; empty when it does not.
std::optional<double> segmentSphereHit(const Vector3<double>& e, const Vector3<double>& d, double r2) {
  const double a = d.dot(d);
  const double b = 2.0 * e.dot(d);
  const double c = e.dot(e) - r2;
  const double disc = b * b - 4.0 * a * c;
  if (!(disc > 0.0) || a == 0.0) return std::nullopt;
  const double root = std::sqrt(disc);
  double t = (-b - root) / (2.0 * a);
  if (t < 0.0 || t > 1.0) t = (root - b) / (2.0 * a);
  if (t < 0.0 || t > 1.0) return std::nullopt;
  return t;
}

}  // namespace

GlobeManipulatorImpl::GlobeManipulatorImpl()
    : position(kInitialPosition),
      orientation(kInitialOrientation),
      tweens(std::make_unique<TweenCollection>()),
      distanceZ(kInitialDistanceZRadii * Ellipsoid::WGS84.getMaximumRadius()),
      maxZoomDistance(kMaxZoomDistanceRadii * Ellipsoid::WGS84.getMaximumRadius()),
      viewpointChanged(std::make_unique<ViewpointPublisher>()) {
  setHomePosition(position, orientation);
  minHeightAboveTerrain = kMinHeightAboveTerrain;
}

GlobeManipulatorImpl::~GlobeManipulatorImpl() {
  // Release order: the event first (no listener may run against a half-destroyed
  // manipulator), then the pending request, the flight state, the tweens, the flight.
  viewpointChanged.reset();
  pendingViewpoint.reset();
  flightState = FlightState{};
  tweens.reset();
  currentFlight.reset();
  flightPath.reset();
}

void GlobeManipulatorImpl::setKeyOperaterSpeed(double pan, double pitch, double rotate, double move) {
  settings().keys = KeySpeeds{pan, pitch, rotate, move};
}

void GlobeManipulatorImpl::getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) {
  const KeySpeeds& k = settings().keys;
  pan = k.pan;
  pitch = k.pitch;
  rotate = k.rotate;
  move = k.move;
}

void GlobeManipulatorImpl::setMouseZoomSpeed(double speed) { settings().mouseZoomSpeed = speed; }
void GlobeManipulatorImpl::getMouseZoomSpeed(double& speed) { speed = settings().mouseZoomSpeed; }
void GlobeManipulatorImpl::setMouseTiltLessZeroEnable(bool enable) { settings().mouseTiltLessZeroEnable = enable; }
bool GlobeManipulatorImpl::isMouseTiltLessZeroEnable() { return settings().mouseTiltLessZeroEnable; }

void GlobeManipulatorImpl::setTopViewFixed(bool fixed) {
  if (fixed == topViewFixed) return;
  if (fixed) lookDown();
  topViewFixed = fixed;
}

bool GlobeManipulatorImpl::isFlying() const noexcept { return currentFlight != nullptr || flightState.flying; }

void GlobeManipulatorImpl::home() {
  position = homePosition;
  orientation = homeOrientation;
}

bool GlobeManipulatorImpl::isCameraUnderground() const { return heightAboveTerrain < 0.0; }

void GlobeManipulatorImpl::updateCamera(Camera& camera) {
  if (camera.getPosition() == position && camera.getOrientation() == orientation) return;
  // Both, even when only one differs: the camera rebuilds its matrices from the pair.
  camera.setPosition(position);
  camera.setOrientation(orientation);
}

void GlobeManipulatorImpl::updateMembers(const SceneImpl& scene) {
  if (!(position == cachedEyePosition)) {
    cachedEyePosition = position;
    if (auto c = toCartographic(position)) eyeCartographic = *c;
  }
  viewDirection = orientation * Vector3<double>(0.0, 0.0, -1.0);

  const GlobeImpl& globe = scene.getGlobe();
  if (auto h = globe.getHeight(eyeCartographic)) terrainHeight = *h;
  heightAboveTerrain = eyeCartographic.height - terrainHeight;

  const Vector3<double> eyeUp = localUp(eyeCartographic, cachedEyePosition);
  const Vector3<double> leftAxis = orientation * Vector3<double>(-1.0, 0.0, 0.0);
  viewPitch = signedAngle(viewDirection, -eyeUp, leftAxis);

  navCenterFound = false;
  if (undergroundAllowed && isCameraUnderground()) {
    const Vector3<double> segment = viewDirection * (globe.getMaximumRadius() * kUndergroundSegmentRadii);
    if (auto t = segmentSphereHit(position, segment, kUndergroundCenterSphereRadiusSquared)) {
      navCenter = position + segment * *t;
      navCenterFound = true;
    }
  }

  if (!navCenterFound) {
    const Ray ray{position, viewDirection};
    std::optional<Vector3<double>> hit;
    if (scene.ellipsoidPick) {
      auto interval = IntersectionTests::intersects(ray, kNavigationEllipsoid);
      if (interval && interval->start > 0.0) hit = ray.getPoint(interval->start);
    } else {
      hit = globe.pick(ray, scene);
    }
    if (hit) {
      navCenter = *hit;
      const double d = Vector3<double>::distance(*hit, position);
      if (viewPitch > kHorizonPitch) {
        if (heightAboveTerrain > kLowHeight) {
          if (d > kHighReachFactor * heightAboveTerrain)
            navCenter = position + viewDirection * (kHighReachFactor * heightAboveTerrain);
        } else if (d > kLowReach) {
          navCenter = position + viewDirection * kLowReach;
        }
      }
      navCenterFound = true;
    }
  }

  if (!navCenterFound) {
    navCenter = position + viewDirection * (heightAboveTerrain > kLowHeight ? heightAboveTerrain : kLowHeight);
  }

  if (auto c = toCartographic(navCenter)) {
    navCenterLongitude = c->longitude;
    navCenterLatitude = c->latitude;
    const Vector3<double> centerUp = localUp(*c, navCenter);
    tilt = Radian(signedAngle(-viewDirection, centerUp, leftAxis));
  }

  heading = computeHeading();
}

Radian GlobeManipulatorImpl::computeHeading() const {
  const Vector3<double> forward = orientation * Vector3<double>(0.0, 0.0, -1.0);
  const double a = unsignedAngle(forward, -position);
  // Level the view (turn it about its right axis until it looks at the Earth's
  // centre), then read where the north axis lies in camera space.
  const Quaternion level = Quaternion::fromAxisAngle(orientation * Vector3<double>(1.0, 0.0, 0.0), Radian(-a));
  const Quaternion leveled = level * orientation;
  const Vector3<double> north = leveled.inverse() * Vector3<double>(0.0, 0.0, 1.0);
  const double x = north.x;
  const double y = north.y;

  auto nearZero = [](double v) { return Math::equalsEpsilon(v, 0.0, Math::EPSILON15); };
  double h = 0.0;
  if (nearZero(x) && nearZero(y)) {
    h = 0.0;  // looking along the north axis: no heading to read
  } else if (nearZero(y) && x < 0.0) {
    h = Math::PI_OVER_TWO;
  } else if (nearZero(x) && y < 0.0) {
    h = Math::PI;
  } else if (nearZero(y) && x > 0.0) {
    h = 3.0 * Math::PI_OVER_TWO;
  } else if (nearZero(x)) {
    h = 0.0;
  } else {
    const double q = std::atan(std::abs(y / x));
    if (x < 0.0 && y > 0.0)
      h = Math::PI_OVER_TWO - q;
    else if (x < 0.0 && y < 0.0)
      h = Math::PI_OVER_TWO + q;
    else if (x > 0.0 && y < 0.0)
      h = 3.0 * Math::PI_OVER_TWO - q;
    else if (x > 0.0 && y > 0.0)
      h = 3.0 * Math::PI_OVER_TWO + q;
  }
  return Radian(normalizeAngle(h));
}

void GlobeManipulatorImpl::faceNavigationPoint(const Quaternion& localTurn) {
  const auto point = getNaviSpaceMouseIntersectPos();
  if (!point) return;
  const double distance = Vector3<double>::distance(position, *point);
  const Quaternion enu =
      Quaternion::fromRotationMatrix(Transforms::eastNorthUpToFixedFrame(*point, Ellipsoid::WGS84).getRotation());
  orientation = enu * localTurn;
  position = *point + (orientation * Vector3<double>(0.0, 0.0, 1.0)) * distance;
}

void GlobeManipulatorImpl::turnNorthUp() {
  // Looking straight down with north up, then tilted back by the current tilt.
  faceNavigationPoint(Quaternion::fromAxisAngle(Vector3<double>(1.0, 0.0, 0.0), tilt));
}

void GlobeManipulatorImpl::lookDown() {
  // Looking straight down, turned to the current heading.
  faceNavigationPoint(Quaternion::fromAxisAngle(Vector3<double>(0.0, 0.0, -1.0), heading));
}

void GlobeManipulatorImpl::checkViewpointChanged() {
  if (position == notifiedPosition && notifiedOrientation == orientation) return;
  // An unusable pose is about to be rolled back (`handle`): it is neither announced nor
  // remembered, so that the pose it falls back to is compared with the last real one.
  if (!position.isFinite() || !orientation.isFinite()) return;
  const Viewpose pose{position, orientation};
  if (auto viewpoint = Transforms::viewposeToViewpoint(pose, 0.0, Ellipsoid::WGS84)) {
    viewpointChanged->raiseEvent(*viewpoint);
  }
  notifiedPosition = position;
  notifiedOrientation = orientation;
}

}  // namespace qel
