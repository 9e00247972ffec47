#pragma once

#include <string>

#include "Common/Color.h"
#include "Data/MaterialProperty.h"

namespace qel {

/// A line drawn as an arrow in one colour, pointing from its first position to its last
/// (the axes of a transform gizmo). A material of this type reads its "color" uniform.
class PolylineArrowMaterialProperty final : public MaterialProperty {
 public:
  /// The name of the arrow material type: "PolylineArrow".
  static const std::string& getType() noexcept {
    static const std::string kType = "PolylineArrow";
    return kType;
  }

  explicit PolylineArrowMaterialProperty(const Color& color = {}) noexcept : color_(color) {}

  const std::string& getMaterialType() const noexcept override { return getType(); }
  /// True when the alpha is below 1.
  bool isTranslucent() const noexcept override { return color_.alpha < 1.0f; }

  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color) noexcept { color_ = color; }

 private:
  Color color_;
};

}  // namespace qel
