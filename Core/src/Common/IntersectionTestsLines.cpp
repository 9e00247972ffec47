// Closest points of lines and projections onto segments, for the tools that insert a
// vertex where the pointer meets a drawn line.
#include <cmath>

#include "Common/IntersectionTests.h"

namespace qel {

namespace {

// Below this share of the product of the squared lengths the two directions count as
// parallel: the closest points are then not unique.
constexpr double kParallelShare = 1e-14;

}  // namespace

std::optional<std::pair<Vector3<double>, Vector3<double>>> IntersectionTests::computeClosestPoints(
    const Vector3<double>& p1, const Vector3<double>& p2, const Vector3<double>& q1,
    const Vector3<double>& q2) noexcept {
  if (!p1.isFinite() || !p2.isFinite() || !q1.isFinite() || !q2.isFinite()) return std::nullopt;
  const Vector3<double> d1 = p2 - p1;
  const Vector3<double> d2 = q2 - q1;
  const Vector3<double> r = p1 - q1;
  const double a = d1.dot(d1);
  const double e = d2.dot(d2);
  const double b = d1.dot(d2);
  const double c = d1.dot(r);
  const double f = d2.dot(r);
  // a·e − b² = |d1 × d2|²: zero for parallel lines and for a line of coincident ends.
  const double denominator = a * e - b * b;
  if (!(a > 0.0) || !(e > 0.0) || !(denominator > kParallelShare * a * e)) return std::nullopt;
  const double s = (b * f - c * e) / denominator;
  const double t = (a * f - b * c) / denominator;
  return std::make_pair(p1 + d1 * s, q1 + d2 * t);
}

bool IntersectionTests::isPointProjectOnLineSegment(const Vector2<double>& point, const Vector2<double>& a,
                                                    const Vector2<double>& b) noexcept {
  const Vector2<double> ab = b - a;
  const double lengthSquared = ab.lengthSquared();
  const double along = (point - a).dot(ab);
  if (!std::isfinite(lengthSquared) || !std::isfinite(along)) return false;
  if (lengthSquared == 0.0) return true;
  return along >= 0.0 && along <= lengthSquared;
}

}  // namespace qel
