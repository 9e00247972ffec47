#pragma once

#include <functional>
#include <limits>
#include <memory>

#include "Common/Vector3.h"

namespace qel {

/// A height field over the ellipsoid: height in metres above Ellipsoid::WGS84 at a
/// longitude and latitude (radians). Implementations are deterministic and report the
/// range of heights they can produce, which the globe's ray picks use to bracket hits.
///
/// Heights can also be read by the unit surface normal n = (cos φ cos λ, cos φ sin λ,
/// sin φ) of the geographic position (φ latitude, λ longitude): a ray pick already has
/// that normal and saves the trigonometry, and a terrain built on the normal has no seam
/// at the antimeridian and no singularity at the poles.
class Terrain {
 public:
  virtual ~Terrain() = default;
  /// Height (metres) at a longitude and latitude (radians, any finite values).
  virtual double heightAt(double longitude, double latitude) const noexcept = 0;
  /// Bounds of every height the terrain produces (metres).
  virtual double minimumHeight() const noexcept = 0;
  virtual double maximumHeight() const noexcept = 0;

  /// Height at the geographic position whose unit surface normal is `normal` (unit
  /// length). The default converts the normal to longitude and latitude.
  virtual double heightAtNormal(const Vector3<double>& normal) const noexcept;
  /// Height at `normal` and, when the terrain knows it, its gradient on the unit sphere:
  /// the tangent vector g (perpendicular to `normal`, metres per radian) such that a step
  /// of δ radians in the tangent direction u changes the height by g·u δ. Returns false
  /// (gradient untouched, height still set) when the gradient is unknown.
  virtual bool heightAndGradientAtNormal(const Vector3<double>& normal, double& height,
                                         Vector3<double>& gradient) const noexcept;
  /// What a terrain can say about itself around a point (see heightAndShapeNearNormal).
  struct LocalShape {
    /// Bound of the slope (metres per radian of arc, ≥ 0) at every point within `reach`.
    double slope = 0.0;
    /// Radius of the neighbourhood (radians of arc, > 0).
    double reach = 0.0;
    /// Bound of the second derivative along great circles within `reach` (metres per
    /// radian²); infinite when unknown, and then `gradient` means nothing.
    double curvature = std::numeric_limits<double>::infinity();
    /// The gradient at the point, as for heightAndGradientAtNormal.
    Vector3<double> gradient;
  };
  /// Height at `normal` (unit length) and, when the terrain knows them, bounds of its shape
  /// near there. Terrains without useful global derivative bounds give ray picks longer
  /// safe steps this way. Returns false (shape untouched, height still set) when nothing
  /// is known. The height is exactly heightAtNormal's.
  virtual bool heightAndShapeNearNormal(const Vector3<double>& normal, double& height,
                                        LocalShape& shape) const noexcept;
  /// Bounds, over the whole globe, of the first and second derivatives of the height
  /// along any great circle (metres per radian, metres per radian²). Infinite when
  /// unknown; ray picks then fall back to cautious fixed-ratio steps.
  virtual double maximumGradient() const noexcept;
  virtual double maximumSecondDerivative() const noexcept;

  /// The default relief: up to about 4 km of procedural mountains and valleys on the real
  /// continents, the sea flat at height 0. Land and sea come from the land mask in
  /// Resource/Terrain/land-mask.bin beside qelCommon (0.05° cells); the shore climbs from
  /// 0 on the coastline to a coastal plain of 150 m within a cell or two, and the
  /// mountains rise only some tens of kilometres inland. Without the mask file (logged
  /// once at the info level) the continents are a smooth function of the surface normal
  /// covering about 60 % of the globe. One shared, immutable instance.
  static std::shared_ptr<Terrain> createProcedural();
  /// A constant height everywhere. A non-finite height counts as 0.
  static std::shared_ptr<Terrain> createFlat(double height);
  /// Any height function of (longitude, latitude) in radians; minHeight/maxHeight must
  /// bound it (they are swapped when given in the wrong order). Returns null for an empty
  /// function or non-finite bounds. Non-finite heights the function returns count as
  /// minHeight.
  static std::shared_ptr<Terrain> createFromFunction(std::function<double(double, double)> heightFunction,
                                                     double minHeight, double maxHeight);
};

}  // namespace qel
