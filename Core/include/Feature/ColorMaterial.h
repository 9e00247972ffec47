#pragma once

#include "Common/Color.h"
#include "Feature/Material.h"

namespace qel::Feature {

/// One colour. The channels are single-precision floats on purpose: colours written as
/// (0.78039217, 0.92941177, 0.8, 0.8) are the float values of 8-bit colours, and read
/// back exactly as written.
class ColorMaterial : public Material {
 public:
  /// New materials: white.
  explicit ColorMaterial(const Color& color = {}) noexcept : color_(color) {}
  /// Red, green, blue and alpha, each in [0, 1].
  ColorMaterial(float red, float green, float blue, float alpha) noexcept : color_{red, green, blue, alpha} {}

  MaterialType getType() const noexcept override { return MaterialType::Color; }
  std::shared_ptr<Material> clone() const override;
  std::shared_ptr<MaterialProperty> _getMaterial() const override;

  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color);

 private:
  Color color_;
};

}  // namespace qel::Feature
