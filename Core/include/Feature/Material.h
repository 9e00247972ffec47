#pragma once

#include <cstdint>
#include <memory>

#include "Data/ColorMaterialProperty.h"
#include "Data/ImageMaterialProperty.h"
#include "Data/MaterialProperty.h"
#include "Feature/ChangeNotifier.h"

namespace qel::Feature {

/// What kind of material a `Material` is: the codes its `getType` returns.
enum class MaterialType : std::int32_t {
  Color = 1,  ///< `ColorMaterial`: one colour
  Image = 2,  ///< `ImageMaterial`: an image, tiled
};

/// The paint of a symbol (a line, a fill, a wall). Every setter announces the change to
/// the symbols holding the material, and through them to their styles. Changed and read
/// on the main thread.
class Material : public ChangeNotifier {
 public:
  ~Material() override;

  /// The kind of material (see `MaterialType`).
  virtual MaterialType getType() const noexcept = 0;
  /// A new material of the same kind with this one's values and no listeners.
  virtual std::shared_ptr<Material> clone() const = 0;
  /// What the scene paints with: a new property holding this material's current values
  /// (a `ColorMaterialProperty` or an `ImageMaterialProperty`). The caller owns it and may
  /// change it (an image's repeat) without changing the material.
  virtual std::shared_ptr<MaterialProperty> _getMaterial() const = 0;

 protected:
  Material() = default;
};

}  // namespace qel::Feature
