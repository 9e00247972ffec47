#pragma once

#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "Common/Color.h"
#include "Scene/BoxOutlineGeometry.h"
#include "Scene/GeometryInstanceAttributes.h"
#include "Scene/GroundPolylineGeometry.h"
#include "Scene/PickId.h"
#include "Scene/PolylineGeometry.h"
#include "Scene/WallGeometry.h"

namespace qel {

/// One geometry drawn by a `Primitive` or a `GroundPolylinePrimitive`, with the id a
/// pick hands back (a `Uuid` for the tools' previews) and an optional colour attribute
/// that overrides the appearance's colour for this instance (the inherited `color`).
struct GeometryInstance : GeometryInstanceAttributes {
  std::variant<PolylineGeometry, GroundPolylineGeometry, WallGeometry, BoxOutlineGeometry> geometry;
  PickId id;
};

/// A list of the one instance, moved in: a braced list would copy it, and a long
/// line's preview rebuilt every frame would copy all its positions for nothing.
inline std::vector<GeometryInstance> singleInstance(GeometryInstance instance) {
  std::vector<GeometryInstance> instances;
  instances.push_back(std::move(instance));
  return instances;
}

}  // namespace qel
