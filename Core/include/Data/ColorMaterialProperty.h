#pragma once

#include <string>

#include "Common/Color.h"
#include "Data/MaterialProperty.h"

namespace qel {

/// One colour.
class ColorMaterialProperty final : public MaterialProperty {
 public:
  /// The name of the colour material type: "Color".
  static const std::string& getType() noexcept {
    static const std::string kType = "Color";
    return kType;
  }

  explicit ColorMaterialProperty(const Color& color = {}) noexcept : color_(color) {}

  const std::string& getMaterialType() const noexcept override { return getType(); }
  /// True when the alpha is below 1.
  bool isTranslucent() const noexcept override { return color_.alpha < 1.0f; }
  ColorMaterialProperty* asColorMaterialProperty() noexcept override { return this; }
  const ColorMaterialProperty* asColorMaterialProperty() const noexcept override { return this; }

  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color) noexcept { color_ = color; }

 private:
  Color color_;
};

}  // namespace qel
