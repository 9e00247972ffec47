#pragma once

#include <optional>

#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/Interval.h"
#include "Common/Ray.h"

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
};

}  // namespace qel
