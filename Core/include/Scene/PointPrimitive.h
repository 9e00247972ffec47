#pragma once

#include "Common/Color.h"
#include "Common/Vector3.h"
#include "Scene/CollectionElement.h"
#include "Scene/PickId.h"

namespace qel {

/// A round point of a fixed window size; its window footprint is the square around
/// its centre of side `pixelSize` + 2 × `outlineWidth`.
class PointPrimitive : public CollectionElement {
 public:
  struct ConstructorOptions {
    Vector3<double> position;  ///< fixed frame, metres (through the collection's model matrix)
    PickId id;
    Color color;
    Color outlineColor;
    double outlineWidth = 0.0;  ///< pixels, ≥ 0
    double pixelSize = 10.0;    ///< pixels (> 0; others draw nothing)
    bool show = true;
  };

  explicit PointPrimitive(ConstructorOptions options) : options_(std::move(options)) {}

  const ConstructorOptions& get() const noexcept { return options_; }
  void setPosition(const Vector3<double>& position) noexcept { options_.position = position; }
  void setColor(const Color& color) noexcept { options_.color = color; }
  void setId(PickId id) { options_.id = std::move(id); }
  void setPixelSize(double size) noexcept { options_.pixelSize = size; }
  void setShow(bool show) noexcept { options_.show = show; }

 private:
  ConstructorOptions options_;
};

}  // namespace qel
