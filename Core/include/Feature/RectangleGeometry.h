#pragma once

#include "Common/GlobeRectangle.h"
#include "Feature/Geometry.h"

namespace qel::Feature {

/// A geographic rectangle at one height.
class RectangleGeometry : public Geometry {
 public:
  explicit RectangleGeometry(const GlobeRectangle& rectangle = {}, double height = 0.0) noexcept;

  GeometryType getType() const noexcept override { return GeometryType::Rectangle; }
  std::shared_ptr<Geometry> clone() const override;
  bool _assign(const Geometry& other) override;

  /// West, south, east, north (radians; crossing the antimeridian when east < west).
  const GlobeRectangle& getRectangle() const noexcept { return rectangle_; }
  void setRectangle(const GlobeRectangle& rectangle);
  /// Height (metres, read by the style's height reference).
  double getHeight() const noexcept { return height_; }
  void setHeight(double height);

 private:
  GlobeRectangle rectangle_;
  double height_ = 0.0;
};

}  // namespace qel::Feature
