#pragma once

#include <vector>

#include "Common/Vector3.h"

namespace qel {

class Ellipsoid;
struct GlobeRectangle;
struct OrientedBoundingBox;

/// A sphere in the fixed frame (centre in metres, radius in metres, ≥ 0).
struct BoundingSphere {
  Vector3<double> center;
  double radius = 0.0;

  /// The sphere about the box's centre through its farthest corner: it holds the whole
  /// box. A box of zero size gives radius 0.
  static BoundingSphere fromOrientedBoundingBox(const OrientedBoundingBox& box) noexcept;

  /// A sphere holding the surface `surfaceHeight` metres above `ellipsoid` over
  /// `rectangle` (radians). The rectangle's own validity is not checked: bounds outside
  /// their ranges are taken as angles. A non-finite bound or height gives a non-finite
  /// sphere.
  static BoundingSphere fromRectangle3D(const GlobeRectangle& rectangle, const Ellipsoid& ellipsoid,
                                        double surfaceHeight = 0.0) noexcept;

  /// A sphere holding every sphere of the list (spheres of radius 0 are points). Not
  /// always the smallest such sphere, but never smaller than the largest of them and
  /// the same for the same list. An empty list gives radius 0 at the origin; a single
  /// sphere gives itself.
  static BoundingSphere fromBoundingSpheres(const std::vector<BoundingSphere>& spheres) noexcept;

  /// A sphere holding every point (metres); radius 0 at the origin for an empty list.
  static BoundingSphere fromPoints(const std::vector<Vector3<double>>& points) noexcept;
};

}  // namespace qel
