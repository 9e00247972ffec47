// Geodetic conversions on a (possibly triaxial) ellipsoid.
//
// cartesian -> geodetic finds the foot of the normal through the point: the surface
// point s with p = s + λ ∇(s)/2, i.e. s_i = p_i r_i² / (r_i² + λ). Putting s on the
// surface gives one equation in the scalar λ,
//     f(λ) = Σ (p_i r_i / (r_i² + λ))² − 1 = 0,
// which is strictly decreasing and convex on λ > −min r_i² (over the axes where p_i is
// not 0), so it has exactly one root there and Newton's method converges to it from any
// start on its left. The height is then λ |p_i / (r_i² + λ)| (the distance from s to p,
// signed like λ), which avoids subtracting two Earth-sized vectors.
//
// The unknown actually iterated is k = λ + min r_i², the distance from that pole. Near
// the centre λ approaches −r², and r² + λ computed directly would cancel to a few
// significant digits; in k the smallest denominator keeps full precision.
#include "Common/Ellipsoid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "Common/Math.h"

namespace qel {
namespace {

// Below this scaled distance from the centre (|p_i / r_i| summed in squares) the point
// counts as the centre: 1e-10 of a radius is under a millimetre on the Earth, far inside
// the rounding noise of any Earth-scale position that the system computes.
constexpr double kCentreToleranceSquared = 1e-20;

// Newton stops once the surface equation holds to this relative residual: 1e-15 of a
// radius is a few nanometres on the Earth, near the rounding noise of f itself.
constexpr double kResidualTolerance = 1e-15;

// Coordinates beyond this (metres) are refused: far past anything physical, and it keeps
// every square and product below overflow.
constexpr double kMaxCoordinate = 1e100;

// Newton converges in 2 to 4 steps from the start used here for every point outside the
// evolute; the cap only bounds the work for degenerate points deep inside.
constexpr int kMaxIterations = 100;

}  // namespace

double Ellipsoid::getMaximumRadius() const noexcept { return std::max({radii_.x, radii_.y, radii_.z}); }

double Ellipsoid::getMinimumRadius() const noexcept { return std::min({radii_.x, radii_.y, radii_.z}); }

bool Ellipsoid::isValid() const noexcept {
  const auto ok = [](double r) { return std::isfinite(r) && r > 0.0; };
  return ok(radii_.x) && ok(radii_.y) && ok(radii_.z);
}

Vector3<double> Ellipsoid::geodeticSurfaceNormalCartographic(const Cartographic& c) const noexcept {
  // Unit length by construction (to rounding), so no normalisation is spent on it.
  const double cosLat = std::cos(c.latitude);
  return {cosLat * std::cos(c.longitude), cosLat * std::sin(c.longitude), std::sin(c.latitude)};
}

Vector3<double> Ellipsoid::cartographicToCartesian(const Cartographic& c) const noexcept {
  const Vector3<double> n = geodeticSurfaceNormalCartographic(c);
  // The surface point with normal n is r² ∘ n scaled back onto the surface.
  const Vector3<double> k(radiiSquared_.x * n.x, radiiSquared_.y * n.y, radiiSquared_.z * n.z);
  const double inverseGamma = 1.0 / std::sqrt(n.dot(k));
  return k * inverseGamma + n * c.height;
}

std::optional<GeodeticFoot> Ellipsoid::geodeticFoot(const Vector3<double>& p) const noexcept {
  // The negated comparison also refuses NaN.
  const auto usable = [](double v) { return std::abs(v) < kMaxCoordinate; };
  if (!isValid() || !(usable(p.x) && usable(p.y) && usable(p.z))) return std::nullopt;

  const double px2 = p.x * p.x;
  const double py2 = p.y * p.y;
  const double pz2 = p.z * p.z;
  const double scaledNormSquared =
      px2 * oneOverRadiiSquared_.x + py2 * oneOverRadiiSquared_.y + pz2 * oneOverRadiiSquared_.z;
  if (!(scaledNormSquared >= kCentreToleranceSquared)) return std::nullopt;

  // The branch holding the root starts at the pole λ = −r_j² of the smallest radius r_j
  // among the axes on which the point has a component.
  double poleSquared = 0.0;
  for (const auto& [component, radiusSquared] :
       {std::pair{p.x, radiiSquared_.x}, std::pair{p.y, radiiSquared_.y}, std::pair{p.z, radiiSquared_.z}}) {
    if (component != 0.0 && (poleSquared == 0.0 || radiusSquared < poleSquared)) poleSquared = radiusSquared;
  }
  // Offsets of the other poles: r_i² + λ = offset_i + k. Axes without a component drop
  // out of f; an infinite offset makes their terms exactly 0 (a finite one could hit a
  // 0 × ∞ along the way).
  const auto offset = [poleSquared](double component, double radiusSquared) {
    return component != 0.0 ? radiusSquared - poleSquared : std::numeric_limits<double>::infinity();
  };
  const double ox = offset(p.x, radiiSquared_.x);
  const double oy = offset(p.y, radiiSquared_.y);
  const double oz = offset(p.z, radiiSquared_.z);

  // Start from the point scaled radially onto the surface: its distance to p divided by
  // the length of the half-gradient there estimates λ well outside the evolute.
  const double ratio = 1.0 / std::sqrt(scaledNormSquared);
  const Vector3<double> radial = p * ratio;
  const Vector3<double> halfGradient(radial.x * oneOverRadiiSquared_.x, radial.y * oneOverRadiiSquared_.y,
                                     radial.z * oneOverRadiiSquared_.z);
  double k = (1.0 - ratio) * p.length() / halfGradient.length() + poleSquared;
  if (!(k > 0.0)) k = 0.5 * poleSquared;

  const double wx = px2 * radiiSquared_.x;
  const double wy = py2 * radiiSquared_.y;
  const double wz = pz2 * radiiSquared_.z;
  for (int i = 0; i < kMaxIterations; ++i) {
    const double ix = 1.0 / (ox + k);
    const double iy = 1.0 / (oy + k);
    const double iz = 1.0 / (oz + k);
    const double tx = wx * ix * ix;
    const double ty = wy * iy * iy;
    const double tz = wz * iz * iz;
    const double f = tx + ty + tz - 1.0;
    if (std::abs(f) <= kResidualTolerance) break;
    const double derivative = -2.0 * (tx * ix + ty * iy + tz * iz);
    double next = k - f / derivative;
    // A step from the right of the root may overshoot past the pole; going halfway to it
    // instead lands left of the root, from where Newton approaches monotonically.
    if (!(next > 0.0)) next = 0.5 * k;
    if (next == k) break;
    k = next;
  }

  const Vector3<double> direction(p.x / (ox + k), p.y / (oy + k), p.z / (oz + k));
  const double directionLength = direction.length();
  if (!(directionLength > 0.0) || !std::isfinite(directionLength)) return std::nullopt;

  GeodeticFoot foot;
  foot.point =
      Vector3<double>(direction.x * radiiSquared_.x, direction.y * radiiSquared_.y, direction.z * radiiSquared_.z);
  foot.normal = direction / directionLength;
  foot.height = (k - poleSquared) * directionLength;
  return foot;
}

std::optional<Cartographic> Ellipsoid::cartesianToCartographic(const Vector3<double>& cartesian) const noexcept {
  const std::optional<GeodeticFoot> foot = geodeticFoot(cartesian);
  if (!foot) return std::nullopt;
  const Vector3<double>& n = foot->normal;
  const double horizontal = std::hypot(n.x, n.y);
  // On the polar axis any longitude fits; 0 is the conventional choice (and avoids the
  // ±π that atan2 gives for negative zeros).
  double longitude = horizontal > 0.0 ? std::atan2(n.y, n.x) : 0.0;
  if (longitude == -Math::PI) longitude = Math::PI;
  return Cartographic(longitude, std::atan2(n.z, horizontal), foot->height);
}

Vector3<double> Ellipsoid::geodeticSurfaceNormal(const Vector3<double>& cartesian) const noexcept {
  const std::optional<GeodeticFoot> foot = geodeticFoot(cartesian);
  return foot ? foot->normal : Vector3<double>::zero();
}

std::optional<Vector3<double>> Ellipsoid::scaleToGeodeticSurface(const Vector3<double>& cartesian) const noexcept {
  const std::optional<GeodeticFoot> foot = geodeticFoot(cartesian);
  if (!foot) return std::nullopt;
  return foot->point;
}

}  // namespace qel
