#pragma once

#include <optional>
#include <utility>

#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/Interval.h"
#include "Common/Ray.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"

namespace qel {

/// Where rays cross closed surfaces.
///
/// Each test returns the ray parameters t (point = origin + t × direction, so t is in
/// units of the direction's length) at which the line enters and leaves the surface,
/// start ≤ stop:
/// - from outside, in front: 0 < start ≤ stop;
/// - from inside: start < 0 ≤ stop (callers take "start > 0" as a hit in front of the
///   eye, and otherwise use stop);
/// - a tangent line gives start == stop (up to rounding).
/// Empty when the line misses, when both crossings lie behind the origin (stop < 0), and
/// for a non-finite ray or surface, a zero direction, a negative sphere radius and an
/// ellipsoid whose radii are not all positive.
struct IntersectionTests {
  static std::optional<Interval> intersects(const Ray& ray, const Ellipsoid& ellipsoid) noexcept;
  static std::optional<Interval> intersects(const Ray& ray, const BoundingSphere& sphere) noexcept;

  /// The closest points of the two infinite lines through p1, p2 and through q1, q2
  /// (fixed frame or any Cartesian frame, metres): first the point on the p line, then
  /// the point on the q line. The points may lie beyond the given ends: callers that
  /// need a point between them test that themselves. Empty when the lines are parallel
  /// (or one of them has coincident ends), and for non-finite input.
  static std::optional<std::pair<Vector3<double>, Vector3<double>>> computeClosestPoints(
      const Vector3<double>& p1, const Vector3<double>& p2, const Vector3<double>& q1,
      const Vector3<double>& q2) noexcept;
  /// Whether the perpendicular foot of `point` on the line through `a` and `b` lies on
  /// the segment from `a` to `b`, ends included. When `a` and `b` coincide every point
  /// projects onto the segment (its foot is that single point). False for non-finite
  /// input.
  static bool isPointProjectOnLineSegment(const Vector2<double>& point, const Vector2<double>& a,
                                          const Vector2<double>& b) noexcept;
};

}  // namespace qel
