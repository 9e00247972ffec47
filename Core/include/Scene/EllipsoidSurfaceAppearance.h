#pragma once

#include "Scene/Appearance.h"

namespace qel {

/// Shades surfaces on or parallel to the ellipsoid and walls standing on it.
/// `translucent`: whether it is blended (the tools pass `Material::isTranslucent`).
class EllipsoidSurfaceAppearance : public Appearance {
 public:
  EllipsoidSurfaceAppearance(std::shared_ptr<Material> material, bool translucent)
      : Appearance(Kind::EllipsoidSurface, std::move(material), translucent) {}
};

}  // namespace qel
