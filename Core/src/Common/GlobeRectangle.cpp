#include "Common/GlobeRectangle.h"

#include <algorithm>
#include <cmath>

namespace qel {

double GlobeRectangle::computeWidth() const noexcept {
  const double width = east - west;
  return east < west ? width + Math::TWO_PI : width;
}

Cartographic GlobeRectangle::computeCenter() const noexcept {
  // Across the antimeridian the east bound lies a turn further on; the middle is then
  // brought back into (−π, π].
  const double unwrappedEast = east < west ? east + Math::TWO_PI : east;
  return {Math::negativePiToPi((west + unwrappedEast) * 0.5), (south + north) * 0.5, 0.0};
}

bool GlobeRectangle::contains(const Cartographic& position) const noexcept {
  if (!(position.latitude >= south && position.latitude <= north)) return false;
  // The eastward angle from the west bound, so that −π and π are the same meridian.
  const double fromWest = Math::zeroToTwoPi(position.longitude - west);
  return fromWest <= computeWidth();
}

bool GlobeRectangle::isValid() const noexcept {
  const auto inRange = [](double v, double bound) { return std::isfinite(v) && v >= -bound && v <= bound; };
  return inRange(west, Math::PI) && inRange(east, Math::PI) && inRange(south, Math::PI_OVER_TWO) &&
         inRange(north, Math::PI_OVER_TWO) && south <= north;
}

std::optional<GlobeRectangle> GlobeRectangle::fromCartographicArray(const std::vector<Cartographic>& positions) {
  if (positions.empty()) return std::nullopt;
  // The longitudes measured two ways: in (−π, π], where a set straddling the
  // antimeridian looks nearly a full turn wide, and in [0, 2π), where a set straddling
  // the prime meridian does. The narrower reading is the rectangle.
  double westPi = Math::POSITIVE_INFINITY;
  double eastPi = Math::NEG_INFINITY;
  double westTwoPi = Math::POSITIVE_INFINITY;
  double eastTwoPi = Math::NEG_INFINITY;
  double south = Math::POSITIVE_INFINITY;
  double north = Math::NEG_INFINITY;
  for (const Cartographic& p : positions) {
    if (!p.isFinite()) return std::nullopt;
    const double lonPi = Math::negativePiToPi(p.longitude);
    const double lonTwoPi = Math::zeroToTwoPi(p.longitude);
    westPi = std::min(westPi, lonPi);
    eastPi = std::max(eastPi, lonPi);
    westTwoPi = std::min(westTwoPi, lonTwoPi);
    eastTwoPi = std::max(eastTwoPi, lonTwoPi);
    south = std::min(south, p.latitude);
    north = std::max(north, p.latitude);
  }
  if (eastTwoPi - westTwoPi < eastPi - westPi) {
    westPi = Math::negativePiToPi(westTwoPi);
    eastPi = Math::negativePiToPi(eastTwoPi);
  }
  return GlobeRectangle{westPi, south, eastPi, north};
}

}  // namespace qel
