#pragma once

#include <optional>
#include <variant>

#include "Common/Color.h"
#include "Scene/GroundPolylineGeometry.h"
#include "Scene/PickId.h"
#include "Scene/PolylineGeometry.h"
#include "Scene/WallGeometry.h"

namespace qel {

/// One geometry drawn by a `Primitive` or a `GroundPolylinePrimitive`, with the id a
/// pick hands back (a `Uuid` for the tools' previews) and an optional colour attribute
/// that overrides the appearance's colour for this instance.
struct GeometryInstance {
  std::variant<PolylineGeometry, GroundPolylineGeometry, WallGeometry> geometry;
  PickId id;
  std::optional<Color> color;
};

}  // namespace qel
