#pragma once

#include "Common/Ellipsoid.h"
#include "Common/GlobeRectangle.h"
#include "Common/OrientedBoundingBox.h"

namespace qel {

/// The space above a geographic rectangle between two heights on an ellipsoid: what a
/// layer covers. Heights in metres along the ellipsoid normal (negative below it).
class BoundingRegion {
 public:
  /// An empty region.
  BoundingRegion() noexcept = default;
  /// The region over `rectangle` between `minimumHeight` and `maximumHeight` (metres).
  BoundingRegion(const GlobeRectangle& rectangle, double minimumHeight, double maximumHeight,
                 const Ellipsoid& ellipsoid = Ellipsoid::WGS84) noexcept;

  const GlobeRectangle& getRectangle() const noexcept { return rectangle_; }
  double getMinimumHeight() const noexcept { return minimumHeight_; }
  double getMaximumHeight() const noexcept { return maximumHeight_; }
  const Ellipsoid& getEllipsoid() const noexcept { return ellipsoid_; }

  /// True when the region encloses nothing to look at: a default region, a rectangle
  /// that is not valid (`GlobeRectangle::isValid`) or is a single point (width and
  /// height 0), a minimum height above the maximum, or a height that is not finite.
  bool isEmpty() const noexcept;

  /// The box that tightly encloses the region, aligned with the east, north and up
  /// directions at the rectangle's centre (`GlobeRectangle::computeCenter` on the
  /// ellipsoid). Every point of the region lies in it and each face touches the region.
  /// A region symmetric about the Earth's centre (the whole globe) gives a box centred
  /// exactly at the origin. An empty region gives a box of zero size at the origin.
  OrientedBoundingBox getBoundingBox() const noexcept;

 private:
  GlobeRectangle rectangle_;
  double minimumHeight_ = 0.0;
  double maximumHeight_ = 0.0;
  Ellipsoid ellipsoid_ = Ellipsoid::WGS84;
};

}  // namespace qel
