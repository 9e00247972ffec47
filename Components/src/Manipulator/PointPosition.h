#pragma once

#include <optional>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Feature/PointGeometry.h"

namespace qel {

/// A geographic position as a fixed-frame point would give it back: longitude in
/// (−π, π], latitude in [−π/2, π/2], the same place. Empty where the position names no
/// place (a coordinate that is not finite, or the Earth's centre).
inline std::optional<Cartographic> throughFixedFrame(const Cartographic& position) noexcept {
  const Vector3<double> point = Ellipsoid::WGS84.cartographicToCartesian(position);
  if (!point.isFinite()) return std::nullopt;
  return Ellipsoid::WGS84.cartesianToCartographic(point);
}

/// The position of a point geometry as the editors read it; empty when it has none.
inline std::optional<Cartographic> readPointPosition(const Feature::PointGeometry& geometry) noexcept {
  return throughFixedFrame(geometry.getPosition());
}

}  // namespace qel
