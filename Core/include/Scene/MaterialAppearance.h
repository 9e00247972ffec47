#pragma once

#include "Scene/Appearance.h"

namespace qel {

/// Shades any geometry with normals with a material.
/// `translucent`: whether it is blended (the tools pass `Material::isTranslucent`).
class MaterialAppearance : public Appearance {
 public:
  MaterialAppearance(std::shared_ptr<Material> material, bool translucent)
      : Appearance(Kind::Material, std::move(material), translucent) {}
};

}  // namespace qel
