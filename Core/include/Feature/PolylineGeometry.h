#pragma once

#include <vector>

#include "Common/Cartographic.h"
#include "Feature/Geometry.h"

namespace qel::Feature {

/// A line through its positions, in order (longitude and latitude in radians, height in
/// metres read by the style's height reference).
class PolylineGeometry : public Geometry {
 public:
  explicit PolylineGeometry(std::vector<Cartographic> positions = {});

  GeometryType getType() const noexcept override { return GeometryType::Polyline; }
  std::shared_ptr<Geometry> clone() const override;
  bool _assign(const Geometry& other) override;

  const std::vector<Cartographic>& getPositions() const noexcept { return positions; }
  /// Replaces the positions and announces the change.
  void setPositions(std::vector<Cartographic> newPositions);

  /// The positions. Written directly by editors that move one vertex at a time; such a
  /// writer calls `_raiseDefinitionChanged` when it wants the change drawn.
  std::vector<Cartographic> positions;
};

}  // namespace qel::Feature
