#pragma once

// Angle helpers and module-wide values shared by the globe manipulator's units.

#include <algorithm>
#include <cmath>
#include <optional>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"

namespace qel::navigation {

/// Equatorial radius of WGS84 (metres): the sphere that pan speeds and height tests use.
inline constexpr double kEarthRadius = 6378137.0;

/// Navigation rays with the ellipsoid-pick flag set meet WGS84 grown by this much on
/// every axis, so that terrain up to 10 km stays inside it.
inline constexpr double kNavigationEllipsoidMargin = 10000.0;
inline constexpr Ellipsoid kNavigationEllipsoid{6378137.0 + kNavigationEllipsoidMargin,
                                                6378137.0 + kNavigationEllipsoidMargin,
                                                6356752.3142451793 + kNavigationEllipsoidMargin};

/// True when |v| is 0 within EPSILON15 (relative and absolute).
inline bool isZero(double v) noexcept { return Math::equalsEpsilon(v, 0.0, Math::EPSILON15); }

/// Signed angle from a to b about n: the angle between them, negative when a × b points
/// away from n; 0 for zero vectors or a cosine outside [−1, 1].
inline double signedAngle(const Vector3<double>& a, const Vector3<double>& b, const Vector3<double>& n) noexcept {
  const double lengths = a.length() * b.length();
  if (Math::equalsEpsilon(lengths, 0.0, Math::EPSILON15)) return 0.0;
  const double c = a.dot(b) / lengths;
  if (!(c >= -1.0 && c <= 1.0)) return 0.0;
  const double angle = std::acos(c);
  return a.cross(b).normalized().dot(n) < 0.0 ? -angle : angle;
}

/// Unsigned angle between a and b. For vectors of equal length the chord form is used
/// (accurate for tiny angles, which the per-pixel pan steps are); otherwise the cosine.
inline double unsignedAngle(const Vector3<double>& a, const Vector3<double>& b) noexcept {
  const double la = a.length();
  const double lb = b.length();
  if (Math::equalsEpsilon(la, lb, Math::EPSILON10)) {
    if (la == 0.0) return 0.0;  // two zero vectors: no angle rather than 0/0
    return 2.0 * std::asin(Math::clamp((a - b).length() / 2.0 / la, -1.0, 1.0));
  }
  const double denominator = std::max(la * lb, static_cast<double>(1e-6f));
  return std::acos(Math::clamp(a.dot(b) / denominator, -1.0, 1.0));
}

inline double normalizeAngle(double angle) noexcept { return Math::negativePiToPi(angle); }

inline bool isFinite(const Vector2<float>& v) noexcept { return std::isfinite(v.x) && std::isfinite(v.y); }

inline std::optional<Cartographic> toCartographic(const Vector3<double>& p) noexcept {
  return Ellipsoid::WGS84.cartesianToCartographic(p);
}

/// Unit up direction at a point: from the point to the point 10 m above it.
inline Vector3<double> localUp(const Cartographic& c, const Vector3<double>& point) noexcept {
  constexpr double kUpProbe = 10.0;  // metres above the point that define "up"
  const Vector3<double> above =
      Ellipsoid::WGS84.cartographicToCartesian(Cartographic(c.longitude, c.latitude, c.height + kUpProbe));
  return (above - point).normalized();
}

}  // namespace qel::navigation
