#include "Common/Transforms.h"

#include <cmath>
#include <limits>

#include "Common/Angle.h"
#include "Common/Math.h"

namespace qel {
namespace {

// Below this horizontal share of the view direction the view counts as vertical: heading
// and roll then turn about one axis and cannot be told apart, and the horizontal part is
// down at the rounding noise (~1e-16) of a rotated unit vector, so an angle read from it
// would be noise. 1e-10 rad keeps a rebuilt pose within 1e-10 rad of the original.
constexpr double kVerticalViewTolerance = 1e-10;

constexpr Vector3<double> kCameraForward{0.0, 0.0, -1.0};
constexpr Vector3<double> kCameraRight{1.0, 0.0, 0.0};

// Pole fallback for east: the limit of (−sin λ, cos λ, 0) at longitude 0.
constexpr Vector3<double> kPolarEast{0.0, 1.0, 0.0};

Matrix3 eastNorthUpRotation(const Vector3<double>& origin, const Ellipsoid& ellipsoid) noexcept {
  const Vector3<double> up = ellipsoid.geodeticSurfaceNormal(origin);
  if (up.lengthSquared() == 0.0) return Matrix3::identity();
  // east = ẑ × up; exactly perpendicular to up, so north = up × east is unit as well.
  Vector3<double> east(-up.y, up.x, 0.0);
  east = east.lengthSquared() > 0.0 ? east.normalized() : kPolarEast;
  const Vector3<double> north = up.cross(east);
  return Matrix3::fromColumns(east, north, up);
}

// +0 for −0, so that a heading of "minus nothing" prints and compares as 0.
double positiveZero(double angle) noexcept { return angle + 0.0; }

}  // namespace

Matrix4 Transforms::eastNorthUpToFixedFrame(const Vector3<double>& origin, const Ellipsoid& ellipsoid) noexcept {
  return Matrix4::fromRotationTranslation(eastNorthUpRotation(origin, ellipsoid), origin);
}

Quaternion Transforms::viewHeadingPitchRollToViewQuaternion(const Vector3<double>& position,
                                                            const HeadingPitchRoll& hpr,
                                                            const Ellipsoid& ellipsoid) noexcept {
  // From the east-north-up frame (camera looking down, north up in the image): tilt the
  // view up about the camera's right axis by pitch + π/2, turn it clockwise about the
  // local up by heading, and roll it clockwise about the view axis (−Z) by roll.
  const Quaternion frame = Quaternion::fromRotationMatrix(eastNorthUpRotation(position, ellipsoid));
  const Quaternion heading = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(-hpr.heading));
  const Quaternion tilt = Quaternion::fromAxisAngle(Vector3<double>::unitX(), Radian(hpr.pitch + Math::PI_OVER_TWO));
  const Quaternion roll = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(-hpr.roll));
  return (frame * heading * tilt * roll).normalized();
}

HeadingPitchRoll Transforms::viewQuaternionToViewHeadingPitchRoll(const Vector3<double>& position,
                                                                  const Quaternion& orientation,
                                                                  const Ellipsoid& ellipsoid) noexcept {
  if (!orientation.isFinite()) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan, nan};
  }
  const Quaternion q = orientation.normalized();
  // Camera axes expressed in east, north, up components.
  const Matrix3 toLocal = eastNorthUpRotation(position, ellipsoid).transposed();
  const Vector3<double> d = toLocal * (q * kCameraForward);
  const Vector3<double> r = toLocal * (q * kCameraRight);

  const double horizontal = std::hypot(d.x, d.y);
  const double pitch = std::atan2(d.z, horizontal);
  double heading = 0.0;
  double roll = 0.0;
  if (horizontal > kVerticalViewTolerance) {
    const double sinHeading = d.x / horizontal;
    const double cosHeading = d.y / horizontal;
    const double sinPitch = d.z;
    const double cosPitch = horizontal;
    heading = std::atan2(d.x, d.y);
    // Right and up of the same view without roll; roll turns right toward −up.
    const Vector3<double> levelRight(cosHeading, -sinHeading, 0.0);
    const Vector3<double> levelUp(-sinHeading * sinPitch, -cosHeading * sinPitch, cosPitch);
    roll = std::atan2(-r.dot(levelUp), r.dot(levelRight));
  } else {
    // Vertical view: without roll the right axis is (cos h, −sin h, 0) looking up or down.
    heading = std::atan2(-r.y, r.x);
  }
  return {positiveZero(Math::zeroToTwoPi(heading)), pitch, positiveZero(Math::zeroToTwoPi(roll))};
}

std::optional<Viewpoint> Transforms::viewposeToViewpoint(const Viewpose& viewpose, double range,
                                                         const Ellipsoid& ellipsoid) noexcept {
  if (!std::isfinite(range) || range < 0.0) return std::nullopt;
  if (!viewpose.orientation.isFinite() || viewpose.orientation.lengthSquared() == 0.0) return std::nullopt;
  if (!ellipsoid.cartesianToCartographic(viewpose.position)) return std::nullopt;

  const Quaternion q = viewpose.orientation.normalized();
  const Vector3<double> target = viewpose.position + (q * kCameraForward) * range;
  const std::optional<Cartographic> where = ellipsoid.cartesianToCartographic(target);
  if (!where) return std::nullopt;

  const HeadingPitchRoll hpr = viewQuaternionToViewHeadingPitchRoll(target, q, ellipsoid);
  return Viewpoint{where->longitude, where->latitude, where->height, hpr.heading, hpr.pitch, range};
}

Viewpose Transforms::viewpointToViewpose(const Viewpoint& vp, const Ellipsoid& ellipsoid) noexcept {
  const Vector3<double> target = ellipsoid.cartographicToCartesian({vp.longitude, vp.latitude, vp.height});
  // The orientation is global: the camera keeps it while backing off along its view.
  const Quaternion orientation = viewHeadingPitchRollToViewQuaternion(target, {vp.heading, vp.pitch, 0.0}, ellipsoid);
  const Vector3<double> eye = target - (orientation * kCameraForward) * vp.range;
  return Viewpose{eye, orientation};
}

}  // namespace qel
