#pragma once

#include <string>

namespace qel {

class ColorMaterialProperty;
class ImageMaterialProperty;

/// What a scene paints a surface or a line with: the values of a feature's material at
/// the time it is drawn (`Feature::Material::_getMaterial`). Plain values, owned by
/// whoever asked for them.
///
/// Header-only, so that the feature model can hand properties out without linking the
/// module that draws them.
class MaterialProperty {
 public:
  virtual ~MaterialProperty() = default;
  MaterialProperty(const MaterialProperty&) = delete;
  MaterialProperty& operator=(const MaterialProperty&) = delete;

  /// The name of the kind of material ("Color", "Image"): the type the scene builds its
  /// material from.
  virtual const std::string& getMaterialType() const noexcept = 0;
  /// Whether what is painted lets what lies behind it show through.
  virtual bool isTranslucent() const noexcept = 0;

  /// This as an image or a colour property; null when it is not one.
  virtual ImageMaterialProperty* asImageMaterialProperty() noexcept { return nullptr; }
  virtual const ImageMaterialProperty* asImageMaterialProperty() const noexcept { return nullptr; }
  virtual ColorMaterialProperty* asColorMaterialProperty() noexcept { return nullptr; }
  virtual const ColorMaterialProperty* asColorMaterialProperty() const noexcept { return nullptr; }

 protected:
  MaterialProperty() = default;
};

}  // namespace qel
