// Where a press on the edited line inserts a vertex: by the pointer's ray for a line in
// space, by longitude and latitude for a line lying on a surface.
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "PolylineEditorStyle.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"

namespace qel {

namespace {

// The pointer's ray is taken as a segment this long (metres) from the eye.
constexpr double kRayLength = 100.0;
// A line in space is hit within its width plus this many pixels.
constexpr double kSpaceTolerance = 10.0;
// On a surface the tolerance is a fiftieth of a tile one level coarser than the one drawn.
constexpr double kTileShare = 50.0;
// Segment ends closer than this (radians) count as one point.
constexpr double kDegenerate = 1e-10;

}  // namespace

std::optional<std::pair<int, Cartographic>> PolylineEditorImpl::findInsertionIndex(const Vector2<int>& position) {
  if (heightReference == HeightReference::None) return insertionInSpace(position);
  return insertionOnSurface();
}

std::optional<std::pair<int, Cartographic>> PolylineEditorImpl::insertionInSpace(const Vector2<int>& q) {
  const std::vector<Cartographic>& positions = currentPositions();
  if (positions.size() < 2) return std::nullopt;
  const Ray ray = scene->getCamera().getPickRay(Vector2<float>(static_cast<float>(q.x), static_cast<float>(q.y)));
  const Vector3<double> rayStart = ray.origin;
  const Vector3<double> rayEnd = ray.getPoint(kRayLength);
  const double width = polylineStyle::lineWidth(*style);
  const Vector3<double> window(static_cast<double>(q.x), static_cast<double>(q.y), 0.0);
  Vector3<double> previous = Ellipsoid::WGS84.cartographicToCartesian(positions[0]);
  for (std::size_t i = 1; i < positions.size(); ++i) {
    const Vector3<double> current = Ellipsoid::WGS84.cartographicToCartesian(positions[i]);
    const auto closest = IntersectionTests::computeClosestPoints(previous, current, rayStart, rayEnd);
    if (closest) {
      const Vector3<double>& onLine = closest->first;
      const double pixel = SceneTransforms::computeRealLengthOfOnePixel(*scene, onLine, window);
      const double gap = Vector3<double>::distance(onLine, closest->second) / pixel;
      // Strictly between the two vertices: the directions to them are opposite.
      const bool between = (previous - onLine).normalized().dot((current - onLine).normalized()) < 0.0;
      if (width + kSpaceTolerance > gap && between) {
        if (std::optional<Cartographic> at = Ellipsoid::WGS84.cartesianToCartographic(onLine)) {
          return std::make_pair(static_cast<int>(i), *at);
        }
      }
    }
    previous = current;
  }
  return std::nullopt;
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
