// The path flight: a stepped flight that carries the eye along a polyline at a fixed
// speed, optionally rounding its corners, looking along the direction of travel turned
// by a fixed attitude.

#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"

namespace qel {

using namespace navigation;

namespace {

constexpr std::int32_t kKindPath = 10;
/// Speeds are given per second and stepped per frame at this rate.
constexpr double kFramesPerSecond = 60.0;
/// `pathArc` while the eye travels a straight segment.
constexpr double kNotOnArc = -1.0;
/// Arc length recorded on reaching an arc's start: just above 0, so "on the arc".
constexpr double kArcEntered = 0.00001;
/// When a corner's legs are too short for the asked radius, the arc starts this far
/// along the shorter leg, so that some straight travel is left on it.
constexpr double kShortLegTangent = 0.8;

Vector3<double> cartesian(const Cartographic& c) { return Ellipsoid::WGS84.cartographicToCartesian(c); }

/// Orientation looking along `travel` (level in the local horizon at `at`), turned by
/// the attitude: pitch about the side axis, roll about the vertical, heading about the
/// forward axis (radians).
Quaternion attitudeAlong(const Vector3<double>& at, const Vector3<double>& travel, double heading, double pitch,
                         double roll) {
  const Vector3<double> up = Ellipsoid::WGS84.geodeticSurfaceNormal(at);
  const Vector3<double> side = travel.cross(up).normalized();
  const Vector3<double> forward = up.cross(side).normalized();
  const Quaternion q = Quaternion::fromAxisAngle(side, Radian(pitch)) * Quaternion::fromAxisAngle(up, Radian(-roll)) *
                       Quaternion::fromAxisAngle(forward, Radian(-heading));
  return Quaternion::fromAxes(q * side, q * up, q * -forward);
}

}  // namespace

void GlobeManipulatorImpl::flyEyeAlongWithLineRollYawPitch(const std::vector<Cartographic>& points,
                                                           const HeadingPitchRoll& attitude, double speed, bool smooth,
                                                           double turnRadius, double turnSpeed, double unused,
                                                           int tag) {
  (void)unused;
  if (points.size() < 2) return;
  // Any running tween flight gives way to the path.
  cancelFlight();
  FlightState& f = flightState;
  f.pathAttitude = HeadingPitchRoll{-attitude.heading, -attitude.pitch, -attitude.roll};
  const Vector3<double> a = cartesian(points[0]);
  const Vector3<double> b = cartesian(points[1]);
  orientation = attitudeAlong(a, (b - a).normalized(), attitude.heading, attitude.pitch, attitude.roll);
  position = a;

  f.tag = tag;
  f.flying = true;
  f.kind = kKindPath;
  f.pathPoints = points;
  f.pathPosition = a;
  f.pathSmooth = smooth;
  f.pathTurnRadius = turnRadius;
  f.pathTurnSpeed = turnSpeed;
  f.pathSegment = 0;
  f.pathSpeed = speed;
  f.pathArc = kNotOnArc;
}

void GlobeManipulatorImpl::flyEyeAlongWithLineRollYawPitch() {
  FlightState& f = flightState;
  const auto n = static_cast<std::int32_t>(f.pathPoints.size());
  std::int32_t i = f.pathSegment;
  const std::int32_t startSegment = i;
  if (i >= n - 1) {
    f.flying = false;
    return;
  }
  const std::vector<Cartographic>& pts = f.pathPoints;
  const Vector3<double> a = cartesian(pts[static_cast<std::size_t>(i)]);
  const Vector3<double> b = cartesian(pts[static_cast<std::size_t>(i) + 1]);
  const Vector3<double> d = (b - a).normalized();
  const double left = (b - f.pathPosition).length();
  const double step = f.pathSpeed / kFramesPerSecond;
  const Vector3<double> previous = f.pathPosition;

  // The corner at b, when there is one to round.
  bool straight = !f.pathSmooth || f.pathTurnRadius <= 0.0 || i >= n - 2;
  Vector3<double> c;
  double theta = 0.0;
  if (!straight) {
    c = cartesian(pts[static_cast<std::size_t>(i) + 2]);
    theta = Math::PI - unsignedAngle((b - a).normalized(), (b - c).normalized());
    straight = Math::equalsEpsilon(theta, 0.0, 0.0, Math::EPSILON10) ||
               Math::equalsEpsilon(theta, Math::PI, 0.0, Math::EPSILON10);
  }

  Vector3<double> p = f.pathPosition;
  bool onArc = false;
  if (straight) {
    if (step <= left) {
      p = f.pathPosition + d * step;
    } else if (i == n - 2) {
      i += 1;  // the end is reached; the next step ends the flight
      p = b;
    } else {
      // Carry what is left of the step over the following segments.
      double rest = step - left;
      bool placed = false;
      for (std::int32_t j = i + 1; j < n - 1 && rest > 0.0; ++j) {
        const Vector3<double> from = cartesian(pts[static_cast<std::size_t>(j)]);
        const Vector3<double> seg = cartesian(pts[static_cast<std::size_t>(j) + 1]) - from;
        i = j;
        if (rest <= seg.length()) {
          p = from + seg.normalized() * rest;
          placed = true;
          break;
        }
        rest -= seg.length();
      }
      if (!placed) {
        i = n - 1;
        p = cartesian(pts.back());
      }
    }
  } else {
    const Vector3<double> d1 = (b - a).normalized();
    const Vector3<double> d2 = (b - c).normalized();
    const Vector3<double> normal = d1.cross(d2).normalized();
    const double legIn = (b - a).length();
    const double legOut = (c - b).length();
    double tangent = std::tan(theta / 2.0) * f.pathTurnRadius;
    double radius = f.pathTurnRadius;
    if (legIn < tangent || legOut < tangent) {
      tangent = kShortLegTangent * std::min(legIn, legOut);
      radius = tangent * std::tan((Math::PI - theta) / 2.0);
    }
    const Vector3<double> arcStart = b - d1 * tangent;
    const Vector3<double> outgoing = -d2;
    const Vector3<double> inside = (outgoing - d1 * outgoing.dot(d1)).normalized();
    const Vector3<double> centre = arcStart + inside * radius;

    if (f.pathArc < 0.0) {
      if ((arcStart - f.pathPosition).length() <= step) {
        p = arcStart;
        f.pathArc = kArcEntered;
      } else {
        p = f.pathPosition + d * step;
      }
    } else {
      const double next = f.pathArc + f.pathTurnSpeed / kFramesPerSecond;
      const double arcLength = radius * theta;
      if (next <= arcLength) {
        const Quaternion turn = Quaternion::fromAxisAngle(normal, Radian(-(next / arcLength) * theta));
        p = centre + turn * (arcStart - centre);
        f.pathArc = next;
        onArc = true;
      } else {
        // Off the arc: the next segment starts where the arc left the corner.
        i += 1;
        f.pathArc = kNotOnArc;
        if (i < n) {
          if (const auto here = toCartographic(p)) f.pathPoints[static_cast<std::size_t>(i)] = *here;
        }
      }
    }
  }
  Vector3<double> travel = d;
  if (onArc && !(p == previous)) {
    travel = (p - previous).normalized();
  } else if (i != startSegment && i < n - 1) {
    travel = (cartesian(f.pathPoints[static_cast<std::size_t>(i) + 1]) -
              cartesian(f.pathPoints[static_cast<std::size_t>(i)]))
                 .normalized();
  }
  f.pathSegment = i;
  const HeadingPitchRoll& att = f.pathAttitude;
  orientation = attitudeAlong(p, travel, att.heading, att.pitch, att.roll);
  position = p;
  f.pathPosition = p;
}

}  // namespace qel
