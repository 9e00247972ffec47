// The model editor's gizmo: the numbers its parts are built from and the geometry of
// its drags, all in gizmo coordinates (the object's box centred at the origin).
#include <algorithm>
#include <cmath>
#include <limits>

#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Manipulator/ModelGizmo.h"

namespace qel {

namespace {

// The unit vector of a local axis; the axis segment a drag is measured on runs from the
// origin to it.
Vector3<double> unitAxis(Controller axis) noexcept {
  switch (axis) {
    case Controller::YAxis: return Vector3<double>::unitY();
    case Controller::ZAxis: return Vector3<double>::unitZ();
    default: return Vector3<double>::unitX();
  }
}

// Distance from `point` to the infinite line through `origin` along `direction` (not
// zero).
double distanceToLine(const Vector3<double>& point, const Vector3<double>& origin, const Vector3<double>& direction) {
  const Vector3<double> unit = direction.normalized();
  const Vector3<double> offset = point - origin;
  return (offset - unit * offset.dot(unit)).length();
}

}  // namespace

std::vector<Vector3<double>> ModelGizmo::ringPointsFor(double radius) {
  std::vector<Vector3<double>> points;
  points.reserve(kRingSegments + 1);
  for (int i = 0; i < kRingSegments; ++i) {
    const double theta = static_cast<double>(i) * Math::TWO_PI / kRingSegments;
    points.emplace_back(radius * std::cos(theta), radius * std::sin(theta), 0.0);
  }
  points.push_back(points.front());
  return points;
}

std::array<Vector3<double>, 8> ModelGizmo::cornersFor(const Vector3<double>& h) {
  return {{
      {-h.x, h.y, h.z},
      {h.x, h.y, h.z},
      {h.x, -h.y, h.z},
      {-h.x, -h.y, h.z},
      {-h.x, h.y, -h.z},
      {h.x, h.y, -h.z},
      {h.x, -h.y, -h.z},
      {-h.x, -h.y, -h.z},
  }};
}

std::optional<Vector3<double>> ModelGizmo::closestPointOnAxis(const Ray& ray, Controller axis) {
  const auto points = IntersectionTests::computeClosestPoints(ray.origin, ray.origin + ray.direction,
                                                              Vector3<double>::zero(), unitAxis(axis));
  if (!points) return std::nullopt;
  return points->second;
}

std::optional<Vector3<double>> ModelGizmo::closestPointOnRing(const Ray& ray,
                                                              const std::vector<Vector3<double>>& ring) {
  if (ring.size() < 2 || !ray.origin.isFinite() || !ray.direction.isFinite()) return std::nullopt;
  const Vector3<double> rayEnd = ray.origin + ray.direction;
  std::optional<Vector3<double>> nearest;
  double nearestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
    const Vector3<double>& a = ring[i];
    const Vector3<double>& b = ring[i + 1];
    const auto points = IntersectionTests::computeClosestPoints(ray.origin, rayEnd, a, b);
    if (!points) continue;
    // Keep the point within the segment: beyond its ends it lies on a neighbour's line,
    // not on the ring.
    const Vector3<double> along = b - a;
    const double t = Math::clamp((points->second - a).dot(along) / along.lengthSquared(), 0.0, 1.0);
    const Vector3<double> onSegment = a + along * t;
    const double distance = distanceToLine(onSegment, ray.origin, ray.direction);
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = onSegment;
    }
  }
  return nearest;
}

std::optional<double> ModelGizmo::ringTurn(const Vector3<double>& from, const Vector3<double>& to) {
  const double fromLength = from.length();
  const double toLength = to.length();
  if (!(fromLength > 0.0) || !(toLength > 0.0)) return std::nullopt;
  const Vector3<double> u = from / fromLength;
  const Vector3<double> v = to / toLength;
  // Rounding can carry the cosine just past ±1, where arccos has no value.
  double angle = std::acos(std::clamp(u.dot(v), -1.0, 1.0));
  if (u.x * v.y - u.y * v.x > 0.0) angle = -angle;
  return angle;
}

}  // namespace qel
