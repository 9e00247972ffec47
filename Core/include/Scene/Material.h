#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Common/Color.h"
#include "Common/Vector2.h"

namespace qel {

/// What a primitive's surface is painted with: a type and its uniforms.
///
/// The colour type ("Color") reads the uniform "color" (red, green, blue, alpha in
/// [0, 1]); the image type ("Image") reads the texture "image", its "repeat" (tiles
/// along and across the surface) and an optional "color" tint. Unknown types and
/// missing uniforms draw white.
class Material {
 public:
  static constexpr const char* kColorType = "Color";
  static constexpr const char* kImageType = "Image";
  /// Uniforms of four floats, by name ("color").
  using Uniforms = std::map<std::string, std::array<float, 4>>;

  /// A material of `type` with `uniforms`; textures and repeat can be set afterwards.
  static std::shared_ptr<Material> fromType(std::string type, Uniforms uniforms = {});

  const std::string& getType() const noexcept { return type_; }
  const Uniforms& getUniforms() const noexcept { return uniforms_; }
  /// The "color" uniform as a colour; empty when it is not set.
  std::optional<Color> getColor() const;

  /// Texture of the image type (a PNG path); empty for none.
  const std::string& getImage() const noexcept { return image_; }
  void setImage(std::string image) { image_ = std::move(image); }
  /// Tiles of the image along (x) and across (y) the surface.
  const Vector2<double>& getRepeat() const noexcept { return repeat_; }
  void setRepeat(const Vector2<double>& repeat) noexcept { repeat_ = repeat; }

  /// Whether drawing it needs blending: its "color" is not opaque (alpha < 1), or it was
  /// marked translucent (an image with transparent texels).
  bool isTranslucent() const;
  void setTranslucent(bool translucent) noexcept { translucent_ = translucent; }

 private:
  Material(std::string type, Uniforms uniforms) : type_(std::move(type)), uniforms_(std::move(uniforms)) {}

  std::string type_;
  Uniforms uniforms_;
  std::string image_;
  Vector2<double> repeat_{1.0, 1.0};
  bool translucent_ = false;
};

}  // namespace qel
