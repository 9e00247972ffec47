// Where a press on the edited line inserts a vertex: by the pointer's ray for a line in
// space, by longitude and latitude for a line lying on a surface.
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "PolylineEditorStyle.h"
#include "Scene/SceneImpl.h"

namespace qel {

namespace {

// A line in space is hit within its width plus this many pixels.
constexpr double kSpaceTolerance = 10.0;
// On a surface the tolerance is a fiftieth of a tile one level coarser than the one drawn.
constexpr double kTileShare = 50.0;
// Segment ends closer than this (radians) count as one point.
constexpr double kDegenerate = 1e-10;

}  // namespace

std::optional<std::pair<int, Cartographic>> PolylineEditorImpl::findInsertionIndex(const Vector2<int>& position) {
  if (heightReference == HeightReference::None) {
    return insertionAlongRay(position, polylineStyle::lineWidth(*style), kSpaceTolerance);
  }
  return insertionOnSurface();
}

std::optional<std::pair<int, Cartographic>> PolylineEditorImpl::insertionOnSurface() {
  const std::vector<Cartographic>& positions = currentPositions();
  if (!anchor || positions.size() < 2) return std::nullopt;
  const int level = scene->getGlobe().getSurface().tileLevel;
  const double tolerance = Math::TWO_PI / std::ldexp(1.0, level - 1) / kTileShare;
  const Vector2<double> point(anchor->longitude, anchor->latitude);
  for (std::size_t j = 0; j + 1 < positions.size(); ++j) {
    const Vector2<double> a(positions[j].longitude, positions[j].latitude);
    const Vector2<double> b(positions[j + 1].longitude, positions[j + 1].latitude);
    if (!IntersectionTests::isPointProjectOnLineSegment(point, a, b)) continue;
    const Vector2<double> delta = b - a;
    const double toA = (point - a).lengthSquared();
    const bool degenerate =
        Math::equalsEpsilon(delta.x, 0.0, kDegenerate) && Math::equalsEpsilon(delta.y, 0.0, kDegenerate);
    double squared = toA;
    if (!degenerate) {
      // Squared distance to the line through a and b.
      const double cross = delta.x * (point.y - a.y) - delta.y * (point.x - a.x);
      squared = cross * cross / delta.lengthSquared();
    }
    if (tolerance * tolerance < squared) continue;
    const double along = degenerate ? 0.0 : std::sqrt(std::max(toA - squared, 0.0) / delta.lengthSquared());
    const Vector2<double> foot = a + delta * along;
    return std::make_pair(static_cast<int>(j + 1), Cartographic(foot.x, foot.y, positions[j].height));
  }
  return std::nullopt;
}

}  // namespace qel
