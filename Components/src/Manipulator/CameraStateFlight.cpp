// The camera-state flight: a stepped flight (334 frames) that rolls the globe under the
// view centre toward a viewpoint, turns to its heading, tilts to its pitch and closes to
// its range, climbing first when the target is out of sight.

#include <cmath>

#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Common/Ray.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Scene/CullingVolume.h"
#include "Scene/FrameState.h"
#include "Scene/SceneImpl.h"

namespace qel {

using namespace navigation;

namespace {

constexpr std::int32_t kKindCameraState = 1;
/// Progress per frame: the flight lasts until the summed steps pass 1 (334 frames).
const double kCameraStateStep = 0.003;
/// The first quarter of the flight climbs to where the target can be seen.
constexpr double kClimbPhaseEnd = 0.25;
/// Moves along the back axis below this (metres) are made this long instead, so that the
/// distance still converges when the eased step becomes tiny.
constexpr double kMinMove = 0.001;
/// Tilt corrections below this (radians) are not applied.
constexpr double kTiltTolerance = 1e-5;
/// The climb never goes farther than this many Earth radii.
constexpr double kMaxFlyDistanceRadii = 1.8;
/// Over-the-horizon recovery: the eye is put this far (metres) above the surface sphere.
constexpr double kRecoveryClearance = 10.0;

/// Rotation for roll a, pitch b and yaw c (radians) in the Z-Y-X convention; here roll is
/// a longitude, pitch a latitude and yaw a heading, so that slerping two of them moves
/// a point and a heading over the sphere together.
Quaternion fromRollPitchYaw(double roll, double pitch, double yaw) {
  const double ca = std::cos(roll / 2.0), sa = std::sin(roll / 2.0);
  const double cb = std::cos(pitch / 2.0), sb = std::sin(pitch / 2.0);
  const double cc = std::cos(yaw / 2.0), sc = std::sin(yaw / 2.0);
  return Quaternion(sa * cb * cc - ca * sb * sc, ca * sb * cc + sa * cb * sc, ca * cb * sc - sa * sb * cc,
                    ca * cb * cc + sa * sb * sc);
}

struct RollPitchYaw {
  double roll, pitch, yaw;
};

RollPitchYaw toRollPitchYaw(const Quaternion& q) {
  const double x = q.x, y = q.y, z = q.z, w = q.w;
  return {std::atan2(2.0 * (w * x + y * z), w * w - x * x - y * y + z * z),
          std::asin(Math::clamp(2.0 * (w * y - x * z), -1.0, 1.0)),
          std::atan2(2.0 * (x * y + w * z), w * w + x * x - y * y - z * z)};
}

double geocentricLongitude(const Vector3<double>& p) { return std::atan2(p.y, p.x); }
double geocentricLatitude(const Vector3<double>& p) { return std::asin(Math::clamp(p.z / p.length(), -1.0, 1.0)); }

/// A point at a geocentric longitude and latitude and a distance from the Earth's centre.
Vector3<double> sphericalPoint(double longitude, double latitude, double radius) {
  return Vector3<double>(std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
                         std::sin(latitude)) *
         radius;
}

/// Where the ray meets the sphere about the origin, in front of its origin.
std::optional<std::pair<double, Vector3<double>>> hitInFront(const Ray& ray, double radius) {
  const auto interval = IntersectionTests::intersects(ray, BoundingSphere{Vector3<double>(), radius});
  if (!interval || !(interval->start > 0.0)) return std::nullopt;
  return std::make_pair(interval->start, ray.getPoint(interval->start));
}

/// The point lies in what the last frame saw.
bool inView(const SceneImpl& scene, const Vector3<double>& point) {
  return scene.getFrameState().cullingVolume.computeVisibility(BoundingSphere{point, 0.0}) == Intersect::Inside;
}

}  // namespace

void GlobeManipulatorImpl::prepareFly(const Viewpoint& viewpoint, const SceneImpl& scene) {
  stopCamera();
  cancelFlight();
  FlightState& f = flightState;
  f.flying = true;
  f.kind = kKindCameraState;
  f.progress = 0.0;
  f.heightReference = 0;

  const Vector3<double> c =
      Ellipsoid::WGS84.cartographicToCartesian(Cartographic(viewpoint.longitude, viewpoint.latitude, viewpoint.height));
  f.targetLongitude = geocentricLongitude(c);
  f.targetLatitude = geocentricLatitude(c);
  f.targetHeight = c.length() - kEarthRadius;
  f.targetTilt = Math::PI_OVER_TWO + viewpoint.pitch;
  f.targetHeading = viewpoint.heading;
  f.targetRange = viewpoint.range;
  f.targetPitch = viewpoint.pitch;
  f.startTilt = tilt.value();
  f.tiltChange = f.targetTilt - f.startTilt;

  const double h = f.targetHeight;
  const double sphere = h + globeRadius;
  const Ray ray{cachedEyePosition, viewDirection};
  if (!hitInFront(ray, sphere)) {
    // Looking past the globe: bring the view centre back onto it first.
    pitchCenter(Radian(-tilt.value()), scene);
    setDistanceZ(terrainHeight + globeRadius + kRecoveryClearance, scene);
  }

  const double eyeHeight = eyeCartographic.height;
  const Vector3<double> targetPoint =
      Ellipsoid::WGS84.cartographicToCartesian(Cartographic(f.targetLongitude, f.targetLatitude, h));
  if (!(h > eyeHeight) && inView(scene, targetPoint)) return;

  const auto hit = hitInFront(ray, sphere);
  if (!hit) return;
  const auto& [d, g] = *hit;
  const double gLat = geocentricLatitude(g);
  const double gLon = geocentricLongitude(g);
  const double cosArc = std::cos(f.targetLatitude) * std::cos(gLat) * std::cos(gLon - f.targetLongitude) +
                        std::sin(f.targetLatitude) * std::sin(gLat);
  const double arc = std::acos(Math::clamp(cosArc, -1.0, 1.0));
  const double tau = signedAngle(-viewDirection, Ellipsoid::WGS84.geodeticSurfaceNormal(g),
                                 orientation * Vector3<double>(-1.0, 0.0, 0.0));
  double climb = 0.0;
  if (h > eyeHeight && !Math::equalsEpsilon(std::cos(tau), 0.0, Math::EPSILON15)) {
    climb = (h - eyeHeight) / std::cos(tau);
  }
  const double distance = std::max(climb, (std::max(eyeHeight, h) + globeRadius) * arc) +
                          Math::sign(d) * Vector3<double>::distance(cachedEyePosition, g);
  f.flyDistance = std::min(distance, kMaxFlyDistanceRadii * globeRadius);
  f.targetSeen = true;
}

void GlobeManipulatorImpl::flyToCameraState(const SceneImpl& scene) {
  FlightState& f = flightState;
  f.progress += kCameraStateStep;
  const double h = f.targetHeight;
  const double sphere = h + globeRadius;
  // Every ray of a step starts from the pose of the frame's start: the step's own
  // motions do not move it.
  const Ray ray{cachedEyePosition, viewDirection};
  auto moveBack = [this](double amount) { position += orientation * Vector3<double>(0.0, 0.0, amount); };

  if (f.progress <= 1.0) {
    const double n = std::ceil((1.0 - f.progress) / kCameraStateStep);
    const double share = (2.0 * n - 1.0) / (n * n);
    const double frameTilt = f.startTilt + f.progress * f.tiltChange;

    if (const auto hit = hitInFront(ray, sphere)) {
      const Vector3<double>& p = hit->second;
      const Quaternion q1 = fromRollPitchYaw(geocentricLongitude(p), geocentricLatitude(p), heading.value());
      const Quaternion q2 = fromRollPitchYaw(f.targetLongitude, f.targetLatitude, f.targetHeading);
      const RollPitchYaw frame = toRollPitchYaw(Quaternion::slerp(q1, q2, f.progress * f.progress));
      const Vector3<double> center = sphericalPoint(frame.roll, frame.pitch, h + kEarthRadius);
      pan(p, center, scene, false);
      rotate(Radian(heading.value() - frame.yaw), center.normalized(), scene);
      if (std::abs(frameTilt - tilt.value()) > kTiltTolerance) {
        collisionPitchPos(Radian(frameTilt - tilt.value()), center, scene);
      }
    }

    if (const auto hit = hitInFront(ray, sphere)) {
      const double r = Math::sign(hit->first) * Vector3<double>::distance(cachedEyePosition, hit->second);
      if (f.progress < kClimbPhaseEnd && f.targetSeen) {
        const double k = std::ceil((kClimbPhaseEnd - f.progress) / kCameraStateStep);
        const double rem = f.flyDistance - r;
        const double step = (2.0 * k - 1.0) / (k * k) * rem;
        if (std::abs(step) > kMinMove) {
          moveBack(step);
        } else if (std::abs(step) < kMinMove) {
          if (std::abs(rem) > kMinMove) {
            moveBack(Math::sign(rem) * kMinMove);
          } else {
            moveBack(rem);
            f.targetSeen = false;
          }
        }
      } else {
        const double rem = f.targetRange - r;
        const double step = rem * share;
        if (std::abs(step) > kMinMove) {
          moveBack(step);
        } else if (std::abs(step) < kMinMove && std::abs(rem) > kMinMove) {
          moveBack(Math::sign(rem) * kMinMove);
        }
      }
    }
    return;
  }

  // The last frame: land exactly on the target's centre, heading, tilt and range.
  const Vector3<double> target = sphericalPoint(f.targetLongitude, f.targetLatitude, h + kEarthRadius);
  if (const auto hit = hitInFront(ray, sphere)) {
    pan(hit->second, target, scene, false);
    rotate(Radian(heading.value() - f.targetHeading), target.normalized(), scene);
    const double tau = signedAngle(-viewDirection, Ellipsoid::WGS84.geodeticSurfaceNormal(target),
                                   orientation * Vector3<double>(-1.0, 0.0, 0.0));
    collisionPitchPos(Radian(f.targetTilt - tau), target, scene);
  }
  if (const auto hit = hitInFront(ray, sphere)) {
    moveBack(f.targetRange - Math::sign(hit->first) * Vector3<double>::distance(cachedEyePosition, hit->second));
  }
  resetFlightState();
}

}  // namespace qel
