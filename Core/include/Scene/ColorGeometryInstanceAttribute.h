#pragma once

#include "Common/Color.h"

namespace qel {

/// The value of an instance's "color" attribute (`GeometryInstanceAttributes::color`).
/// This host keeps the attribute as the colour itself, red, green, blue and alpha in
/// [0, 1]; the conversions exist so that code reads as what it sets.
struct ColorGeometryInstanceAttribute {
  static constexpr Color fromColor(const Color& color) noexcept { return color; }
  static constexpr Color toColor(const Color& attribute) noexcept { return attribute; }
};

}  // namespace qel
