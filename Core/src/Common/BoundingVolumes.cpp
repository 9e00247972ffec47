#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "Common/BoundingRegion.h"
#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/GlobeRectangle.h"
#include "Common/OrientedBoundingBox.h"
#include "RegionBox.h"

namespace qel {
namespace detail {
namespace {

// Where the projection of the region on one axis can be extreme: the corners, the
// critical points along the four edges and inside the rectangle. The projection
// u · p(λ, φ, h) is linear in h, so each candidate is taken at both heights.
// At most 4 corners + 2 per edge × 4 edges + 2 inside.
constexpr std::size_t kMaxCandidates = 4 + 2 * 4 + 2;

struct Candidates {
  std::array<Cartographic, kMaxCandidates> items{};
  std::size_t count = 0;
  void add(double longitude, double latitude) { items[count++] = Cartographic(longitude, latitude); }
};

Candidates extremeCandidates(const GlobeRectangle& r, const Vector3<double>& u) {
  Candidates c;
  c.add(r.west, r.south);
  c.add(r.west, r.north);
  c.add(r.east, r.south);
  c.add(r.east, r.north);
  const double width = r.computeWidth();
  const auto inLongitude = [&](double lon) { return Math::zeroToTwoPi(lon - r.west) <= width; };
  const auto inLatitude = [&](double lat) { return lat >= r.south && lat <= r.north; };
  // Along a parallel the point turns on a circle about the polar axis: extreme where its
  // longitude points along u's equatorial part, or away from it.
  const double lonAlong = std::atan2(u.y, u.x);
  for (double lon : {lonAlong, lonAlong + Math::PI}) {
    if (!inLongitude(lon)) continue;
    c.add(lon, r.south);
    c.add(lon, r.north);
  }
  // Along a meridian the point follows a curve whose normal at geodetic latitude φ is
  // (cos φ, sin φ) in the meridian plane: extreme where that normal is parallel to u's
  // part in the plane.
  for (double lon : {r.west, r.east}) {
    const double inPlane = u.x * std::cos(lon) + u.y * std::sin(lon);
    for (double lat : {std::atan2(u.z, inPlane), std::atan2(-u.z, -inPlane)}) {
      if (inLatitude(lat)) c.add(lon, lat);
    }
  }
  // Inside: where the surface normal is ±u.
  const double lenU = u.length();
  if (lenU > 0.0) {
    const double latAlong = Math::asinClamped(u.z / lenU);
    for (const Cartographic& p : {Cartographic(lonAlong, latAlong), Cartographic(lonAlong + Math::PI, -latAlong)}) {
      if (inLongitude(p.longitude) && inLatitude(p.latitude)) c.add(p.longitude, p.latitude);
    }
  }
  return c;
}

}  // namespace

OrientedBoundingBox regionBox(const GlobeRectangle& rectangle, double minimumHeight, double maximumHeight,
                              const Ellipsoid& ellipsoid) noexcept {
  const Cartographic centre = rectangle.computeCenter();
  const double sinLon = std::sin(centre.longitude);
  const double cosLon = std::cos(centre.longitude);
  const double sinLat = std::sin(centre.latitude);
  const double cosLat = std::cos(centre.latitude);
  const std::array<Vector3<double>, 3> axes{Vector3<double>(-sinLon, cosLon, 0.0),
                                            Vector3<double>(-sinLat * cosLon, -sinLat * sinLon, cosLat),
                                            ellipsoid.geodeticSurfaceNormalCartographic(centre)};
  Vector3<double> boxCentre;
  std::array<Vector3<double>, 3> halfAxes;
  for (std::size_t i = 0; i < axes.size(); ++i) {
    const Vector3<double>& u = axes[i];
    const Candidates candidates = extremeCandidates(rectangle, u);
    double lo = Math::POSITIVE_INFINITY;
    double hi = Math::NEG_INFINITY;
    for (std::size_t k = 0; k < candidates.count; ++k) {
      for (double h : {minimumHeight, maximumHeight}) {
        Cartographic p = candidates.items[k];
        p.height = h;
        const double along = u.dot(ellipsoid.cartographicToCartesian(p));
        lo = std::min(lo, along);
        hi = std::max(hi, along);
      }
    }
    boxCentre += u * ((lo + hi) * 0.5);
    halfAxes[i] = u * ((hi - lo) * 0.5);
  }
  return OrientedBoundingBox{boxCentre, Matrix3::fromColumns(halfAxes[0], halfAxes[1], halfAxes[2])};
}

}  // namespace detail

bool OrientedBoundingBox::contains(const Vector3<double>& point, double tolerance) const noexcept {
  Vector3<double> rest = point - center;
  for (int i = 0; i < 3; ++i) {
    const Vector3<double> axis = halfAxes.getColumn(i);
    const double length = axis.length();
    if (length <= 0.0) continue;
    const Vector3<double> unit = axis / length;
    const double along = rest.dot(unit);
    if (std::abs(along) > length + tolerance) return false;
    rest -= unit * along;
  }
  return rest.length() <= tolerance;
}

BoundingRegion::BoundingRegion(const GlobeRectangle& rectangle, double minimumHeight, double maximumHeight,
                               const Ellipsoid& ellipsoid) noexcept
    : rectangle_(rectangle), minimumHeight_(minimumHeight), maximumHeight_(maximumHeight), ellipsoid_(ellipsoid) {}

bool BoundingRegion::isEmpty() const noexcept {
  if (!rectangle_.isValid() || !std::isfinite(minimumHeight_) || !std::isfinite(maximumHeight_)) return true;
  if (minimumHeight_ > maximumHeight_) return true;
  return rectangle_.computeWidth() == 0.0 && rectangle_.computeHeight() == 0.0;
}

OrientedBoundingBox BoundingRegion::getBoundingBox() const noexcept {
  if (isEmpty()) return OrientedBoundingBox{};
  return detail::regionBox(rectangle_, minimumHeight_, maximumHeight_, ellipsoid_);
}

BoundingSphere BoundingSphere::fromOrientedBoundingBox(const OrientedBoundingBox& box) noexcept {
  const Vector3<double> u = box.halfAxes.getColumn(0);
  const Vector3<double> v = box.halfAxes.getColumn(1);
  const Vector3<double> w = box.halfAxes.getColumn(2);
  // The other four corners mirror these through the centre.
  const double radius = std::max(std::max((u + v + w).length(), (u + v - w).length()),
                                 std::max((u - v + w).length(), (v + w - u).length()));
  return {box.center, radius};
}

BoundingSphere BoundingSphere::fromRectangle3D(const GlobeRectangle& rectangle, const Ellipsoid& ellipsoid,
                                               double surfaceHeight) noexcept {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  if (!std::isfinite(rectangle.west) || !std::isfinite(rectangle.east) || !std::isfinite(rectangle.south) ||
      !std::isfinite(rectangle.north) || !std::isfinite(surfaceHeight)) {
    return {Vector3<double>(kNaN, kNaN, kNaN), kNaN};
  }
  return fromOrientedBoundingBox(detail::regionBox(rectangle, surfaceHeight, surfaceHeight, ellipsoid));
}

BoundingSphere BoundingSphere::fromBoundingSpheres(const std::vector<BoundingSphere>& spheres) noexcept {
  bool any = false;
  BoundingSphere result;
  for (const BoundingSphere& s : spheres) {
    if (!s.center.isFinite() || !std::isfinite(s.radius)) continue;
    const double radius = std::max(s.radius, 0.0);
    if (!any) {
      result = {s.center, radius};
      any = true;
      continue;
    }
    const Vector3<double> toNext = s.center - result.center;
    const double distance = toNext.length();
    if (distance + radius <= result.radius) continue;  // already inside
    if (distance + result.radius <= radius) {          // swallows what we have
      result = {s.center, radius};
      continue;
    }
    // The smallest sphere holding both: its diameter runs across both along the line
    // through their centres.
    const double merged = (distance + result.radius + radius) * 0.5;
    result.center += toNext * ((merged - result.radius) / distance);
    result.radius = merged;
  }
  return result;
}

BoundingSphere BoundingSphere::fromPoints(const std::vector<Vector3<double>>& points) noexcept {
  if (points.empty()) return {};
  Vector3<double> lo = points.front();
  Vector3<double> hi = points.front();
  for (const Vector3<double>& p : points) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const Vector3<double> centre = (lo + hi) * 0.5;
  double radiusSquared = 0.0;
  for (const Vector3<double>& p : points) radiusSquared = std::max(radiusSquared, (p - centre).lengthSquared());
  return {centre, std::sqrt(radiusSquared)};
}

}  // namespace qel
