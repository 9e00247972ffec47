#pragma once

#include <cstdint>
#include <memory>

#include "Scene/Material.h"

namespace qel {

/// How a primitive's geometry is shaded: the material and whether it is blended. The
/// concrete appearances say which kind of geometry they shade.
class Appearance {
 public:
  enum class Kind : std::uint8_t {
    PolylineMaterial,  ///< lines painted with a material along their length
    EllipsoidSurface,  ///< surfaces on or parallel to the ellipsoid, walls
    Material,          ///< any geometry with normals
    PerInstanceColor,  ///< any geometry, each instance in its own colour
    PolylineColor,     ///< lines, each instance in its own colour
  };

  virtual ~Appearance() = default;

  Kind getKind() const noexcept { return kind_; }
  /// Never null: a missing material is a white colour material.
  const std::shared_ptr<Material>& getMaterial() const noexcept { return material_; }
  bool isTranslucent() const noexcept { return translucent_; }
  /// Paints with another material from the next frame on (null: white).
  void setMaterial(std::shared_ptr<Material> material, bool translucent);

 protected:
  Appearance(Kind kind, std::shared_ptr<Material> material, bool translucent);

 private:
  Kind kind_;
  std::shared_ptr<Material> material_;
  bool translucent_;
};

}  // namespace qel
