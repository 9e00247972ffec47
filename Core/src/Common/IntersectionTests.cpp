#include "Common/IntersectionTests.h"

#include <cmath>
#include <utility>

namespace qel {
namespace {

// Roots of a t² + 2 b t + c = 0 (a > 0) as an interval, or empty when there are none or
// both are negative. The smaller-magnitude root comes from c / s, which does not cancel
// when one root is near 0 (an origin close to the surface).
std::optional<Interval> solveQuadratic(double a, double b, double c) noexcept {
  if (!(a > 0.0) || !std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) return std::nullopt;
  const double discriminant = b * b - a * c;
  if (discriminant < 0.0) return std::nullopt;
  const double root = std::sqrt(discriminant);
  const double s = b > 0.0 ? -(b + root) : root - b;
  double first = s / a;
  double second = s != 0.0 ? c / s : first;
  if (first > second) std::swap(first, second);
  if (second < 0.0) return std::nullopt;
  return Interval{first, second};
}

}  // namespace

std::optional<Interval> IntersectionTests::intersects(const Ray& ray, const Ellipsoid& ellipsoid) noexcept {
  if (!ellipsoid.isValid()) return std::nullopt;
  // Scale space so that the ellipsoid becomes the unit sphere; t is unchanged by it.
  const Vector3<double>& inv = ellipsoid.getOneOverRadii();
  const Vector3<double> q(ray.origin.x * inv.x, ray.origin.y * inv.y, ray.origin.z * inv.z);
  const Vector3<double> w(ray.direction.x * inv.x, ray.direction.y * inv.y, ray.direction.z * inv.z);
  return solveQuadratic(w.dot(w), q.dot(w), q.dot(q) - 1.0);
}

std::optional<Interval> IntersectionTests::intersects(const Ray& ray, const BoundingSphere& sphere) noexcept {
  if (!std::isfinite(sphere.radius) || sphere.radius < 0.0 || !sphere.center.isFinite()) return std::nullopt;
  const Vector3<double> offset = ray.origin - sphere.center;
  return solveQuadratic(ray.direction.dot(ray.direction), offset.dot(ray.direction),
                        offset.dot(offset) - sphere.radius * sphere.radius);
}

}  // namespace qel
