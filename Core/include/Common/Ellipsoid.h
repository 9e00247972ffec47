#pragma once

#include <optional>

#include "Common/Cartographic.h"
#include "Common/GeodeticFoot.h"
#include "Common/Vector3.h"

namespace qel {

/// An ellipsoid centred at the origin of the Earth-fixed frame with its semi-axes along
/// x, y and z (metres). `WGS84` is the Earth; the navigation code also builds spheres
/// (`Ellipsoid(r, r, r)`) and enlarged copies of the Earth.
///
/// Geodetic coordinates are taken along the ellipsoid normal: a point's latitude and
/// longitude are those of the surface normal through it, its height the signed distance
/// along that normal (negative inside). Every conversion works for a triaxial body too.
///
/// Singular cases:
/// - At the centre (within about 1e-10 of a radius, i.e. under a millimetre for the
///   Earth) no normal passes through the point in a preferred direction: the conversions
///   from cartesian come back empty and the normal is the zero vector.
/// - Deep inside (within the evolute, a few tens of kilometres around the centre of the
///   Earth) several normals pass through a point. The one chosen leads to a nearest
///   surface point, except that a coordinate that is exactly 0 keeps the foot in that
///   coordinate plane; the result stays finite and the point lies on the chosen normal.
/// - On the polar axis the longitude is 0.
/// - A non-finite cartesian point (or one with a coordinate beyond 1e100 m) gives an
///   empty optional and a zero normal; a non-finite cartographic gives a non-finite
///   point. A radius that is zero, negative or non-finite makes every conversion from
///   cartesian empty.
class Ellipsoid {
 public:
  /// Radii along x, y and z in metres (each > 0 for a usable ellipsoid).
  constexpr Ellipsoid(double rx, double ry, double rz) noexcept
      : radii_(rx, ry, rz),
        radiiSquared_(rx * rx, ry * ry, rz * rz),
        oneOverRadii_(reciprocal(rx), reciprocal(ry), reciprocal(rz)),
        oneOverRadiiSquared_(reciprocal(rx * rx), reciprocal(ry * ry), reciprocal(rz * rz)) {}

  /// The WGS84 ellipsoid: equatorial radius 6 378 137 m, polar radius 6 356 752.314 m.
  static const Ellipsoid WGS84;

  constexpr const Vector3<double>& getRadii() const noexcept { return radii_; }
  constexpr const Vector3<double>& getRadiiSquared() const noexcept { return radiiSquared_; }
  constexpr const Vector3<double>& getOneOverRadii() const noexcept { return oneOverRadii_; }
  constexpr const Vector3<double>& getOneOverRadiiSquared() const noexcept { return oneOverRadiiSquared_; }
  double getMaximumRadius() const noexcept;
  double getMinimumRadius() const noexcept;
  /// True when every radius is finite and greater than 0.
  bool isValid() const noexcept;

  /// The fixed-frame point (metres) at `cartographic` (longitude and latitude in radians,
  /// any values; height in metres along the normal). Non-finite input gives a non-finite
  /// point.
  Vector3<double> cartographicToCartesian(const Cartographic& cartographic) const noexcept;

  /// Geodetic longitude in (−π, π], latitude in [−π/2, π/2] and height (metres) of a
  /// fixed-frame point. Empty at the centre, for non-finite input and on an invalid
  /// ellipsoid. Accurate to well under a millimetre from deep inside the body to far
  /// beyond the Moon.
  std::optional<Cartographic> cartesianToCartographic(const Vector3<double>& cartesian) const noexcept;

  /// Unit normal of the surface at the foot of the normal through `cartesian` (for a
  /// point on the surface, the surface normal there; above or below it, the local
  /// geodetic "up"). The zero vector wherever `cartesianToCartographic` is empty (the
  /// centre, non-finite input).
  Vector3<double> geodeticSurfaceNormal(const Vector3<double>& cartesian) const noexcept;

  /// Unit normal of the surface at the given longitude and latitude (radians); the
  /// height is not read.
  Vector3<double> geodeticSurfaceNormalCartographic(const Cartographic& cartographic) const noexcept;

  /// The foot of the normal through `cartesian`: the nearest surface point, on the
  /// point's own side. Empty where `cartesianToCartographic` is empty.
  std::optional<Vector3<double>> scaleToGeodeticSurface(const Vector3<double>& cartesian) const noexcept;

  /// The foot of the normal through `cartesian` with the normal and the height there:
  /// what `cartesianToCartographic`, `geodeticSurfaceNormal` and `scaleToGeodeticSurface`
  /// each read a part of, for callers that need several at once. Empty where
  /// `cartesianToCartographic` is empty.
  std::optional<GeodeticFoot> geodeticFoot(const Vector3<double>& cartesian) const noexcept;

 private:
  // A zero radius gives a zero reciprocal instead of a division by zero, which is not a
  // constant expression; `isValid` refuses such an ellipsoid anyway.
  static constexpr double reciprocal(double v) noexcept { return v != 0.0 ? 1.0 / v : 0.0; }

  Vector3<double> radii_;
  Vector3<double> radiiSquared_;
  Vector3<double> oneOverRadii_;
  Vector3<double> oneOverRadiiSquared_;
};

// Defined after the class so that WGS84 is a constant, initialised before any code runs
// (module-wide values built at load time may read it).
inline constexpr Ellipsoid Ellipsoid::WGS84{6378137.0, 6378137.0, 6356752.3142451793};

}  // namespace qel
