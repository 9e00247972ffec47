#pragma once

#include "Common/Cartographic.h"
#include "Feature/Geometry.h"

namespace qel::Feature {

/// A disc on the globe: a centre and a radius.
class CircleGeometry : public Geometry {
 public:
  explicit CircleGeometry(const Cartographic& center = {}, double radius = 0.0) noexcept;

  GeometryType getType() const noexcept override { return GeometryType::Circle; }
  std::shared_ptr<Geometry> clone() const override;
  bool _assign(const Geometry& other) override;

  /// Longitude and latitude (radians), height (metres, read by the style's height
  /// reference).
  const Cartographic& getCenter() const noexcept { return center_; }
  void setCenter(const Cartographic& center);
  /// Metres along the surface, ≥ 0 (a negative radius is drawn as 0).
  double getRadius() const noexcept { return radius_; }
  void setRadius(double radius);

 private:
  Cartographic center_;
  double radius_ = 0.0;
};

}  // namespace qel::Feature
