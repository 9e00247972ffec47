#pragma once

#include "Scene/Appearance.h"

namespace qel {

/// Shades lines with a material along their length (the tools' rubber bands and outlines).
/// `translucent`: whether it is blended (the tools pass `Material::isTranslucent`).
class PolylineMaterialAppearance : public Appearance {
 public:
  PolylineMaterialAppearance(std::shared_ptr<Material> material, bool translucent)
      : Appearance(Kind::PolylineMaterial, std::move(material), translucent) {}
};

}  // namespace qel
