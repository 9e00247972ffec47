#pragma once

#include <optional>

#include "Common/Color.h"

namespace qel {

/// The per-instance values of a drawn geometry that can change after the primitive is
/// built (`Primitive::getGeometryInstanceAttributes`); changes show from the next frame.
struct GeometryInstanceAttributes {
  /// The "color" attribute: paints this instance instead of the appearance's colour.
  /// Empty: the appearance's material colour.
  std::optional<Color> color;
};

}  // namespace qel
