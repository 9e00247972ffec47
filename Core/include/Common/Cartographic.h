#pragma once

#include <cmath>

#include "Common/Math.h"

namespace qel {

/// A geographic position on Ellipsoid::WGS84: longitude and latitude in radians
/// (longitude in [−π, π], latitude in [−π/2, π/2]) and height in metres above the ellipsoid.
struct Cartographic {
  double longitude = 0.0;
  double latitude = 0.0;
  double height = 0.0;

  constexpr Cartographic() noexcept = default;
  constexpr Cartographic(double lon, double lat, double h = 0.0) noexcept : longitude(lon), latitude(lat), height(h) {}
  static constexpr Cartographic fromDegrees(double lonDeg, double latDeg, double h = 0.0) noexcept {
    return {Math::toRadians(lonDeg), Math::toRadians(latDeg), h};
  }
  constexpr bool operator==(const Cartographic&) const noexcept = default;
  /// True when longitude, latitude and height each differ by at most `epsilon` (radians
  /// for the angles, metres for the height, the same number for all three); 0 asks for
  /// exact equality. A NaN component is never equal.
  bool equalsEpsilon(const Cartographic& o, double epsilon) const noexcept {
    return std::abs(longitude - o.longitude) <= epsilon && std::abs(latitude - o.latitude) <= epsilon &&
           std::abs(height - o.height) <= epsilon;
  }
  bool isFinite() const noexcept {
    return std::isfinite(longitude) && std::isfinite(latitude) && std::isfinite(height);
  }
};

}  // namespace qel
