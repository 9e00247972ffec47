#pragma once

#include <string>
#include <utility>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Data/MaterialProperty.h"

namespace qel {

/// An image repeated over a surface.
class ImageMaterialProperty final : public MaterialProperty {
 public:
  /// The name of the image material type: "Image".
  static const std::string& getType() noexcept {
    static const std::string kType = "Image";
    return kType;
  }

  explicit ImageMaterialProperty(std::string image = {}, const Color& color = {},
                                 const Vector2<double>& repeat = {1.0, 1.0})
      : image_(std::move(image)), color_(color), repeat_(repeat) {}

  const std::string& getMaterialType() const noexcept override { return getType(); }
  /// Images may hold transparent pixels: always true.
  bool isTranslucent() const noexcept override { return true; }
  ImageMaterialProperty* asImageMaterialProperty() noexcept override { return this; }
  const ImageMaterialProperty* asImageMaterialProperty() const noexcept override { return this; }

  const std::string& getImage() const noexcept { return image_; }
  void setImage(std::string image) { image_ = std::move(image); }
  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color) noexcept { color_ = color; }
  /// How many times the image repeats across (x) and up (y) the surface; any positive
  /// count (fractions show part of the image).
  const Vector2<double>& getRepeat() const noexcept { return repeat_; }
  void setRepeat(const Vector2<double>& repeat) noexcept { repeat_ = repeat; }

 private:
  std::string image_;
  Color color_;
  Vector2<double> repeat_;
};

}  // namespace qel
