#pragma once

#include <vector>

#include "Common/Cartographic.h"
#include "Feature/Geometry.h"

namespace qel::Feature {

/// The rings of a polygon: the outer ring and the holes cut out of it, each a list of
/// positions (longitude and latitude in radians, height in metres), closed implicitly
/// from the last position back to the first.
struct PolygonHierarchy {
  std::vector<Cartographic> positions;
  std::vector<std::vector<Cartographic>> holes;
};

/// An area bounded by its outer ring, with holes.
class PolygonGeometry : public Geometry {
 public:
  explicit PolygonGeometry(PolygonHierarchy hierarchy = {});

  GeometryType getType() const noexcept override { return GeometryType::Polygon; }
  std::shared_ptr<Geometry> clone() const override;
  bool _assign(const Geometry& other) override;

  const PolygonHierarchy& getHierarchy() const noexcept { return hierarchy_; }
  /// The outer ring's positions.
  const std::vector<Cartographic>& getPositions() const noexcept { return hierarchy_.positions; }
  /// Replaces the outer ring and the holes and announces the change.
  void setHierarchy(PolygonHierarchy hierarchy);

 private:
  PolygonHierarchy hierarchy_;
};

}  // namespace qel::Feature
