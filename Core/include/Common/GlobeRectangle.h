#pragma once

#include <optional>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/Math.h"

namespace qel {

/// A geographic rectangle: the longitudes from `west` eastwards to `east` and the
/// latitudes from `south` to `north` (radians). Longitudes lie in [−π, π], latitudes in
/// [−π/2, π/2]. When `east` < `west` the rectangle crosses the antimeridian: it runs from
/// `west` eastwards through ±π to `east`. `west` == `east` is a single meridian (width 0),
/// not the whole globe; the whole globe is `west` = −π, `east` = π (`MAX_VALUE`).
struct GlobeRectangle {
  double west = 0.0;
  double south = 0.0;
  double east = 0.0;
  double north = 0.0;

  constexpr GlobeRectangle() noexcept = default;
  constexpr GlobeRectangle(double w, double s, double e, double n) noexcept : west(w), south(s), east(e), north(n) {}
  /// Builds the rectangle from degrees (west, south, east, north).
  static constexpr GlobeRectangle fromDegrees(double w, double s, double e, double n) noexcept {
    return {Math::toRadians(w), Math::toRadians(s), Math::toRadians(e), Math::toRadians(n)};
  }

  /// The whole globe.
  static const GlobeRectangle MAX_VALUE;

  /// Longitudes covered (radians, [0, 2π]): `east` − `west`, plus 2π when the rectangle
  /// crosses the antimeridian.
  double computeWidth() const noexcept;
  /// Latitudes covered (radians): `north` − `south`.
  double computeHeight() const noexcept { return north - south; }
  /// The middle longitude (on the antimeridian side when the rectangle crosses it,
  /// brought into (−π, π]) and the middle latitude, at height 0.
  Cartographic computeCenter() const noexcept;
  /// True when the position's longitude and latitude lie in the rectangle (edges
  /// included); the height is not read. Longitudes are compared modulo 2π.
  bool contains(const Cartographic& position) const noexcept;
  /// True when every bound is finite, the latitudes lie in [−π/2, π/2] with `south` ≤
  /// `north`, and the longitudes lie in [−π, π].
  bool isValid() const noexcept;

  /// The smallest rectangle holding every position (radians; heights not read). Of the
  /// two ways round the globe it takes the narrower: positions at 170° and −170° give a
  /// 20° wide rectangle crossing the antimeridian. Empty for an empty list or a position
  /// that is not finite.
  static std::optional<GlobeRectangle> fromCartographicArray(const std::vector<Cartographic>& positions);

  constexpr bool operator==(const GlobeRectangle&) const noexcept = default;
};

inline constexpr GlobeRectangle GlobeRectangle::MAX_VALUE{-Math::PI, -Math::PI_OVER_TWO, Math::PI, Math::PI_OVER_TWO};

}  // namespace qel
