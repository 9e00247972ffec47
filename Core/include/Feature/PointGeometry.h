#pragma once

#include "Common/Cartographic.h"
#include "Feature/Geometry.h"

namespace qel::Feature {

/// A single point.
class PointGeometry : public Geometry {
 public:
  explicit PointGeometry(const Cartographic& position = {}, bool screenSpace = false) noexcept;

  GeometryType getType() const noexcept override { return GeometryType::Point; }
  std::shared_ptr<Geometry> clone() const override;
  bool _assign(const Geometry& other) override;

  /// Longitude and latitude (radians) and height (metres, read by the style's height
  /// reference); for a screen-space point, the window position (see `isScreenSpace`).
  const Cartographic& getPosition() const noexcept { return position_; }
  void setPosition(const Cartographic& position);

  /// When set, the point is a mark over the view rather than a place on the globe: its
  /// position's longitude and latitude hold a window position in pixels (x to the right,
  /// y down from the top left) and its height is not read. It stays at that place in
  /// the window whatever the camera does, so it has no extent on the globe: no flight
  /// goes to it and its scene extent is unknown.
  bool isScreenSpace() const noexcept { return screenSpace_ != 0; }
  void setScreenSpace(bool screenSpace);

 private:
  // One byte right after the base's data: the screen-space flag.
  std::uint8_t screenSpace_ = 0;
  Cartographic position_;
};

}  // namespace qel::Feature
